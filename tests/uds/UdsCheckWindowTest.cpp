// The UDS check from the file menu, offscreen: the main window with the demo
// descriptions loaded through the real runtime and locator, the simulation
// editor following each load, the scripted dialog service answering the
// multi-select dialog.
#include "catalogue/Job_Form.h"
#include "catalogue/KitBoxCatalogue.h"
#include "catalogue/SifterApi.h"
#include "execution/Res_Form.h"
#include "runtime/InProcessVedamisApi.h"
#include "runtime/RuntimeSession.h"
#include "shell/FakeClock.h"
#include "shell/InstanceRegistry.h"
#include "shell/KitBox.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "trace/KitBoxTrace.h"
#include "uds/KitBoxUdsCheck.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace kitbox;

namespace {

QString demo(const char *name)
{
    return QStringLiteral(KITBOX_DATA_DIR "/ecu/") + QString::fromLatin1(name);
}

class UdsCheckWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(texts.loadBuiltIn().ok());
        locations.userConfigDir = dir.filePath(QStringLiteral("config"));
        locations.programDirectory = dir.filePath(QStringLiteral("bin"));
        locations.fileName = QStringLiteral("kitbox32.INI");
        ASSERT_TRUE(api.apiInit());
        ASSERT_TRUE(api.apiSetConfig(QStringLiteral("SimulationPath"), QStringLiteral(KITBOX_DATA_DIR "/sim")));
        auto created = createSifter(QProcessEnvironment());
        ASSERT_TRUE(created.ok()) << created.error();
        sifter = std::move(created).value();
        session = std::make_unique<RuntimeSession>(api, dialogs, texts);
        const KitBoxServices services{settings, texts, dialogs,   *session,
                                      registry, clock, locations, [] { return false; }};
        window = std::make_unique<KitBox>(services);
        catalogue = std::make_unique<KitBoxCatalogue>(*window, services, api, *sifter);
        trace = std::make_unique<KitBoxTrace>(*window, services, *catalogue);
        check = std::make_unique<KitBoxUdsCheck>(*window, services, *catalogue);
        window->show();
    }
    void TearDown() override
    {
        check.reset();
        trace.reset();
        catalogue.reset();
        window.reset();
        api.apiEnd();
    }

    QString results() { return window->resultsWindow(false) ? window->resultsWindow(false)->text() : QString(); }
    QAction *single() { return window->menuAction(QStringLiteral("UDS_Check_Single")); }
public:
    QString broken()
    {
        const QString path = dir.filePath(QStringLiteral("D_KAPUTT.prg"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a description");
        return path;
    }

protected:
    QTemporaryDir dir;
    TextCatalogue texts;
    InProcessVedamisApi api;
    std::unique_ptr<SifterApi> sifter;
    ScriptedDialogService dialogs;
    Settings settings;
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    InstanceRegistry registry{QStringLiteral("Kitbox32 UDS check test")};
    SettingsLocations locations;
    std::unique_ptr<RuntimeSession> session;
    std::unique_ptr<KitBox> window;
    std::unique_ptr<KitBoxCatalogue> catalogue;
    std::unique_ptr<KitBoxTrace> trace;
    std::unique_ptr<KitBoxUdsCheck> check;
};

} // namespace

TEST_F(UdsCheckWindowTest, SingleCheckFollowsTheLoadedDescription)
{
    // Nothing loaded: the command is off, and asking anyway gets the hint.
    EXPECT_FALSE(single()->isEnabled());
    check->checkSingle();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().first().text, texts.text(550));

    catalogue->sgbdLaden(demo("D_ALT.prg"));
    EXPECT_FALSE(single()->isEnabled()) << "D_ALT has no function table of its own";
    catalogue->sgbdLaden(demo("D_PRUEF.prg"));
    ASSERT_TRUE(single()->isEnabled());
    window->results().setText(QStringLiteral("old text\r\n"));
    single()->trigger();
    const QString text = results();
    EXPECT_TRUE(text.startsWith(u"================================\r\nD_PRUEF: Start Prüfung\r\n")) << text.toStdString();
    EXPECT_FALSE(text.contains(u"old text"));
    EXPECT_TRUE(text.contains(u"!"));
}

// The list mode over the answers of the multi-select dialog.
TEST_F(UdsCheckWindowTest, ListModeByTheChosenFiles)
{
    struct Case {
        const char *name;
        std::function<QList<QStringList>(UdsCheckWindowTest &)> answers;
        QStringList messageStarts;  // message boxes, by the start of their text
        QStringList expectedLines;  // lines of the results text, in order
        int frames;                 // complete reports
        const char *loadedAfter;    // the description left loaded
    };
    const QString frame = QStringLiteral("================================");
    const QList<Case> cases = {
        {"cancelled", [](auto &) { return QList<QStringList>{{}}; }, {}, {QStringLiteral("kept")}, 0, ""},
        {"one file: no list header",
         [](auto &) { return QList<QStringList>{{demo("D_PRUEF.prg")}}; },
         {},
         {frame, QStringLiteral("D_PRUEF: Start Prüfung")},
         1,
         "D_PRUEF"},
        {"three files: the header, then three reports, the last one stays loaded",
         [](auto &) {
             return QList<QStringList>{{demo("D_MOTOR.prg"), demo("D_ALT.prg"), demo("D_PRUEF.prg")}};
         },
         {},
         {frame, QStringLiteral("Liste zu prüfender SGBDen"), frame, QStringLiteral("1: D_MOTOR.prg"),
          QStringLiteral("2: D_ALT.prg"), QStringLiteral("3: D_PRUEF.prg"), QStringLiteral("D_MOTOR: Start Prüfung"),
          QStringLiteral("D_ALT: Start Prüfung"), QStringLiteral("  ! Tabelle SG_FUNKTIONEN existiert nicht!"),
          QStringLiteral("D_PRUEF: Start Prüfung"), QStringLiteral("D_PRUEF: Ende Prüfung")},
         3,
         "D_PRUEF"},
        {"another extension warns and asks again",
         [](auto &) { return QList<QStringList>{{QStringLiteral("/tmp/notes.txt")}, {}}; },
         {QStringLiteral("/tmp/notes.txt\n") + QStringLiteral("Kein gültiger Name.")},
         {QStringLiteral("kept")},
         0,
         ""},
        {"a missing file warns and ends",
         [](auto &) { return QList<QStringList>{{demo("D_MOTOR.prg"), demo("D_GIBTSNICHT.prg")}}; },
         {demo("D_GIBTSNICHT.prg") + QStringLiteral("\nSGBD, Gruppendatei nicht gefunden.")},
         {QStringLiteral("kept")},
         0,
         ""},
        {"a description the runtime refuses adds its error line without a box, the run goes on",
         [](UdsCheckWindowTest &t) { return QList<QStringList>{{t.broken(), demo("D_MOTOR.prg")}}; },
         {},
         {QStringLiteral("2: D_MOTOR.prg"), QStringLiteral("VEDAMIS Fehler"), QStringLiteral("D_KAPUTT: Start Prüfung"),
          QStringLiteral("D_MOTOR: Start Prüfung")},
         2,
         "D_MOTOR"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clear();
        for (const QStringList &answer : c.answers(*this))
            dialogs.setNextFileNames(answer);
        window->results().setText(QStringLiteral("kept\r\n"));
        const QString loadedBefore = catalogue->catalogue().loadedName;
        check->checkList();
        EXPECT_EQ(dialogs.pendingAnswers(), 0);

        QStringList shown;
        for (const ShownDialog &d : dialogs.messages())
            shown << d.text;
        ASSERT_EQ(shown.size(), c.messageStarts.size()) << shown.join(u'|').toStdString();
        for (int i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown.at(i).startsWith(c.messageStarts.at(i))) << shown.at(i).toStdString();

        const QString text = results();
        qsizetype from = 0;
        for (const QString &line : c.expectedLines) {
            const qsizetype at = text.indexOf(line, from);
            EXPECT_GE(at, 0) << line.toStdString() << " in order in\n" << text.toStdString();
            from = at < 0 ? from : at + line.size();
        }
        EXPECT_EQ(text.count(QStringLiteral(": Ende Prüfung\r\n")), c.frames) << text.toStdString();
        const QString expectedLoaded = *c.loadedAfter ? QString::fromLatin1(c.loadedAfter) : loadedBefore;
        EXPECT_EQ(catalogue->catalogue().loadedName, expectedLoaded);
        EXPECT_FALSE(catalogue->udsCheckActive()) << "the batch flag is cleared after every run";
    }
    // The last description's job list is the one shown, and its state drives the single check.
    ASSERT_NE(catalogue->jobForm(), nullptr);
    auto *jobs = catalogue->jobForm()->findChild<QListWidget *>(QStringLiteral("JobListe"));
    ASSERT_NE(jobs, nullptr);
    EXPECT_FALSE(jobs->findItems(QStringLiteral("status_motor"), Qt::MatchFixedString).isEmpty());
    EXPECT_TRUE(single()->isEnabled());
}

TEST_F(UdsCheckWindowTest, TheListCommandStopsARunningList)
{
    QAction *list = window->menuAction(QStringLiteral("UDS_Check_List"));
    ASSERT_NE(list, nullptr);
    QStringList captions;
    QObject::connect(check.get(), &KitBoxUdsCheck::listProgress, check.get(), [&](int done, int) {
        captions << list->text();
        if (done == 1)
            list->trigger();
    });
    dialogs.setNextFileNames({demo("D_MOTOR.prg"), demo("D_ALT.prg"), demo("D_PRUEF.prg")});
    list->trigger();
    const QString text = results();
    EXPECT_EQ(text.count(QStringLiteral(": Ende Prüfung\r\n")), 1) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u"UDS Check angehalten nach 1 von 3 SGBDen.\r\n")) << text.toStdString();
    EXPECT_EQ(captions, QStringList{texts.text(22001)});
    EXPECT_EQ(list->text(), texts.text(197));
    EXPECT_FALSE(check->listRunning());
    EXPECT_EQ(catalogue->catalogue().loadedName, QStringLiteral("D_MOTOR"));
}

// The list run loads silently only while the simulation editor is unchanged,
// so its colouring must not count as an edit, while typing still must.
TEST_F(UdsCheckWindowTest, OnlyTypingChangesTheSimulationEditor)
{
    QAction *save = window->menuAction(QStringLiteral("SimulationSpeichern"));
    ASSERT_NE(save, nullptr);
    catalogue->sgbdLaden(demo("D_PRUEF.prg"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(save->isEnabled());
    QPlainTextEdit *sim = nullptr;
    for (QPlainTextEdit *edit : window->findChildren<QPlainTextEdit *>())
        if (edit->toPlainText().contains(u"D_PRUEF"))
            sim = edit;
    ASSERT_NE(sim, nullptr);
    QTest::keyClicks(sim, QStringLiteral("; x"));
    EXPECT_TRUE(save->isEnabled());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
