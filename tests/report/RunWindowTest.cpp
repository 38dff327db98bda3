// Running jobs from the windows as a user does, offscreen: the main window,
// the job window with the demo description loaded through the real runtime
// and locator, and the results window. The report's lines are
// ErgebnisAusgabeTest's and the pacing JobRunnerTest's; here the windows hand
// the selection to the run and show what the command line prints.
#include "catalogue/Job_Form.h"
#include "execution/KitBoxExecution.h"
#include "execution/Res_Form.h"
#include "shell/KitBox.h"
#include "testmatrix/KitBoxTest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "CliProcess.h"
#include "Workbench.h"

#include <memory>

using namespace kitbox;
using namespace Qt::StringLiterals;

namespace {

const QString kDemoFile = QStringLiteral(KITBOX_DATA_DIR "/ecu/D_MOTOR.prg");

class RunWindowTest : public ::testing::Test, public test::Workbench {
protected:
    RunWindowTest() : Workbench(u"Kitbox32 report test"_s, QStringLiteral(KITBOX_DATA_DIR "/sim")) {}
    void SetUp() override
    {
        execution = std::make_unique<KitBoxExecution>(*window, services(), api, *catalogue);
        window->show();
        catalogue->sgbdLaden(kDemoFile);
        ASSERT_NE(catalogue->jobForm(), nullptr);
    }
    void TearDown() override
    {
        window->runFlags().continuousRun = false;
        execution.reset();
    }

    template <typename T> T *jobChild(const char *name)
    {
        return catalogue->jobForm()->findChild<T *>(QString::fromLatin1(name));
    }
    QListWidgetItem *selectJob(const QString &job, Qt::MatchFlags match = Qt::MatchExactly)
    {
        auto *list = jobChild<QListWidget>("JobListe");
        const auto found = list->findItems(job, match);
        EXPECT_FALSE(found.isEmpty()) << job.toStdString();
        list->setCurrentItem(found.value(0));
        return found.value(0);
    }
    // Triggers a command as the user does: only when it is enabled.
    void trigger(const char *name)
    {
        QAction *action = window->menuAction(QString::fromLatin1(name));
        ASSERT_TRUE(action != nullptr && action->isEnabled()) << name;
        action->trigger();
    }
    QString shown() { return window->resultsWindow(false) ? window->resultsWindow(false)->text() : QString(); }
    Res_Form *results() { return window->resultsWindow(false); }
    QString continuousCaption() { return window->menuAction(u"StarteJobEndlos"_s)->text(); }

    std::unique_ptr<KitBoxExecution> execution;
};

} // namespace

TEST_F(RunWindowTest, F5DoubleClickAndTheDataFlagShowTheReportThatTheCommandLinePrints)
{
    // A double click (press and release, then the double-click event) runs the job once.
    auto *list = jobChild<QListWidget>("JobListe");
    const QRect rect = list->visualItemRect(selectJob(u"mehrere_saetze"_s));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_TRUE(shown().contains(u"\r\nSatz : 5\r\n"));

    selectJob(u"alle_typen"_s);
    trigger("StarteJob");
    // The runtime's hex texts land in the hex and character columns.
    EXPECT_TRUE(shown().contains(u"  WERT_WORD                       = 54321             D4 31  \u00d41      "_s));
    EXPECT_TRUE(results()->ausgabe()->toPlainText().contains(u"WERT_BINARY"));
    const kitbox::testing::CliRun cli = kitbox::testing::runCli({u"run"_s, kDemoFile, u"ALLE_TYPEN"_s});
    EXPECT_EQ(cli.exitCode, 0) << cli.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(cli.out), shown());

    selectJob(u"daten_schreiben"_s);
    jobChild<QComboBox>("ArgumentEingabe")->setEditText(u"0102"_s);
    jobChild<QCheckBox>("DataFlag")->setChecked(true);
    trigger("StarteJob");
    EXPECT_TRUE(shown().startsWith(u"apiJobData(\"D_MOTOR\",\"daten_schreiben\",{DATA}, 2,\"\")\r\n"))
        << shown().toStdString();

    // The separator of the inherited jobs empties the results and runs nothing.
    selectJob(u"---- uses:"_s, Qt::MatchStartsWith);
    trigger("StarteJob");
    EXPECT_TRUE(shown().isEmpty());
}

// F6 runs until F6 again; closing the results window meanwhile only minimises it.
TEST_F(RunWindowTest, F6RunsContinuouslyAndClosingTheResultsWindowMinimisesIt)
{
    selectJob(u"status_motor"_s);
    trigger("StarteJob"); // the results window exists from here on
    results()->delayTime()->setValue(500);

    QString captionWhileRunning;
    bool panelWhileRunning = false, minimisedAndRunning = false;
    clock.setWaitHook([&](int) {
        if (!window->runFlags().continuousRun)
            return;
        if (captionWhileRunning.isEmpty()) {
            results()->close();
            minimisedAndRunning = results() != nullptr && results()->isMinimized();
        }
        captionWhileRunning = continuousCaption();
        panelWhileRunning = results()->delayPanelVisible();
        if (execution->runner().runCount() == 3)
            window->menuAction(u"StarteJobEndlos"_s)->trigger(); // F6 again
    });
    trigger("StarteJobEndlos");

    EXPECT_TRUE(minimisedAndRunning);
    EXPECT_EQ(captionWhileRunning, u"&"_s + texts.text(113));
    EXPECT_TRUE(panelWhileRunning);
    EXPECT_EQ(execution->runner().runCount(), 3);
    EXPECT_EQ(results()->windowTitle(), u"Results (mittlere Dauer : 500 ms)"_s);
    EXPECT_FALSE(results()->delayPanelVisible());
    EXPECT_EQ(continuousCaption(), u"&"_s + texts.text(112));
    EXPECT_EQ(results()->activityColour(), 0xC0C0C0u);
    // The next run brings it back.
    trigger("StarteJob");
    EXPECT_FALSE(results()->isMinimized());
}

// A growing log is appended, not shown anew: the window's text and what it
// shows must stay the same as after a replacement.
TEST_F(RunWindowTest, AppendedTextReadsAsTheWholeText)
{
    ResultsOutput &output = window->results();
    output.setText(u"Start\r\n"_s);
    output.appendText(u"Nr 1\r\n  JOB_STATUS = OKAY\r\n"_s);
    output.appendText(QString());
    output.appendText(u"Stop"_s);
    EXPECT_EQ(output.text(), u"Start\r\nNr 1\r\n  JOB_STATUS = OKAY\r\nStop"_s);
    EXPECT_EQ(results()->ausgabe()->toPlainText(), u"Start\nNr 1\n  JOB_STATUS = OKAY\nStop"_s);
}

// One run logic, two hosts: a test run writes into the results window the
// log that kitbox32-cli test prints, apart from its time stamps.
TEST_F(RunWindowTest, TestRunLogsWhatTheCommandLinePrints)
{
    KitBoxTest tests(*window, services());
    const auto masked = [](QString log) {
        static const QRegularExpression stamp(u"\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d"_s);
        static const QRegularExpression duration(u"(Dauer     : )[0-9.,]+ s"_s);
        return log.replace(stamp, u"<time>"_s).replace(duration, u"\\1<d> s"_s).toStdString();
    };
    // Delays, a data step, branches on results, a step that is not run, a group file, a step without output.
    for (const char *name : {"MOTOR_ABLAUF.TST", "GRUPPE_ALT.TST"}) {
        const QString path = QStringLiteral(KITBOX_DATA_DIR "/tst/") + QLatin1String(name);
        const kitbox::testing::CliRun cli = kitbox::testing::runCli({u"test"_s, path});
        ASSERT_NE(cli.exitCode, -1) << name;
        ASSERT_TRUE(tests.openTestFile(path)) << name;
        tests.starteTest(false);
        EXPECT_EQ(masked(shown()), masked(QString::fromUtf8(cli.out))) << name;
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
