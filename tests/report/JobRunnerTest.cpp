#include "execution/JobRunner.h"

#include <gtest/gtest.h>

#include <numeric>

#include "FakeRunHost.h"
#include "ScriptedRuntime.h"

using namespace kitbox;
using kitbox::testing::ScriptedRuntime;
using Activity = kitbox::ResultsWindowRules::Activity;

namespace {

FakeResult textResult(const char *name, const char *value)
{
    FakeResult r;
    r.name = QString::fromUtf8(name);
    r.text = QString::fromUtf8(value);
    return r;
}

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(texts.loadBuiltIn().ok());
        ASSERT_TRUE(runtime.apiInit());
        for (const char *job : {"status", "fs_lesen"})
            runtime.setJobResults(QStringLiteral("D_TEST"), QString::fromUtf8(job),
                                  {{textResult("VARIANTE", "D_TEST")}, {textResult("JOB_STATUS", "OKAY")}});
        host.selection.entry = QStringLiteral("status");
        host.selection.index = 0;
    }
    int jobStarts() const
    {
        return runtime.callCount(QStringLiteral("apiJob")) + runtime.callCount(QStringLiteral("apiJobData"));
    }
    // The user stops the continuous run in the message wait after pass n.
    void stopAfterPasses(int n)
    {
        clock.setWaitHook([this, n](int) {
            if (runner.runCount() == n && flags.continuousRun)
                runner.starteJobEndlos();
        });
    }

    TextCatalogue texts;
    ScriptedRuntime runtime;
    FakeClock clock{QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3))};
    RunFlags flags;
    kitbox::testing::FakeRunHost host;
    ScriptedDialogService dialogs;
    ShellOptions options;
    JobRunner runner{runtime, clock, flags, host, dialogs, texts, options};
};

} // namespace

TEST_F(RunnerTest, SingleRunShowsTheReportAndEndsOtherRuns)
{
    flags.continuousRun = true;
    flags.testRun = true;
    host.testCommandEnabled = true;
    host.pausePanel = true;
    host.caption = QStringLiteral("Results (mittlere Dauer : 9 ms)");
    runner.starteJob();
    EXPECT_FALSE(flags.continuousRun);
    EXPECT_FALSE(flags.testRun);
    EXPECT_EQ(host.testCommandResets, 1);
    EXPECT_FALSE(host.pausePanel);
    EXPECT_FALSE(host.continuousCommandRunning);
    EXPECT_EQ(host.caption, QStringLiteral("Results"));
    EXPECT_TRUE(host.output.text().startsWith(u"apiJob(\"D_TEST\",\"status\",\"\",\"\")\r\n"));
    EXPECT_EQ(host.lamps, (QList<Activity>{Activity::Building, Activity::Idle}));
    EXPECT_GE(host.output.shown, 1);

    // A test run whose command is disabled is not running: left alone.
    flags.testRun = true;
    host.testCommandEnabled = false;
    runner.starteJob();
    EXPECT_TRUE(flags.testRun);
    EXPECT_EQ(host.testCommandResets, 1);
    EXPECT_EQ(jobStarts(), 2);

    // An overlong data argument is refused with a message, once or continuously.
    host.selection.argumentText = QString(2 * 1100, u'1');
    host.selection.dataFlag = true;
    runner.starteJob();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages().first().text.contains(u"1025"));
    runner.starteJobEndlos();
    EXPECT_EQ(jobStarts(), 2);
    EXPECT_FALSE(flags.continuousRun);
    EXPECT_FALSE(host.continuousCommandRunning);
}

TEST_F(RunnerTest, ContinuousRunWithoutPauseRunsBackToBackUntilStopped)
{
    host.onEvents = [&](int) {
        if (jobStarts() == 3 && flags.continuousRun)
            runner.starteJobEndlos(); // the user's second F6, handled inside the loop
    };
    runner.starteJobEndlos();
    EXPECT_EQ(jobStarts(), 3);
    EXPECT_FALSE(flags.continuousRun);
    EXPECT_FALSE(host.pausePanel);
    EXPECT_FALSE(host.continuousCommandRunning);
    EXPECT_EQ(host.lamps.last(), Activity::Idle);
    // Only the 1 ms message waits between passes; no pause lamp.
    EXPECT_EQ(clock.waits(), QList<int>(clock.waits().size(), 1));
    EXPECT_FALSE(host.lamps.contains(Activity::Pausing));
}

TEST_F(RunnerTest, CaptionShowsTheMeanDurationIncludingThePauseAfterOneSecond)
{
    host.pause = 250;
    stopAfterPasses(4);
    runner.starteJobEndlos();
    // Each pass: 250 ms of pause and the 1 ms message wait. The fourth pass
    // ends its pause at 3 * 251 + 250 = 1003 ms: the first caption with a
    // mean; before it "Results" stays and is not written again.
    EXPECT_EQ(host.captions, QStringList{QStringLiteral("Results (mittlere Dauer : 250 ms)")});
    EXPECT_EQ(runner.meanDuration(), 1003 / 4);

    texts.selectLanguage(QStringLiteral("E"));
    host.pause = 1000;
    host.captions.clear();
    stopAfterPasses(2);
    runner.starteJobEndlos();
    // The caption left by the last run goes back to "Results" first.
    ASSERT_EQ(host.captions.size(), 2);
    EXPECT_EQ(host.captions.first(), QStringLiteral("Results"));
    EXPECT_TRUE(host.captions.last().endsWith(u" 1000 ms)")) << host.captions.last().toStdString();
    EXPECT_FALSE(host.captions.last().contains(u"mittlere"));
}

TEST_F(RunnerTest, StoppingOrASingleRunDuringThePauseEndsTheContinuousRun)
{
    host.pause = 10000;
    qsizetype pauseBegins = -1;
    clock.setWaitHook([&](int ms) {
        if (pauseBegins < 0 && ms == 1000)
            pauseBegins = clock.waits().size() - 1;
        if (pauseBegins >= 0 && clock.waits().size() - pauseBegins == 3 && flags.continuousRun)
            runner.starteJobEndlos();
    });
    runner.starteJobEndlos();
    EXPECT_EQ(jobStarts(), 1);
    ASSERT_GE(pauseBegins, 0);
    // Three sleeps of 1000 ms, then the pause sees the stop at its next check.
    EXPECT_EQ(clock.waits().mid(pauseBegins), (QList<int>{1000, 1000, 1000, 1}));
    EXPECT_FALSE(flags.continuousRun);
    EXPECT_EQ(host.lamps.last(), Activity::Idle);

    host.pause = 300;
    bool pressed = false;
    clock.setWaitHook([&](int ms) {
        if (ms == 100 && !pressed) {
            pressed = true;
            runner.starteJob();
        }
    });
    runner.starteJobEndlos();
    EXPECT_EQ(jobStarts(), 3);
    EXPECT_FALSE(flags.continuousRun);
    EXPECT_EQ(host.caption, QStringLiteral("Results"));
}

TEST_F(RunnerTest, PauseSleepsInStepsByTheRemainingTimeIgnoresZeroAndSurvivesTheTimerWrapping)
{
    flags.continuousRun = true;
    runner.pauseWarten(2500);
    QList<int> expected{1000};
    expected += QList<int>(13, 100); // 1500 down to 200 remaining
    expected += QList<int>(17, 10);  // 200 down to 30
    expected += QList<int>(30, 1);   // 30 down to 0
    EXPECT_EQ(clock.waits(), expected);
    EXPECT_EQ(host.lamps, (QList<Activity>{Activity::Pausing, Activity::Idle}));

    // Zero is no pause at all.
    const qsizetype afterFirst = clock.waits().size();
    runner.pauseWarten(0);
    EXPECT_EQ(clock.waits().size(), afterFirst);
    EXPECT_EQ(host.lamps.size(), 2);

    // The millisecond counter wraps in the middle of a pause.
    clock.setCounter(0xFFFFFFFFu - 20);
    runner.pauseWarten(100);
    EXPECT_EQ(std::accumulate(clock.waits().begin() + afterFirst, clock.waits().end(), 0), 100);

    flags.continuousRun = false;
    const qsizetype before = clock.waits().size();
    runner.pauseWarten(5000);
    EXPECT_EQ(clock.waits().size(), before);
    EXPECT_EQ(host.lamps.last(), Activity::Idle);
}

TEST_F(RunnerTest, ReportOptionsFollowTheSettings)
{
    host.sortList = {QStringLiteral("b"), QStringLiteral("a")};
    host.uds = true;
    options.udsText = false;
    const ReportOptions o = runner.reportOptions();
    EXPECT_TRUE(o.uds.udsDescription && o.uds.einh && !o.uds.text);
    EXPECT_EQ(o.errorLabel, QStringLiteral("VEDAMIS Fehler"));
    EXPECT_TRUE(o.filterNotice.startsWith(u"Results sind gefiltert"));
    // Any value but -1 groups by the result list (the default is 1).
    for (const auto &[sorted, grouped] : {std::pair(1, true), {0, true}, {-1, false}}) {
        options.ausgabeSortiert = sorted;
        EXPECT_EQ(runner.reportOptions().order, grouped ? host.sortList : QStringList()) << sorted;
    }
    texts.selectLanguage(QStringLiteral("E"));
    EXPECT_EQ(runner.reportOptions().errorLabel, QStringLiteral("VEDAMIS Error"));
}

TEST_F(RunnerTest, FaultMemoryJobsGoToTheirReportInZemoMode)
{
    host.selection.entry = QStringLiteral("fs_lesen");
    options.zemoFsMode = 256;
    // Without a report of its own the run control builds the fault-memory report and shows it.
    runner.starteJob();
    const QString shown = host.output.text();
    EXPECT_TRUE(shown.startsWith(QString(11, u' ') + QStringLiteral("F E H L E R S P E I C H E R   L E S E N\r\n")));
    EXPECT_TRUE(shown.contains(u"\r\nDatum:     07.03.26 09:05\r\nECU:       D_TEST\r\n"));
    EXPECT_TRUE(shown.contains(u">>>>>>>>>> Kein Fehler gefunden <<<<<<<<<<<"));
    EXPECT_EQ(runner.lastReport(), shown);
    EXPECT_EQ(host.lamps, (QList<Activity>{Activity::Building, Activity::Idle}));

    QStringList handed;
    runner.setFaultMemoryReport([&](const QString &sgbd, const QString &job) { handed << sgbd + u':' + job; });
    options.zemoFsMode = 1919; // bit 256 set
    runtime.clearCalls();
    runner.starteJob();
    EXPECT_EQ(handed, QStringList{QStringLiteral("D_TEST:fs_lesen")});
    EXPECT_EQ(jobStarts(), 0);
    options.zemoFsMode = 1919 & ~256;
    runner.starteJob();
    EXPECT_EQ(handed.size(), 1);
    EXPECT_EQ(jobStarts(), 1);

    for (const auto &[job, applies] :
         {std::pair(u"is_lesen", true), {u"hs_lesen", true}, {u"FS_LESEN", false}, {u"fs_lesen_detail", false}})
        EXPECT_EQ(JobRunner::isFaultMemoryRun(QString::fromUtf16(job), 256), applies);
}
