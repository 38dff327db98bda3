// Running jobs from the windows as a user does, offscreen: the main window,
// the job window with the demo description loaded through the real runtime
// and locator, and the results window.
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

namespace {

const QString kDemoFile = QStringLiteral(KITBOX_DATA_DIR "/ecu/D_MOTOR.prg");

class RunWindowTest : public ::testing::Test, public test::Workbench {
protected:
    RunWindowTest() : Workbench(QStringLiteral("Kitbox32 report test"), QStringLiteral(KITBOX_DATA_DIR "/sim")) {}
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

    Job_Form &jobForm() { return *catalogue->jobForm(); }
    template <typename T> T *jobChild(const char *name) { return jobForm().findChild<T *>(QString::fromLatin1(name)); }
    void selectJob(const QString &job)
    {
        auto *list = jobChild<QListWidget>("JobListe");
        ASSERT_NE(list, nullptr);
        const auto found = list->findItems(job, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << job.toStdString();
        list->setCurrentItem(found.first());
    }
    void setArgument(const QString &text) { jobChild<QComboBox>("ArgumentEingabe")->setEditText(text); }
    // Triggers a command as the user does: only when it is enabled.
    void trigger(const char *name)
    {
        QAction *action = window->menuAction(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        ASSERT_TRUE(action->isEnabled()) << name;
        action->trigger();
    }
    Res_Form *results() { return window->resultsWindow(false); }
    QString continuousCaption() { return window->menuAction(QStringLiteral("StarteJobEndlos"))->text(); }

    std::unique_ptr<KitBoxExecution> execution;
};

} // namespace

// The report's lines are ErgebnisAusgabeTest's; here the windows hand the
// selection to the run and show what the command line prints.
TEST_F(RunWindowTest, F5AndDoubleClickShowTheReportThatTheCommandLinePrints)
{
    // A double click (press and release, then the double-click event) runs the job once.
    selectJob(QStringLiteral("mehrere_saetze"));
    auto *list = jobChild<QListWidget>("JobListe");
    const QRect rect = list->visualItemRect(list->currentItem());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_NE(results(), nullptr);
    EXPECT_TRUE(results()->text().contains(u"\r\nSatz : 5\r\n"));

    selectJob(QStringLiteral("alle_typen"));
    trigger("StarteJob");
    const QString text = results()->text();
    EXPECT_TRUE(text.startsWith(u"apiJob(\"D_MOTOR\",\"alle_typen\",\"\",\"\")\r\n\r\nSatz : 0\r\n"));
    // The runtime's hex texts land in the hex and character columns.
    EXPECT_TRUE(text.contains(
        QString::fromUtf16(u"  WERT_WORD                       = 54321             D4 31  \u00d41      ")));
    EXPECT_TRUE(text.contains(u"  WERT_BINARY                     = 4 Bytes\r\n    0000 : DE AD BE EF"));
    EXPECT_TRUE(results()->ausgabe()->toPlainText().contains(u"WERT_BINARY"));
    const kitbox::testing::CliRun cli =
        kitbox::testing::runCli({QStringLiteral("run"), kDemoFile, QStringLiteral("ALLE_TYPEN")});
    EXPECT_EQ(cli.exitCode, 0) << cli.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(cli.out), text);
}

TEST_F(RunWindowTest, DataFlagAndSeparator)
{
    selectJob(QStringLiteral("daten_schreiben"));
    setArgument(QStringLiteral("0102"));
    jobChild<QCheckBox>("DataFlag")->setChecked(true);
    trigger("StarteJob");
    EXPECT_TRUE(results()->text().startsWith(u"apiJobData(\"D_MOTOR\",\"daten_schreiben\",{DATA}, 2,\"\")\r\n"))
        << results()->text().toStdString();
    jobChild<QCheckBox>("DataFlag")->setChecked(false);
    trigger("StarteJob");
    EXPECT_TRUE(results()->text().startsWith(u"apiJob(\"D_MOTOR\",\"daten_schreiben\",\"0102\",\"\")\r\n"));

    // The separator empties the results and runs nothing, once or continuously.
    auto *list = jobChild<QListWidget>("JobListe");
    const auto separators = list->findItems(QStringLiteral("---- uses:"), Qt::MatchStartsWith);
    ASSERT_FALSE(separators.isEmpty()) << "the demo description inherits jobs";
    list->setCurrentItem(separators.first());
    trigger("StarteJob");
    EXPECT_TRUE(results()->text().isEmpty());
    selectJob(QStringLiteral("status_motor"));
    trigger("StarteJob");
    list->setCurrentItem(separators.first());
    trigger("StarteJobEndlos");
    EXPECT_TRUE(results()->text().isEmpty());
    EXPECT_FALSE(window->runFlags().continuousRun);
    EXPECT_EQ(continuousCaption(), QStringLiteral("&") + texts.text(112));
}

// F6 runs paced by the pause until F6 again (the pacing and the caption's
// mean are JobRunnerTest's); closing the results window meanwhile only
// minimises it.
TEST_F(RunWindowTest, F6RunsContinuouslyAndClosingTheResultsWindowMinimisesIt)
{
    selectJob(QStringLiteral("status_motor"));
    trigger("StarteJob"); // the results window exists from here on
    results()->delayTime()->setValue(500);

    QString captionWhileRunning;
    bool panelWhileRunning = false;
    bool minimisedAndRunning = false;
    QStringList titles;
    clock.setWaitHook([&](int) {
        if (!window->runFlags().continuousRun)
            return;
        if (captionWhileRunning.isEmpty()) {
            results()->close();
            minimisedAndRunning = results() != nullptr && results()->isMinimized();
        }
        captionWhileRunning = continuousCaption();
        panelWhileRunning = results()->delayPanelVisible();
        titles << results()->windowTitle();
        if (execution->runner().runCount() == 3)
            window->menuAction(QStringLiteral("StarteJobEndlos"))->trigger(); // F6 again
    });
    trigger("StarteJobEndlos");

    EXPECT_TRUE(minimisedAndRunning);
    EXPECT_EQ(captionWhileRunning, QStringLiteral("&") + texts.text(113));
    EXPECT_TRUE(panelWhileRunning);
    EXPECT_EQ(execution->runner().runCount(), 3);
    EXPECT_TRUE(titles.contains(QStringLiteral("Results (mittlere Dauer : 500 ms)")))
        << titles.join(u'|').toStdString();
    EXPECT_FALSE(window->runFlags().continuousRun);
    EXPECT_FALSE(results()->delayPanelVisible());
    EXPECT_EQ(continuousCaption(), QStringLiteral("&") + texts.text(112));
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
    output.setText(QStringLiteral("Start\r\n"));
    output.appendText(QStringLiteral("Nr 1\r\n  JOB_STATUS = OKAY\r\n"));
    output.appendText(QString());
    output.appendText(QStringLiteral("Stop"));
    EXPECT_EQ(output.text(), QStringLiteral("Start\r\nNr 1\r\n  JOB_STATUS = OKAY\r\nStop"));
    auto *shown = results()->findChild<QPlainTextEdit *>(QStringLiteral("Ausgabe"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->toPlainText(), QStringLiteral("Start\nNr 1\n  JOB_STATUS = OKAY\nStop"));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// One run logic, two hosts: a test run writes into the results window the
// log that kitbox32-cli test prints, apart from its time stamps.
TEST_F(RunWindowTest, TestRunLogsWhatTheCommandLinePrints)
{
    KitBoxTest tests(*window, services());
    const auto masked = [](QString log) {
        static const QRegularExpression stamp(QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d"));
        static const QRegularExpression duration(QStringLiteral("(Dauer     : )[0-9.,]+ s"));
        return log.replace(stamp, QStringLiteral("<time>")).replace(duration, QStringLiteral("\\1<d> s")).toStdString();
    };
    // Delays, a data step, branches on results, a step that is not run, a group file, a step without output.
    for (const char *name : {"MOTOR_ABLAUF.TST", "GRUPPE_ALT.TST"}) {
        const QString path = QStringLiteral(KITBOX_DATA_DIR "/tst/") + QLatin1String(name);
        const kitbox::testing::CliRun cli = kitbox::testing::runCli({QStringLiteral("test"), path});
        ASSERT_NE(cli.exitCode, -1) << name;
        ASSERT_TRUE(tests.openTestFile(path)) << name;
        tests.starteTest(false);
        ASSERT_NE(results(), nullptr);
        EXPECT_EQ(masked(results()->text()), masked(QString::fromUtf8(cli.out))) << name;
    }
}
