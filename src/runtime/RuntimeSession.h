#pragma once
// The one session with the runtime that the program holds from start to exit:
// opening it (plain or extended), the start-failure box, the values read at
// start, configuration reads, the runtime-error report into the results
// window, and the end.
#include "runtime/VedamisApi.h"
#include "shell/InterfaceOption.h"

#include <QString>

class TextCatalogue;

namespace kitbox {

class DialogService;
class ResultsOutput;

// State of the two trace menu entries, from the runtime's trace settings.
struct TraceMenuState {
    bool known = false;        // false when TracePath cannot be read: leave the entries as they are
    bool showEnabled = false;  // IfhTraceAnzeigen
    bool clearEnabled = false; // IfhTraceLöschen
};

class RuntimeSession {
public:
    RuntimeSession(VedamisApi &api, DialogService &dialogs, const TextCatalogue &texts);
    ~RuntimeSession();
    RuntimeSession(const RuntimeSession &) = delete;
    RuntimeSession &operator=(const RuntimeSession &) = delete;

    // Opens the session: apiInit in single-instance mode, else enableServer(0)
    // and apiInitExt with the instance's four texts. On failure the
    // start-failure box has been shown, apiEnd has been called where the
    // session may be half open, and the program must end without saving.
    bool open(bool multiInstance, const InterfaceTexts &interfaceTexts);
    bool isOpen() const { return m_open; }

    // Numeric value of VedamisVersion read at opening; 0 when not a number.
    double vedamisVersion() const { return m_version; }

    // The runtime's configuration value of the (trimmed) name; empty when the
    // runtime cannot deliver it.
    QString configValue(const QString &name);
    bool setConfigValue(const QString &name, const QString &value);

    // The trace entries' state: with the trace on, only clearing is possible
    // (when the file exists); with it off, both need the file.
    TraceMenuState traceMenuState();
    // TracePath + "/IFH.TRC", empty when TracePath cannot be read.
    QString traceFilePath();

    // "VEDAMIS Fehler <code> : <text>" + CR LF when the runtime reports an
    // error, else empty. The prefix is the same in both languages.
    QString runtimeErrorLine();
    // Puts the runtime error line into the results window: appended while a
    // UDS list check runs, replacing the text otherwise. False when there was
    // no error to report.
    bool reportRuntimeError(ResultsOutput &output, bool udsCheckActive);

    // Ends the session (apiEnd) once; later calls do nothing.
    void close();

    VedamisApi &api() { return m_api; }

    // The start-failure box's title and message for a failed call, as shown.
    QString startFailureTitle(const QString &call) const;
    QString startFailureMessage(qint16 code, const QString &errorText) const;
    // Numeric reading of a version text: leading blanks skipped, then a
    // decimal number ("7.3.0" reads 7.3); anything else gives 0.
    static double parseVersion(const QString &text);

private:
    void showStartFailure(const QString &call);

    VedamisApi &m_api;
    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
    bool m_open = false;
    bool m_ended = false;
    double m_version = 0.0;
};

} // namespace kitbox
