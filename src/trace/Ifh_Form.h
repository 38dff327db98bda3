#pragma once
// The interface trace window: the runtime's IFH.TRC, one row per line,
// loaded in the background with a progress bar. While the trace is off, F5
// loads the file again; with "follow" on, lines the runtime adds appear as
// they are written.
#include "trace/TraceViewer.h"

#include <QMdiSubWindow>

class QCheckBox;
class QListView;
class QProgressBar;
class QTimer;
class Settings;
class TextCatalogue;

namespace kitbox {

class TraceLineModel;
class TraceLoader;

class Ifh_Form : public QMdiSubWindow {
    Q_OBJECT
public:
    Ifh_Form(Settings &settings, const TextCatalogue &texts, QWidget *parent = nullptr);
    ~Ifh_Form() override;

    // Takes the stored position and size.
    void load();
    void storePlacement();
    // Shows what the show command decided; tracePath is the runtime's trace
    // file, which the follow mode watches.
    void showTrace(const TraceDisplay &display, const QString &tracePath);

    TraceLineModel &model() { return *m_model; }
    TraceLoader &loader() { return *m_loader; }
    QListView *ifhFile() const { return m_view; }
    QCheckBox *followBox() const { return m_follow; }
    QProgressBar *progressBar() const { return m_progress; }

signals:
    void printSourceChanged(const QString &text, const QString &caption);
    void editorStatusChanged(bool active, bool readOnly, bool overwrite, int line, int lineCount, int column);
    // F5 in the window: the show command again.
    void reloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reportStatus(bool active);
    void reportPrintSource();
    void followTick();

    Settings &m_settings;
    const TextCatalogue &m_texts;
    TraceLineModel *m_model = nullptr;
    TraceLoader *m_loader = nullptr;
    QListView *m_view = nullptr;
    QProgressBar *m_progress = nullptr;
    QCheckBox *m_follow = nullptr;
    QTimer *m_followTimer = nullptr;
    QString m_tracePath;
    QString m_printText;
    bool m_printTextStale = true;
};

} // namespace kitbox
