#pragma once
// What the run control needs from the windows around it: the job window's
// selection, the results window (text, lamp, pause panel, caption) and the
// run commands of the main window. The main window implements it; tests
// implement it with plain values.
#include <QString>

#include "execution/JobParameter.h"
#include "execution/ResultsWindowRules.h"

namespace kitbox {

class ResultsOutput;

class JobRunHost {
public:
    virtual ~JobRunHost() = default;

    virtual JobSelection jobSelection() = 0;
    // Name of the loaded description and whether it has its own SG_FUNKTIONEN.
    virtual QString currentDescription() = 0;
    virtual bool isUdsDescription() = 0;
    // The result list's entries when it takes part in grouping the report
    // (the list is enabled); empty otherwise.
    virtual QStringList resultListForSorting() = 0;

    virtual ResultsOutput &results() = 0;
    // The activity lamp: building a report, pausing, idle.
    virtual void setActivity(ResultsWindowRules::Activity activity) = 0;
    // Shows or hides the pause panel and lays the results window out anew;
    // showing it also refreshes the pause label.
    virtual void setPausePanelVisible(bool visible) = 0;
    // The pause between continuous passes in milliseconds (DelayTime).
    virtual int pauseMilliseconds() = 0;
    virtual QString resultsCaption() = 0;
    virtual void setResultsCaption(const QString &caption) = 0;

    // The continuous-run command and toolbar button: running picture and
    // "&" + text 113, or idle picture and "&" + text 112.
    virtual void setContinuousRunCommand(bool running) = 0;
    virtual bool testRunCommandEnabled() = 0;
    // Test toolbar button idle picture, test command "&" + text 110.
    virtual void setTestRunCommandIdle() = 0;

    // Handles pending window events (commands issued meanwhile run inside).
    virtual void processEvents() = 0;
};

} // namespace kitbox
