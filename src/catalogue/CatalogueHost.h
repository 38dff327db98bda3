#pragma once
// What loading a description does to the windows around it. The main window
// implements it; the command-line tool and tests implement what they need.
// Every operation does nothing unless overridden.
#include <QString>
#include <QStringList>

namespace kitbox {

class CatalogueHost {
public:
    virtual ~CatalogueHost() = default;

    // Hourglass pointer on and off.
    virtual void setBusy(bool busy) { Q_UNUSED(busy); }
    virtual void beep() {}
    // A runtime error to report (code not 0) into the results window.
    virtual void reportRuntimeError(qint16 code, const QString &text)
    {
        Q_UNUSED(code);
        Q_UNUSED(text);
    }
    virtual void closeTableViewer() {}

    // --- loading -----------------------------------------------------------
    // The file was opened: enter it into the recent files.
    virtual void addRecentFile(const QString &path) { Q_UNUSED(path); }
    // Create the job window if needed and reset it: caption, lists and fields
    // emptied, job selection enabled, the run commands disabled, the results
    // window emptied, the last shown job forgotten.
    virtual void resetJobWindow() {}
    virtual void setJobWindowCaption(const QString &caption) { Q_UNUSED(caption); }
    virtual void setEcuInfoEnabled(bool enabled) { Q_UNUSED(enabled); }
    // Loading failed at the runtime: table viewer, job information window and
    // simulation editor are closed.
    virtual void closeDetailWindows() {}
    // The job list is complete; when it is not empty, entry 0 is selected and
    // the run commands are enabled.
    virtual void showJobList(const QStringList &jobs) { Q_UNUSED(jobs); }
    // The catalogue was filled again: the table viewer rebuilds its list.
    virtual void reinitTableViewer() {}
};

} // namespace kitbox
