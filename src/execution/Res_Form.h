#pragma once
// The results window: one read-only fixed-pitch text without wrapping, the
// pause setting of the continuous run and the activity lamp.
#include "execution/ResultsWindowRules.h"

#include <QMdiSubWindow>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QScrollBar;
class Settings;
class TextCatalogue;

namespace kitbox {

struct RunFlags;

class Res_Form : public QMdiSubWindow {
    Q_OBJECT
public:
    Res_Form(Settings &settings, const TextCatalogue &texts, RunFlags &runFlags, QWidget *parent = nullptr);
    ~Res_Form() override;

    // Takes the stored placement (opening in the normal state first), the
    // font and the initial text.
    void load();
    // Stores the placement and closes the window without the close-box rule.
    void unload();

    // The exact text of the last report (CR LF kept).
    QString text() const { return m_text; }
    // Replaces the text when it differs from the shown one.
    void setText(const QString &text);
    // The same as setText(text() + more), without laying out the shown text again.
    void appendText(const QString &more);

    int delay() const;
    void setDelay(int milliseconds);
    // Rounds the pause to a multiple of 50 or, when it is one, shows it.
    void delayTimeChange();
    void setDelayPanelVisible(bool visible);
    bool delayPanelVisible() const;

    void setActivity(ResultsWindowRules::Activity activity);
    unsigned activityColour() const { return m_lampColour; }

    QPlainTextEdit *ausgabe() const { return m_ausgabe; }
    QLabel *delayText() const { return m_delayText; }
    QScrollBar *delayTime() const { return m_delayTime; }

signals:
    void printSourceChanged(const QString &text, const QString &caption);
    void editorStatusChanged(bool active, bool readOnly, bool overwrite, int line, int lineCount, int column);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMetaObject::Connection m_activeStateReport;
    void storePlacement();
    void reportEditorStatus(bool active);
    int toPixels(int twips) const;
    int toTwips(int pixels) const;

    Settings &m_settings;
    const TextCatalogue &m_texts;
    RunFlags &m_runFlags;
    QPlainTextEdit *m_ausgabe = nullptr;
    QFrame *m_delayAnzeige = nullptr;
    QScrollBar *m_delayTime = nullptr;
    QLabel *m_delayText = nullptr;
    QFrame *m_aktivFlagRahmen = nullptr;
    QFrame *m_aktivFlag = nullptr;
    QString m_text;
    unsigned m_lampColour = 0xC0C0C0;
    bool m_programmaticClose = false;
};

} // namespace kitbox
