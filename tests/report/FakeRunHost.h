#pragma once
// The windows around the run control, as plain values: what the job window
// shows, what the results window got, and a hook that plays the part of the
// user whenever events are handled.
#include <QStringList>

#include <functional>

#include "execution/JobRunHost.h"
#include "execution/JobRunner.h"
#include "execution/ResultsOutput.h"
#include "execution/RunFlags.h"
#include "shell/FakeClock.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

namespace kitbox::testing {

class RecordingResults : public ResultsOutput {
public:
    void showNormal() override { ++shown; }
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }
    int shown = 0;

private:
    QString m_text = QStringLiteral("Result Ausgabe/output");
};

class FakeRunHost : public JobRunHost {
public:
    JobSelection selection;
    QString description = QStringLiteral("D_TEST");
    bool uds = false;
    QStringList sortList;
    RecordingResults output;
    QList<ResultsWindowRules::Activity> lamps;
    bool pausePanel = false;
    int pause = 0;
    QString caption = QStringLiteral("Results");
    QStringList captions;
    bool continuousCommandRunning = false;
    bool testCommandEnabled = false;
    int testCommandResets = 0;
    int eventRounds = 0;
    // Called on every round of event handling, with the round's number.
    std::function<void(int)> onEvents;

    JobSelection jobSelection() override { return selection; }
    QString currentDescription() override { return description; }
    bool isUdsDescription() override { return uds; }
    QStringList resultListForSorting() override { return sortList; }
    ResultsOutput &results() override { return output; }
    void setActivity(ResultsWindowRules::Activity activity) override { lamps.append(activity); }
    void setPausePanelVisible(bool visible) override { pausePanel = visible; }
    int pauseMilliseconds() override { return pause; }
    QString resultsCaption() override { return caption; }
    void setResultsCaption(const QString &c) override
    {
        caption = c;
        captions.append(c);
    }
    void setContinuousRunCommand(bool running) override { continuousCommandRunning = running; }
    bool testRunCommandEnabled() override { return testCommandEnabled; }
    void setTestRunCommandIdle() override { ++testCommandResets; }
    void processEvents() override
    {
        ++eventRounds;
        if (onEvents)
            onEvents(eventRounds);
    }
};

} // namespace kitbox::testing
