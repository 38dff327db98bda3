// The test run against a scripted runtime and a fake clock: the log lines,
// repetitions, pauses, branches, stopping and single steps.
#include "testmatrix/TestRun.h"
#include "execution/RunFlags.h"
#include "shell/FakeClock.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestJunitReport.h"
#include "testmatrix/TestMatrix.h"
#include "testmatrix/TestRunHost.h"

#include "ScriptedRuntime.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>

using namespace kitbox;
using kitbox::testing::txt;
using namespace Qt::StringLiterals;

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

class RecordingHost : public TestRunHost {
public:
    void startLog(const QString &text) override
    {
        log = text;
        ++starts;
    }
    void appendLog(const QString &text) override { log += text; }
    void setActivity(ResultsWindowRules::Activity) override {}
    void keepAlive() override
    {
        if (onAlive)
            onAlive();
    }
    void showStep(int row) override { steps << row; }
    int cursorStep() override { return cursor; }
    void setCursorStep(int row) override { cursor = row; }
    void setTestCommand(Command c) override { commands << c; }
    void continuousRunEnded() override { ++continuousEnded; }

    QString log;
    int starts = 0;
    std::function<void()> onAlive;
    QList<int> steps;
    int cursor = 1;
    QList<Command> commands;
    int continuousEnded = 0;
};

class TestRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        texts.selectLanguage(QStringLiteral("D"));
        api.apiInit();
        status(q("OKAY"));
    }
    void status(const QString &stat, const char *jobStatus = "OKAY")
    {
        api.setJobResults(q("D"), q("J"),
                          {{txt(u"VARIANTE", u"D")}, {txt(u"STAT", stat), txt(u"JOB_STATUS", q(jobStatus))}});
    }
    void row(int r, std::initializer_list<const char *> fields)
    {
        int c = 1;
        for (const char *f : fields)
            matrix.setCell(r, c++, q(f));
    }
    void run(bool single = false) { testRun.starte(matrix, q("Testdatei : T.TST"), single); }

    TextCatalogue &texts = TextCatalogue::shared();
    kitbox::testing::ScriptedRuntime api;
    FakeClock clock{QDateTime(QDate(2026, 12, 4), QTime(15, 10, 7, 340))};
    RunFlags flags;
    RecordingHost host;
    TestMatrix matrix;
    TestRun testRun{api, clock, flags, host, texts};
};

} // namespace

TEST(TestRunFields, NumbersAndTimeStamps)
{
    const struct {
        const char *text;
        int number;
    } numbers[] = {{"", 0}, {"3", 3}, {" 12x", 12}, {"x12", 0}, {"-4", -4}, {"+5", 5}, {"99999999999", 2147483647}};
    for (const auto &n : numbers)
        EXPECT_EQ(TestRun::leadingNumber(q(n.text)), n.number) << n.text;
    EXPECT_EQ(TestRun::zeitstempel(QDateTime(QDate(2026, 12, 4), QTime(15, 10, 7, 340))), q("04.12.2026 15:10:07.3"));
    EXPECT_EQ(TestRun::zeitstempel(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 59, 999))), q("02.01.2026 03:04:59.9"));
}

TEST_F(TestRunTest, LogOfJobStepsWithEchoResultsAndErrors)
{
    FakeResult word = txt(u"WERT", u"42", ResultType::Word);
    word.formatted.insert(q("04X"), q("002A"));
    api.setJobResults(q("D"), q("W"), {{}, {word, txt(u"JOB_STATUS", u"OKAY")}, {txt(u"JOB_STATUS", u"OKAY")}});
    api.setJobError(q("D"), q("BAD"), 99, q("kaputt"));
    row(1, {"1", "D", "W", "", "a;b", "WERT"});
    row(2, {"1", "D", "DATA", "ja", "01 02 03"});
    row(3, {"1", "D", "BAD"});
    api.setJobResults(q("D"), q("DATA"), {{}, {txt(u"JOB_STATUS", u"OKAY")}});
    run();

    const QString expected = q("Testdatei : T.TST\r\nStart     : 04.12.2026 15:10:07.3\r\n"
                               "Nr 1(  1) : 04.12.2026 15:10:07.3\r\n"
                               "apiJob(\"D\",\"W\",\"a;b\",\"WERT\")\r\n"
                               "Satz      : 1\r\n"
                               "  WERT                            = 42                 00 2A  .*      \r\n"
                               "  JOB_STATUS                      = OKAY\r\n"
                               "Satz      : 2\r\n"
                               "  JOB_STATUS                      = OKAY\r\n"
                               "Nr 2(  1) : 04.12.2026 15:10:07.3\r\n"
                               "apiJobData(\"D\",\"DATA\",{DATA}, 3,\"\")\r\n"
                               "  {DATA}: 3 Bytes\r\n"
                               "    0000 : 01 02 03                                           ...  \r\n"
                               "  JOB_STATUS                      = OKAY\r\n"
                               "Nr 3(  1) : 04.12.2026 15:10:07.3\r\n"
                               "apiJob(\"D\",\"BAD\",\"\",\"\")\r\n"
                               "Nr3(1) : 04.12.2026 15:10:07.3\r\n"
                               "VEDAMIS Fehler 99 : kaputt\r\n"
                               "Stop      : 04.12.2026 15:10:07.3\r\n"
                               "Dauer     : 0.0 s\r\n");
    EXPECT_EQ(host.log.toStdString(), expected.toStdString());
    EXPECT_EQ(api.lastJobData(), QByteArray("\x01\x02\x03"));
    ASSERT_EQ(testRun.outcomes().size(), 3);
    EXPECT_TRUE(testRun.outcomes()[0].passed());
    EXPECT_EQ(testRun.outcomes()[2].failure, q("VEDAMIS Fehler 99 : kaputt"));
    EXPECT_FALSE(flags.testRun);
    EXPECT_EQ(host.commands, (QList<TestRunHost::Command>{TestRunHost::Command::Running, TestRunHost::Command::Idle}));
}

TEST_F(TestRunTest, UdsSwitchesHideHelperResultsOnlyForAUdsDescription)
{
    api.setJobResults(q("D"), q("J"), {{}, {txt(u"DREHZAHL_EINH", u"1/min"), txt(u"JOB_STATUS", u"OKAY")}});
    row(1, {"1", "D", "J"});
    ShellOptions hideUnits;
    hideUnits.udsEinh = false;
    for (const bool uds : {false, true}) {
        testRun.setUdsFilter(TestRun::udsFilterFor(hideUnits, uds));
        run();
        EXPECT_EQ(host.log.contains(u"DREHZAHL_EINH"), !uds) << uds;
    }
}

TEST_F(TestRunTest, RepetitionsPausesAndSkippedSteps)
{
    row(1, {"3", "", "&delay", "", "500"});
    row(2, {"0", "D", "J"});
    row(3, {"x", "D", "J"});
    row(4, {"2", "D", "J", "", "", "", "nein"});
    run();
    EXPECT_EQ(host.log.count(u"DELAY: 500 [ms]"), 3);
    EXPECT_TRUE(host.log.contains(u"Nr 1(  3) : 04.12.2026 15:10:08.3   DELAY: 500 [ms]\r\n"));
    EXPECT_TRUE(host.log.endsWith(u"Dauer     : 1.5 s\r\n")) << host.log.toStdString();
    EXPECT_FALSE(host.log.contains(u"Nr 2")) << "count 0 and a count that is no number skip the step";
    EXPECT_FALSE(host.log.contains(u"Nr 4")) << "an output-off step writes nothing";
    EXPECT_EQ(api.callCount(q("apiJob")), 2) << "but runs its job";
    EXPECT_EQ(host.steps, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST_F(TestRunTest, BranchTargets)
{
    const struct {
        const char *name;
        const char *stat; // nullptr: the job has no STAT
        std::initializer_list<const char *> step3;
        QList<int> steps;  // first steps run, in order
        bool ends = false; // the run ends after them
    } cases[] = {
        {"equal goes to yes", "1", {"1", "D", "J", "", "", "", "", "STAT", "1", "5", "2"}, {1, 2, 3, 5, 6}},
        {"different goes to no", "10", {"1", "D", "J", "", "", "", "", "STAT", "1", "5", "2"}, {1, 2, 3, 2, 3}},
        {"missing result goes to no", nullptr, {"1", "D", "J", "", "", "", "", "STAT", "1", "5", "2"}, {1, 2, 3, 2}},
        {"empty target is the next step", "1", {"1", "D", "J", "", "", "", "", "STAT", "1", "", "2"}, {1, 2, 3, 4}},
        {"no logic name: yes step", "0", {"1", "D", "J", "", "", "", "", "", "", "7"}, {1, 2, 3, 7, 8}},
        {"target 0 goes on with step 1", "1", {"1", "D", "J", "", "", "", "", "", "", "0"}, {1, 2, 3, 0, 1}},
        {"target above 15 ends the run", "1", {"1", "D", "J", "", "", "", "", "STAT", "1", "16"}, {1, 2, 3}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        matrix.clearSteps();
        row(3, c.step3);
        if (c.stat)
            status(q(c.stat));
        else
            api.setJobResults(q("D"), q("J"), {{}, {txt(u"JOB_STATUS", u"OKAY")}});
        host.steps.clear();
        // Each case stops at its fifth step at the latest.
        host.onAlive = [&] {
            if (host.steps.size() >= 5)
                flags.testRun = false;
        };
        run();
        EXPECT_EQ(host.steps.mid(0, c.steps.size()), c.steps);
        if (c.ends) {
            EXPECT_EQ(host.steps.size(), c.steps.size()) << "the run ended there";
        }
    }
}

TEST_F(TestRunTest, EndlessLoopIsStoppedWithAbbruch)
{
    row(1, {"1", "D", "J"});
    row(2, {"1", "D", "J", "", "", "", "", "", "", "1"});
    int runs = 0;
    host.onAlive = [&] {
        clock.advance(250);
        if (++runs == 40)
            testRun.starte(matrix, q("again"), false); // the stop command issued inside the loop
    };
    run();
    EXPECT_GT(api.callCount(q("apiJob")), 10);
    EXPECT_TRUE(testRun.aborted());
    EXPECT_TRUE(host.log.contains(u"\r\nAbbruch   : 04.12.2026 15:10:17.3\r\nDauer     : 10.0 s\r\n"))
        << host.log.right(200).toStdString();
    EXPECT_FALSE(flags.testRun);
    EXPECT_EQ(host.starts, 1) << "the stop does not start a second run";
}

TEST_F(TestRunTest, StartEndsContinuousRunAndSingleStepMovesCursor)
{
    row(4, {"1", "D", "J", "", "", "", "", "STAT", "OKAY", "9", "2"});
    status(q("OKAY"));
    flags.continuousRun = true;
    host.cursor = 4;
    run(true);
    EXPECT_FALSE(flags.continuousRun);
    EXPECT_EQ(host.continuousEnded, 1);
    EXPECT_EQ(host.steps, QList<int>{4});
    EXPECT_EQ(host.cursor, 9) << "the cursor goes to the branch target";
    EXPECT_TRUE(host.log.contains(u"Stop      : "));
    EXPECT_EQ(host.commands.last(), TestRunHost::Command::IdleAfterSingleStep);

    host.cursor = 9;
    run(true);
    EXPECT_EQ(host.cursor, 10);
}

TEST_F(TestRunTest, JobStatusDecidesOutcomeAndJunitReport)
{
    row(1, {"2", "D", "J"});
    status(q("x"), "ERROR_<ECU>\x01");
    run();
    ASSERT_EQ(testRun.outcomes().size(), 2);
    EXPECT_EQ(testRun.outcomes()[1].repetition, 2);
    EXPECT_EQ(testRun.outcomes()[0].failure, q("JOB_STATUS = ERROR_<ECU>\x01"));

    // The report is well-formed XML with the names and messages escaped.
    const QString xml = testJunitReport(q("T&T.TST"), testRun.outcomes(), true);
    QXmlStreamReader reader(xml);
    QStringList elements;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            elements << reader.name().toString() + u' ' + reader.attributes().value(u"name"_s).toString() +
                            reader.attributes().value(u"failures"_s).toString() +
                            reader.attributes().value(u"message"_s).toString();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(elements.first(), u"testsuite T&T.TST2"_s);
    EXPECT_EQ(elements.filter(u"testcase"_s).size(), 3);
    EXPECT_EQ(elements.filter(u"failure"_s).value(0), u"failure JOB_STATUS = ERROR_<ECU>\uFFFD"_s);
    EXPECT_EQ(elements.last(), u"error stopped before the end"_s);
}
