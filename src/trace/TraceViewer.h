#pragma once
// The rules of the interface trace window and the two trace menu entries:
// what the show command displays for the runtime's trace state, and clearing
// the trace file (switching the trace off for it and back on after).
#include <QString>

#include <functional>

class TextCatalogue;

namespace kitbox {

class DialogService;
class RuntimeSession;

struct TraceDisplay {
    QString caption;
    bool minimised = false;
    QString file; // the trace file to load; empty: the field stays empty
};

class TraceViewer {
public:
    TraceViewer(RuntimeSession &runtime, DialogService &dialogs, const TextCatalogue &texts);

    // Fixed captions, the same in both languages.
    static QString captionShown() { return QStringLiteral("IFH Trace"); }
    static QString captionTraceOn() { return QStringLiteral("IFH Trace ein"); }
    static QString captionNoFile() { return QStringLiteral("IFH Tracedatei : keine"); }

    // With the trace on the file is not read: the runtime holds it open.
    TraceDisplay show();
    // Switches a running trace off, deletes the file (reporting when it
    // cannot), and restores the level. False when the runtime's trace values
    // cannot be read (nothing was done).
    bool clear();

    // The runtime's trace level, "0" when it cannot be read.
    QString traceLevel();

    // Removing the file; tests replace it to simulate a file that stays.
    std::function<bool(const QString &)> removeFile;

private:
    RuntimeSession &m_runtime;
    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
};

} // namespace kitbox
