// The simulation editor and the trace window inside the main window, offscreen,
// with the demo description loaded through the real runtime: the windows hand
// the user's edits and switches to the rules tested without a window.
#include "Workbench.h"
#include "catalogue/Job_Form.h"
#include "runtime/KitBoxRuntimeConfig.h"
#include "runtime/Kon_Form.h"
#include "trace/Ifh_Form.h"
#include "trace/Sim_Form.h"
#include "trace/TraceLineModel.h"
#include "trace/TraceLoader.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTest>

using namespace kitbox;
using kitbox::test::readAll;
using namespace Qt::StringLiterals;

namespace {

// One start of the program on a copy of the demo simulation file, with the
// runtime configuration window switching simulation and trace.
struct TraceBench : test::Workbench {
    TraceBench() : Workbench(u"Kitbox32 trace window test"_s)
    {
        QDir().mkpath(dir.filePath(u"sim"_s));
        QDir().mkpath(dir.filePath(u"trace"_s));
        EXPECT_TRUE(QFile::copy(test::demoFile(u"sim/D_MOTOR.SIM"_s), simFile()));
        original = readAll(simFile());
        config = std::make_unique<KitBoxRuntimeConfig>(*window, services());
        QObject::connect(config.get(), &KitBoxRuntimeConfig::simulationSwitched, trace.get(),
                         &KitBoxTrace::loadSimulation);
        QObject::connect(config.get(), &KitBoxRuntimeConfig::traceSwitched, trace.get(), &KitBoxTrace::showTrace);
        // The whole start, so that the end of the program runs its steps.
        EXPECT_EQ(window->load(QString()), StartSequence::Outcome::Run);
        EXPECT_TRUE(api.apiSetConfig(u"SimulationPath"_s, dir.filePath(u"sim"_s)));
        EXPECT_TRUE(api.apiSetConfig(u"TracePath"_s, dir.filePath(u"trace"_s)));
        window->show();
        catalogue->sgbdLaden(test::demoFile(u"ecu/D_MOTOR.prg"_s));
    }
    ~TraceBench() override { config.reset(); }
    QString simFile() const { return dir.filePath(u"sim/D_MOTOR.SIM"_s); }
    Sim_Form *sim() const { return trace->simulationWindow(); }
    QAction *saveEntry() const { return window->menuAction(u"SimulationSpeichern"_s); }
    QString position() const { return window->findChild<QLabel *>(u"Editorposition"_s)->text(); }
    // The runtime configuration window's option box, clicked.
    void clickOption(const char *name)
    {
        config->showWindow();
        auto *box = config->window()->findChild<QCheckBox *>(QString::fromLatin1(name));
        ASSERT_NE(box, nullptr) << name;
        box->click();
    }

    QByteArray original;
    std::unique_ptr<KitBoxRuntimeConfig> config;
};

// Which answer saves and what a failed save keeps are the editor's rules.
TEST(SimulationWindow, EndingTheProgramAsksAfterAnEditAndTheSaveEntryWrites)
{
    TraceBench w;
    ASSERT_NE(w.sim(), nullptr);
    // The loaded text is coloured by its check; that is no edit.
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.saveEntry()->isEnabled());
    QPlainTextEdit *edit = w.sim()->simFile();
    edit->moveCursor(QTextCursor::Start);
    QTest::keyClicks(edit, u"; mine"_s);
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(w.saveEntry()->isEnabled());
    w.dialogs.setNextAnswer(DialogAnswer::Cancel);
    EXPECT_FALSE(w.window->close());
    ASSERT_EQ(w.dialogs.messages().size(), 1);
    EXPECT_EQ(w.dialogs.messages().first().buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(readAll(w.simFile()), w.original);

    w.saveEntry()->trigger();
    EXPECT_EQ(readAll(w.simFile()), "; mine\n" + w.original);
    EXPECT_FALSE(w.saveEntry()->isEnabled());
    EXPECT_TRUE(w.window->close());
    EXPECT_EQ(w.dialogs.messages().size(), 1);
}

TEST(SimulationWindow, FollowsTheSimulationSwitchOfTheRuntimeConfiguration)
{
    TraceBench w;
    ASSERT_NE(w.sim(), nullptr);
    const QString open = u"Simulationsdatei : "_s + w.simFile().toUpper();
    EXPECT_EQ(w.sim()->windowTitle(), open);
    // At the first start the editor waits minimised, out of the job window's
    // way: it neither becomes the active window nor shows its caret position.
    EXPECT_TRUE(w.sim()->isMinimized());
    ASSERT_NE(w.window->mdiArea()->activeSubWindow(), nullptr);
    EXPECT_EQ(w.window->mdiArea()->activeSubWindow()->widget(), w.catalogue->jobForm());
    EXPECT_TRUE(w.position().isEmpty()) << w.position().toStdString();
    w.sim()->showNormal();
    w.clickOption("Flag0");
    EXPECT_EQ(w.session->configValue(u"Simulation"_s), u"0"_s);
    EXPECT_EQ(w.sim()->windowTitle(), u"Simulation aus"_s);
    EXPECT_FALSE(w.sim()->isVisible());
    w.clickOption("Flag0");
    EXPECT_EQ(w.sim()->windowTitle(), open);
    EXPECT_FALSE(w.sim()->isMinimized()); // as the user left it
    EXPECT_EQ(w.sim()->text().toUtf8(), w.original);
    // Another description leaves a minimised editor minimised.
    w.sim()->showMinimized();
    w.catalogue->sgbdLaden(test::demoFile(u"ecu/D_MOTOR.prg"_s));
    EXPECT_TRUE(w.sim()->isMinimized());
    EXPECT_TRUE(w.dialogs.messages().isEmpty()); // nothing was edited: no question
}

TEST(TraceWindow, ShowsTheTelegramsOfARunAndClearsThem)
{
    TraceBench w;
    w.clickOption("Flag1"); // IfhTrace at level 1
    Ifh_Form *ifh = w.trace->traceWindow();
    ASSERT_NE(ifh, nullptr);
    EXPECT_EQ(ifh->windowTitle(), u"IFH Trace ein"_s);
    w.api.apiJob(u"D_MOTOR"_s, u"status_motor"_s, QString(), QString());
    w.clickOption("Flag1"); // off again
    EXPECT_EQ(ifh->windowTitle(), u"IFH Trace"_s);
    QElapsedTimer waited;
    waited.start();
    while (ifh->loader().busy() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(ifh->model().text().contains(u"REQ 22 40 00"_s)) << ifh->model().text().toStdString();
    // The status line counts the lines loaded, not those there were when the
    // window opened.
    EXPECT_TRUE(w.position().contains(u" von "_s + QString::number(ifh->model().rowCount()) + u' '))
        << w.position().toStdString();

    QAction *clear = w.window->menuAction(u"IfhTraceLöschen"_s);
    ASSERT_TRUE(clear->isEnabled());
    clear->trigger();
    EXPECT_FALSE(QFile::exists(w.dir.filePath(u"trace/IFH.TRC"_s)));
    EXPECT_FALSE(w.window->menuAction(u"IfhTraceAnzeigen"_s)->isEnabled());
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_EQ(ifh->windowTitle(), u"IFH Tracedatei : keine"_s);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
