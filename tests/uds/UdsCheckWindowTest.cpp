// The UDS check from the file menu, offscreen: the main window with the demo
// descriptions loaded through the real runtime and locator, the simulation
// editor following each load (its colouring is no edit: TraceWindowTest), the
// scripted dialog service answering the multi-select dialog.
#include "Workbench.h"
#include "catalogue/Job_Form.h"
#include "execution/Res_Form.h"
#include "uds/KitBoxUdsCheck.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>

using namespace kitbox;
using kitbox::test::demoFile;
using namespace Qt::StringLiterals;

namespace {

QString demo(const char *name)
{
    return demoFile(QStringLiteral("ecu/") + QString::fromLatin1(name));
}

// The main window with the UDS check, the simulation on the demo fleet's files.
class UdsCheckWindowTest : public ::testing::Test, public test::Workbench {
protected:
    UdsCheckWindowTest() : Workbench(QStringLiteral("Kitbox32 UDS check test"), demoFile(QStringLiteral("sim")))
    {
        check = std::make_unique<KitBoxUdsCheck>(*window, services(), *catalogue);
        window->show();
    }
    ~UdsCheckWindowTest() override { check.reset(); }

    QString results() { return window->resultsWindow(false) ? window->resultsWindow(false)->text() : QString(); }
    QAction *single() { return window->menuAction(QStringLiteral("UDS_Check_Single")); }
    QString broken()
    {
        const QString path = dir.filePath(QStringLiteral("D_KAPUTT.prg"));
        test::writeFile(path, "not a description");
        return path;
    }
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
    EXPECT_TRUE(text.startsWith(u"================================\r\nD_PRUEF: Start Prüfung\r\n"))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u"old text"));
    EXPECT_TRUE(text.contains(u"!"));
}

// The list mode over the answers of the multi-select dialog ("broken" stands for
// a file the runtime refuses).
TEST_F(UdsCheckWindowTest, ListModeByTheChosenFiles)
{
    const QString motor = demo("D_MOTOR.prg"), pruef = demo("D_PRUEF.prg"), frame = QString(32, u'=');
    const struct {
        const char *name;
        QList<QStringList> answers;
        QStringList messageStarts; // message boxes, by the start of their text
        QStringList expectedLines; // lines of the results text, in order
        int frames;                // complete reports
        QString loadedAfter;       // the description left loaded; empty: the one before
    } cases[] = {
        {"cancelled", {{}}, {}, {u"kept"_s}, 0, {}},
        {"one file: no list header", {{pruef}}, {}, {frame, u"D_PRUEF: Start Prüfung"_s}, 1, u"D_PRUEF"_s},
        {"three files: the header, then three reports, the last one stays loaded",
         {{motor, demo("D_ALT.prg"), pruef}},
         {},
         {frame, u"Liste zu prüfender SGBDen"_s, frame, u"1: D_MOTOR.prg"_s, u"2: D_ALT.prg"_s, u"3: D_PRUEF.prg"_s,
          u"D_MOTOR: Start Prüfung"_s, u"D_ALT: Start Prüfung"_s, u"  ! Tabelle SG_FUNKTIONEN existiert nicht!"_s,
          u"D_PRUEF: Start Prüfung"_s, u"D_PRUEF: Ende Prüfung"_s},
         3,
         u"D_PRUEF"_s},
        {"another extension warns and asks again",
         {{u"/tmp/notes.txt"_s}, {}},
         {u"/tmp/notes.txt\nKein gültiger Name."_s},
         {u"kept"_s},
         0,
         {}},
        {"a missing file warns and ends",
         {{motor, demo("D_GIBTSNICHT.prg")}},
         {demo("D_GIBTSNICHT.prg") + u"\nSGBD, Gruppendatei nicht gefunden."_s},
         {u"kept"_s},
         0,
         {}},
        {"a description the runtime refuses adds its error line without a box, the run goes on",
         {{u"broken"_s, motor}},
         {},
         {u"2: D_MOTOR.prg"_s, u"VEDAMIS Fehler"_s, u"D_KAPUTT: Start Prüfung"_s, u"D_MOTOR: Start Prüfung"_s},
         2,
         u"D_MOTOR"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clear();
        for (QStringList answer : c.answers)
            dialogs.setNextFileNames(answer.replaceInStrings(u"broken"_s, broken()));
        window->results().setText(u"kept\r\n"_s);
        const QString loadedBefore = catalogue->catalogue().loadedName;
        check->checkList();
        EXPECT_EQ(dialogs.pendingAnswers(), 0);
        ASSERT_EQ(dialogs.messages().size(), c.messageStarts.size());
        for (int i = 0; i < c.messageStarts.size(); ++i)
            EXPECT_TRUE(dialogs.messages().at(i).text.startsWith(c.messageStarts.at(i)));
        const QString text = results();
        qsizetype from = 0;
        for (const QString &line : c.expectedLines) {
            const qsizetype at = text.indexOf(line, from);
            EXPECT_GE(at, 0) << line.toStdString() << " in order in\n" << text.toStdString();
            from = at < 0 ? from : at + line.size();
        }
        EXPECT_EQ(text.count(u": Ende Prüfung\r\n"_s), c.frames) << text.toStdString();
        EXPECT_EQ(catalogue->catalogue().loadedName, c.loadedAfter.isEmpty() ? loadedBefore : c.loadedAfter);
        EXPECT_FALSE(catalogue->udsCheckActive()) << "the batch flag is cleared after every run";
    }
    // The last description's job list is the one shown, and its state drives the single check.
    auto *jobs = catalogue->jobForm()->findChild<QListWidget *>(u"JobListe"_s);
    ASSERT_NE(jobs, nullptr);
    EXPECT_FALSE(jobs->findItems(u"status_motor"_s, Qt::MatchFixedString).isEmpty());
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

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
