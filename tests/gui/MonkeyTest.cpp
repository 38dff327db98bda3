// A monkey at the workbench: the whole program as main() wires it, offscreen,
// with the demo description loaded, gets random menu commands, F5, F6,
// Escape, typing and window activations from a fixed seed for a while
// (KITBOX_MONKEY_SECONDS, default 15; the long run is 60). Message boxes and
// file dialogs are answered by the scripted dialog service, other modal
// windows are closed with Escape. Nothing may crash, and at the end the
// window must close normally and write its settings file.
#include "../shell/Support.h"
#include "catalogue/KitBoxCatalogue.h"
#include "catalogue/KitBoxTables.h"
#include "catalogue/SifterApi.h"
#include "execution/KitBoxExecution.h"
#include "runtime/InProcessVedamisApi.h"
#include "runtime/KitBoxRuntimeConfig.h"
#include "runtime/RuntimeSession.h"
#include "shell/Clock.h"
#include "shell/InstanceRegistry.h"
#include "shell/KitBox.h"
#include "shell/KitBoxHelp.h"
#include "shell/KitBoxOptions.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/KitBoxTest.h"
#include "trace/KitBoxTrace.h"
#include "uds/KitBoxUdsAssistants.h"
#include "uds/KitBoxUdsCheck.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>

using namespace kitbox;

namespace {

constexpr unsigned kSeed = 20261207;

// Commands that would end the session or leave the test's world.
const QStringList kLeftOut = {QStringLiteral("Beenden")};

// Documents and web pages the help would open are only counted: no browser starts.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    int opened = 0;
public slots:
    void open(const QUrl &) { ++opened; }
};

struct Counts {
    int steps = 0, commands = 0, modalClosed = 0;
};

class Monkey {
public:
    Monkey(KitBox &window, ScriptedDialogService &dialogs, const QString &demoFile, unsigned seed)
        : m_window(window), m_dialogs(dialogs), m_demoFile(demoFile), m_random(seed)
    {
        for (QMenu *menu : window.menuBar()->findChildren<QMenu *>())
            for (QAction *action : menu->actions())
                if (!action->isSeparator() && !action->menu() && !kLeftOut.contains(action->objectName()))
                    m_actions.append(action);
    }

    qsizetype commandCount() const { return m_actions.size(); }
    Counts counts;

    // One random thing a user might do.
    void step()
    {
        ++counts.steps;
        if (QWidget *modal = QApplication::activeModalWidget()) {
            // A modal window gets a few more keys, then Escape; one that
            // ignores Escape is rejected as its close button would.
            if (pick(3) != 0)
                return typeInto(modal);
            QTest::keyClick(modal, Qt::Key_Escape);
            if (QApplication::activeModalWidget() == modal)
                modal->close();
            ++counts.modalClosed;
            return;
        }
        static const Qt::Key keys[] = {Qt::Key_F5, Qt::Key_F6, Qt::Key_Escape, Qt::Key_Down, Qt::Key_Tab};
        QWidget *focus = QApplication::focusWidget();
        QWidget *target = focus ? focus : &m_window;
        const int what = pick(10);
        if (what < 3) {
            QAction *action = m_actions.at(pick(int(m_actions.size())));
            if (!action->isEnabled())
                return;
            // Now and then a file dialog gets the copied demo file instead of a cancel.
            if (pick(4) == 0)
                m_dialogs.setNextFileName(m_demoFile);
            action->trigger();
            ++counts.commands;
        } else if (what < 6) {
            QTest::keyClick(target, keys[pick(int(std::size(keys)))]);
        } else if (what < 8) {
            typeInto(target);
        } else {
            activateSomeWindow();
        }
    }

    // Stops a continuous run or a test run and closes what is modal; true when all is quiet.
    bool calmDown()
    {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            modal->close();
            ++counts.modalClosed;
            return false;
        }
        if (m_window.runFlags().continuousRun || m_window.runFlags().testRun) {
            m_window.runFlags().continuousRun = false;
            m_window.runFlags().testRun = false;
            return false;
        }
        return true;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    void typeInto(QWidget *widget)
    {
        static const char *const words[] = {"status_motor", "0x22", "D_MOTOR", ";", "Ärger", "12;34", " ", "ident"};
        QTest::keyClicks(widget, QString::fromUtf8(words[pick(int(std::size(words)))]));
    }

    void activateSomeWindow()
    {
        const QList<QMdiSubWindow *> windows = m_window.mdiArea()->subWindowList();
        if (windows.isEmpty() || pick(5) == 0) {
            m_window.activateWindow();
        } else {
            QMdiSubWindow *sub = windows.at(pick(int(windows.size())));
            m_window.mdiArea()->setActiveSubWindow(sub);
            if (QWidget *inner = sub->widget())
                inner->setFocus();
        }
    }

    KitBox &m_window;
    ScriptedDialogService &m_dialogs;
    QString m_demoFile;
    std::mt19937 m_random;
    QList<QAction *> m_actions;
};

TEST(MonkeyTest, RandomUseForAWhileEndsInANormalShutdownThatWritesTheSettings)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    UrlCatcher urls;
    const char *const schemes[] = {"file", "http", "https", "mailto"};
    for (const char *scheme : schemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &urls, "open");
    const std::unique_ptr<void, std::function<void(void *)>> unsetHandlers(&urls, [&](void *) {
        for (const char *scheme : schemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    });

    TextCatalogue texts;
    ASSERT_TRUE(texts.loadBuiltIn().ok());
    ScriptedDialogService dialogs;
    InProcessVedamisApi api;
    Settings settings;
    SettingsLocations locations;
    locations.userConfigDir = dir.filePath(QStringLiteral("config"));
    locations.programDirectory = dir.filePath(QStringLiteral("bin"));
    locations.fileName = QStringLiteral("kitbox32.INI");
    // A copy of the demo fleet: save dialogs get these names too, and
    // whatever the monkey writes must not reach the build's demo data.
    for (const char *sub : {"ecu", "sim"}) {
        const QDir from(QStringLiteral(KITBOX_DATA_DIR "/") + QLatin1String(sub));
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QLatin1String(sub))));
        for (const QString &name : from.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(from.filePath(name), dir.filePath(QLatin1String(sub) + u'/' + name)));
    }
    const QString demoFile = dir.filePath(QStringLiteral("ecu/D_MOTOR.prg"));
    // The runtime's own settings: the copied fleet in simulation.
    const QString runtimeIni = dir.filePath(QStringLiteral("vedamis.ini"));
    writeAll(runtimeIni, QStringLiteral("EcuPath=%1\nSimulationPath=%2\nSimulation=1\nJobTimeout=2000\n")
                             .arg(dir.filePath(QStringLiteral("ecu")), dir.filePath(QStringLiteral("sim")))
                             .toLocal8Bit());
    qputenv("VEDAMIS_INI", runtimeIni.toLocal8Bit());
    RuntimeSession session(api, dialogs, texts);
    // A registry of its own: another program on this machine is no other instance of this one.
    InstanceRegistry registry(QStringLiteral("Kitbox32 monkey test %1").arg(QCoreApplication::applicationPid()));
    SystemClock clock;
    const KitBoxServices services{settings, texts, dialogs, session, registry, clock, locations, [] { return false; }};

    auto sifter = createSifter(QProcessEnvironment());
    ASSERT_TRUE(sifter.ok()) << sifter.error();
    KitBox window(services);
    KitBoxCatalogue catalogue(window, services, api, *sifter.value());
    KitBoxExecution execution(window, services, api, catalogue);
    KitBoxTables tables(window, services, catalogue);
    KitBoxRuntimeConfig runtimeConfig(window, services);
    KitBoxTrace trace(window, services, catalogue);
    QObject::connect(&runtimeConfig, &KitBoxRuntimeConfig::simulationSwitched, &trace, &KitBoxTrace::loadSimulation);
    QObject::connect(&runtimeConfig, &KitBoxRuntimeConfig::traceSwitched, &trace, &KitBoxTrace::showTrace);
    KitBoxUdsAssistants udsAssistants(catalogue, texts, dialogs, clock);
    KitBoxUdsCheck udsCheck(window, services, catalogue);
    KitBoxOptions programOptions(window, services);
    QObject::connect(&programOptions, &KitBoxOptions::detailOptionsChanged, &catalogue,
                     &KitBoxCatalogue::refillCatalogue);
    KitBoxHelp help(window, services, [] { return std::array<qint64, 4>{}; });
    KitBoxTest testMatrix(window, services);
    testMatrix.setUdsDescriptionQuery([&catalogue] { return catalogue.catalogue().isUdsSgbd; });

    ASSERT_EQ(window.load(QString()), StartSequence::Outcome::Run);
    window.show();
    catalogue.sgbdLaden(demoFile);
    ASSERT_NE(catalogue.jobForm(), nullptr);

    // Another seed walks other paths; the line at the end names the one used, to repeat a run.
    bool seedGiven = false;
    const unsigned given = qEnvironmentVariable("KITBOX_MONKEY_SEED").toUInt(&seedGiven);
    const unsigned seed = seedGiven ? given : kSeed;
    Monkey monkey(window, dialogs, demoFile, seed);
    ASSERT_GT(monkey.commandCount(), 20);
    const int asked = qEnvironmentVariableIntValue("KITBOX_MONKEY_SECONDS");
    const int seconds = asked > 0 ? asked : 15;
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    // Each step first asks for the next one on a timer of its own: a timer
    // does not fire again while its own handler runs, and a step may stay
    // inside a command's loop (a continuous run, a modal window), which is
    // when users press keys too.
    std::function<void()> next = [&] {
        if (elapsed.elapsed() < seconds * 1000) {
            QTimer::singleShot(2, next);
            monkey.step();
        } else if (monkey.calmDown()) {
            loop.quit();
        } else {
            QTimer::singleShot(2, next);
        }
    };
    QTimer::singleShot(0, next);
    loop.exec();

    // Whatever the monkey left open, the window closes as a user closes it
    // who keeps none of what the monkey typed (a test, a simulation file).
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (int i = 0; i < 3; ++i)
        dialogs.setNextAnswer(DialogAnswer::No);
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("config/kitbox32.INI"))).contains("APP_WIDTH"))
        << "no settings file written";

    const Counts &c = monkey.counts;
    std::printf("monkey: %d s, seed %u, %d steps, %d commands, %d modal windows closed, %lld dialogs answered, %d "
                "documents not opened\n",
                seconds, seed, c.steps, c.commands, c.modalClosed, static_cast<long long>(dialogs.shown().size()),
                urls.opened);
    EXPECT_GT(c.commands, 0);
    qunsetenv("VEDAMIS_INI");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "MonkeyTest.moc"
