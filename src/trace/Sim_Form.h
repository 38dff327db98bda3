#pragma once
// The simulation editor window: the simulation file of the loaded
// description as editable text, requests, responses and comments coloured,
// lines that break the file's rules marked. Closing only minimises it.
#include "trace/SimulationEditor.h"

#include <QMdiSubWindow>

class QPlainTextEdit;
class Settings;
class TextCatalogue;

namespace kitbox {

class SimulationHighlighter;

class Sim_Form : public QMdiSubWindow {
    Q_OBJECT
public:
    Sim_Form(Settings &settings, const TextCatalogue &texts, QWidget *parent = nullptr);
    ~Sim_Form() override;

    void load();
    void storePlacement();
    // Shows what a load decided (the loading flag of the editor is set meanwhile).
    void showView(const SimulationView &view);
    // Marks the faulty lines.
    void setFaults(const QList<SimulationFault> &faults);
    // After a save: the next edit counts as a change again.
    void setUnmodified();
    QString text() const;
    bool overwrite() const { return m_overwrite; }
    QPlainTextEdit *simFile() const { return m_edit; }
    // The program ends: the next close is real.
    void allowClose() { m_closing = true; }

signals:
    void textEdited();
    void printSourceChanged(const QString &text, const QString &caption);
    void editorStatusChanged(bool active, bool readOnly, bool overwrite, int line, int lineCount, int column);
    void fileDropped(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool shownActive() const;
    void reportStatus(bool active);
    void applyCaret();

    Settings &m_settings;
    const TextCatalogue &m_texts;
    QPlainTextEdit *m_edit = nullptr;
    SimulationHighlighter *m_highlighter = nullptr;
    bool m_overwrite = false;
    bool m_showing = false;
    bool m_closing = false;
    // The state (0 normal, 1 minimised, 2 maximised) the window takes when it
    // is shown again: the stored one at first, then the one it had before the
    // program hid it for a missing file or the simulation switched off.
    int m_stateWhenShown = 0;
};

} // namespace kitbox
