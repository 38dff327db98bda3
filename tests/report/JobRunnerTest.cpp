#include "execution/JobRunner.h"

#include <gtest/gtest.h>

#include <numeric>

#include "FakeRunHost.h"
#include "ScriptedRuntime.h"

using namespace kitbox;
using namespace kitbox::testing;
using Activity = kitbox::ResultsWindowRules::Activity;
using namespace Qt::StringLiterals;

namespace {

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(texts.loadBuiltIn().ok());
        ASSERT_TRUE(runtime.apiInit());
        for (const char *job : {"status", "fs_lesen"})
            runtime.setJobResults(u"D_TEST"_s, QString::fromUtf8(job),
                                  {{txt(u"VARIANTE", u"D_TEST")}, {txt(u"JOB_STATUS", u"OKAY")}});
        host.selection.entry = u"status"_s;
        host.selection.index = 0;
    }
    int jobStarts() const { return runtime.callCount(u"apiJob"_s) + runtime.callCount(u"apiJobData"_s); }
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
    host.caption = u"Results (mittlere Dauer : 9 ms)"_s;
    runner.starteJob();
    EXPECT_FALSE(flags.continuousRun || flags.testRun || host.pausePanel || host.continuousCommandRunning);
    EXPECT_EQ(host.testCommandResets, 1);
    EXPECT_EQ(host.caption, u"Results"_s);
    EXPECT_TRUE(host.output.text().startsWith(u"apiJob(\"D_TEST\",\"status\",\"\",\"\")\r\n"));
    EXPECT_EQ(host.lamps, (QList<Activity>{Activity::Building, Activity::Idle}));
    EXPECT_GE(host.output.shown, 1);

    // A test run whose command is disabled is not running: left alone.
    flags.testRun = true;
    host.testCommandEnabled = false;
    runner.starteJob();
    EXPECT_TRUE(flags.testRun);
    EXPECT_EQ(host.testCommandResets, 1);
}

// The separator of inherited jobs and an overlong data argument run nothing, once or continuously.
TEST_F(RunnerTest, SeparatorAndOverlongDataRunNothing)
{
    for (const bool data : {false, true})
        for (const bool continuous : {false, true}) {
            SCOPED_TRACE(std::to_string(data) + std::to_string(continuous));
            dialogs.clear();
            host.output.setText(u"old"_s);
            host.selection.entry = data ? u"status"_s : u"---- uses: d_basis"_s;
            host.selection.dataFlag = data;
            host.selection.argumentText = data ? QString(2 * 1100, u'1') : QString();
            continuous ? runner.starteJobEndlos() : runner.starteJob();
            EXPECT_EQ(jobStarts(), 0);
            EXPECT_FALSE(flags.continuousRun || host.continuousCommandRunning || host.pausePanel);
            EXPECT_EQ(host.output.text(), data ? u"old"_s : QString());
            ASSERT_EQ(dialogs.messages().size(), data ? 1 : 0);
            EXPECT_TRUE(!data || dialogs.messages().first().text.contains(u"1025"));
        }
}

TEST_F(RunnerTest, ContinuousRunWithoutPauseRunsBackToBackUntilStopped)
{
    host.onEvents = [&](int) {
        if (jobStarts() == 3 && flags.continuousRun)
            runner.starteJobEndlos(); // the user's second F6, handled inside the loop
    };
    runner.starteJobEndlos();
    EXPECT_EQ(jobStarts(), 3);
    EXPECT_FALSE(flags.continuousRun || host.pausePanel || host.continuousCommandRunning);
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
    EXPECT_EQ(host.captions, QStringList{u"Results (mittlere Dauer : 250 ms)"_s});
    EXPECT_EQ(runner.meanDuration(), 1003 / 4);

    texts.selectLanguage(u"E"_s);
    host.pause = 1000;
    host.captions.clear();
    stopAfterPasses(2);
    runner.starteJobEndlos();
    // The caption left by the last run goes back to "Results" first.
    ASSERT_EQ(host.captions.size(), 2);
    EXPECT_EQ(host.captions.first(), u"Results"_s);
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
    EXPECT_EQ(host.caption, u"Results"_s);
}

TEST_F(RunnerTest, PauseSleepsInStepsByTheRemainingTimeIgnoresZeroAndSurvivesTheTimerWrapping)
{
    flags.continuousRun = true;
    runner.pauseWarten(2500);
    // 1000 ms while above 2000 remain, then 100 ms down to 200, 10 ms down to 30, 1 ms to the end.
    EXPECT_EQ(clock.waits(), QList<int>{1000} + QList<int>(13, 100) + QList<int>(17, 10) + QList<int>(30, 1));
    EXPECT_EQ(host.lamps, (QList<Activity>{Activity::Pausing, Activity::Idle}));
    runner.pauseWarten(0); // no pause at all
    EXPECT_EQ(host.lamps.size(), 2);

    // The millisecond counter wraps in the middle of a pause.
    const qsizetype before = clock.waits().size();
    clock.setCounter(0xFFFFFFFFu - 20);
    runner.pauseWarten(100);
    EXPECT_EQ(clock.waits().mid(before), QList<int>(7, 10) + QList<int>(30, 1));

    flags.continuousRun = false;
    runner.pauseWarten(5000);
    EXPECT_EQ(clock.waits().size(), before + 37);
    EXPECT_EQ(host.lamps.last(), Activity::Idle);
}

TEST_F(RunnerTest, ReportOptionsFollowTheSettings)
{
    host.sortList = {u"b"_s, u"a"_s};
    host.uds = true;
    options.udsText = false;
    const ReportOptions o = runner.reportOptions();
    EXPECT_TRUE(o.uds.udsDescription && o.uds.einh && !o.uds.text);
    EXPECT_EQ(o.errorLabel, u"VEDAMIS Fehler"_s);
    EXPECT_TRUE(o.filterNotice.startsWith(u"Results sind gefiltert"));
    // Any value but -1 groups by the result list (the default is 1).
    for (const auto &[sorted, grouped] : {std::pair(1, true), {0, true}, {-1, false}}) {
        options.ausgabeSortiert = sorted;
        EXPECT_EQ(runner.reportOptions().order, grouped ? host.sortList : QStringList()) << sorted;
    }
    texts.selectLanguage(u"E"_s);
    EXPECT_EQ(runner.reportOptions().errorLabel, u"VEDAMIS Error"_s);
}

TEST_F(RunnerTest, FaultMemoryJobsGoToTheirReportInZemoMode)
{
    host.selection.entry = u"fs_lesen"_s;
    options.zemoFsMode = 256;
    // Without a report of its own the run control builds the fault-memory report and shows it.
    runner.starteJob();
    const QString shown = host.output.text();
    EXPECT_TRUE(shown.startsWith(QString(11, u' ') + u"F E H L E R S P E I C H E R   L E S E N\r\n"));
    EXPECT_TRUE(shown.contains(u"\r\nDatum:     07.03.26 09:05\r\nECU:       D_TEST\r\n"));
    EXPECT_EQ(runner.lastReport(), shown);
    EXPECT_EQ(host.lamps, (QList<Activity>{Activity::Building, Activity::Idle}));

    QStringList handed;
    runner.setFaultMemoryReport([&](const QString &sgbd, const QString &job) { handed << sgbd + u':' + job; });
    for (const auto &[mode, handedOver] : {std::pair(1919, true), {1919 & ~256, false}}) {
        runtime.clearCalls();
        handed.clear();
        options.zemoFsMode = mode;
        runner.starteJob();
        EXPECT_EQ(handed, handedOver ? QStringList{u"D_TEST:fs_lesen"_s} : QStringList()) << mode;
        EXPECT_EQ(jobStarts(), handedOver ? 0 : 1) << mode;
    }
    for (const auto &[job, applies] :
         {std::pair(u"is_lesen", true), {u"hs_lesen", true}, {u"FS_LESEN", false}, {u"fs_lesen_detail", false}})
        EXPECT_EQ(JobRunner::isFaultMemoryRun(QString::fromUtf16(job), 256), applies);
}
