#pragma once
// The simulation editor's rules: which file belongs to the loaded
// description, what the window shows for it, when the text counts as
// changed, and saving it (asking first where the program would lose it).
#include "trace/SimulationCheck.h"

#include <kitbox/Result.h>

#include <QString>

#include <functional>

class TextCatalogue;

namespace kitbox {

class DialogService;
class RuntimeSession;

struct SimulationView {
    QString caption;
    bool fileOpen = false; // which icon the window shows
    bool visible = false;  // false: minimised and hidden
    QString text;
};

class SimulationEditor {
public:
    SimulationEditor(RuntimeSession &runtime, DialogService &dialogs, const TextCatalogue &texts);

    // Follows a description load. currentText is the editor's text before,
    // offered for saving first (the answer does not stop the load).
    // udsCheckActive suppresses the box about a missing file.
    SimulationView load(const QString &description, bool udsCheckActive, const QString &currentText);

    // True when the caller may go on (saved, not wanted, or nothing to save).
    bool save(bool ask, const QString &text);

    // The user changed the text of an open file.
    void markChanged();
    bool changed() const { return m_changed; }
    bool loading() const { return m_loading; }
    // The file shown, upper-cased as the caption shows it; empty for none.
    QString fileName() const { return m_shownName; }
    QString filePath() const { return m_path; }

    // The faults of the text, checked on every load and save.
    const QList<SimulationFault> &faults() const { return m_faults; }
    // "Zeile 3: reason" of the first fault (and how many more), empty without.
    QString faultSummary() const;

    // The file beside the description's name in the simulation directory;
    // an existing file of any spelling is found as the runtime finds it.
    static QString simulationFilePath(const QString &directory, const QString &description);
    // The editor text as the file holds it.
    static Status writeText(const QString &path, const QString &text, int *errorCode = nullptr);

    // Called after every load, so the window may let pending events run.
    std::function<void()> afterLoad;

private:
    RuntimeSession &m_runtime;
    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
    QString m_path;
    QString m_shownName;
    QList<SimulationFault> m_faults;
    bool m_changed = false;
    bool m_loading = false;
};

} // namespace kitbox
