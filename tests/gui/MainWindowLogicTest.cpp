// The main window's rules that need no window: the menu table, sizes and
// header layout, editor status, print page, command line pieces, dialogs.
#include "shell/FakeClock.h"
#include "shell/MainMenuModel.h"
#include "shell/MainWindowRules.h"
#include "shell/ScriptedDialogService.h"
#include "shell/StartArguments.h"
#include "shell/TextCatalogue.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace kitbox;
namespace M = kitbox::MainWindowRules;

namespace {

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *t : texts)
        list << QString::fromUtf8(t);
    return list;
}

TextCatalogue germanTexts()
{
    TextCatalogue texts;
    EXPECT_TRUE(texts.loadBuiltIn().ok());
    return texts;
}

} // namespace

TEST(MenuTable, EveryCommandHasACatalogueCaptionInBothLanguages)
{
    TextCatalogue texts = germanTexts();
    QSet<QString> names;
    for (const MenuEntry &e : MainMenuModel::entries()) {
        EXPECT_FALSE(names.contains(e.objectName)) << e.objectName.toStdString();
        names.insert(e.objectName);
        if (e.kind == MenuEntry::Kind::Command || e.kind == MenuEntry::Kind::Submenu) {
            EXPECT_FALSE(MainMenuModel::caption(e, texts).isEmpty()) << e.objectName.toStdString();
            if (e.textId != 0) {
                EXPECT_TRUE(texts.contains(10000 + e.textId)) << e.objectName.toStdString();
            }
        }
        if (e.kind != MenuEntry::Kind::Submenu) {
            EXPECT_NE(MainMenuModel::find(e.parent), nullptr) << e.objectName.toStdString();
        }
    }
}

TEST(MenuTable, KeysAndStartStatesOfTheFileAndJobMenus)
{
    const struct {
        const char *name;
        const char *key;
        MenuEntry::StartState state;
    } expected[] = {
        {"SGBDLaden", "F3", MenuEntry::StartState::Enabled},
        {"SimulationSpeichern", "F2", MenuEntry::StartState::Disabled},
        {"TestLaden", "Ctrl+F3", MenuEntry::StartState::Enabled},
        {"TestSpeichern", "Ctrl+F2", MenuEntry::StartState::Disabled},
        {"UDS_Check_List", "", MenuEntry::StartState::Hidden},
        {"PrintFile", "Ctrl+P", MenuEntry::StartState::Disabled},
        {"Jobauswahl", "Ctrl+J", MenuEntry::StartState::Disabled},
        {"StarteJob", "F5", MenuEntry::StartState::Disabled},
        {"StarteJobEndlos", "F6", MenuEntry::StartState::Disabled},
        {"TestBearbeiten", "Ctrl+B", MenuEntry::StartState::Disabled},
        {"StarteTestschritt", "F7", MenuEntry::StartState::Disabled},
        {"StarteTest", "F8", MenuEntry::StartState::Disabled},
        {"KonfigVedamis", "Ctrl+E", MenuEntry::StartState::Enabled},
        {"KonfigKitbox", "Ctrl+T", MenuEntry::StartState::Enabled},
        {"IfhTraceAnzeigen", "Ctrl+I", MenuEntry::StartState::Disabled},
        {"LastFile3", "", MenuEntry::StartState::Hidden},
    };
    for (const auto &x : expected) {
        const MenuEntry *e = MainMenuModel::find(QString::fromUtf8(x.name));
        ASSERT_NE(e, nullptr) << x.name;
        EXPECT_EQ(e->shortcut, QString::fromUtf8(x.key)) << x.name;
        EXPECT_EQ(e->startState, x.state) << x.name;
    }
}

TEST(MenuTable, SeparatorsStandInTheGivenOrder)
{
    QStringList separators;
    for (const MenuEntry &e : MainMenuModel::entries()) {
        if (e.kind == MenuEntry::Kind::Separator)
            separators << e.objectName;
    }
    EXPECT_EQ(separators, (strings({"Trennlinie11", "Trennlinie12", "Trennlinie20", "Trennlinie13", "Trennlinie",
                                    "Trennlinie15", "Trennlinie21", "Trennlinie5"})));
    // The recent files sit between their separator and the next one.
    const QList<MenuEntry> file = MainMenuModel::children(QStringLiteral("Datei"));
    qsizetype at = -1;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i].objectName == QLatin1String("Trennlinie"))
            at = i;
    }
    ASSERT_GE(at, 0);
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(file.value(at + n).objectName, QStringLiteral("LastFile") + QString::number(n));
    EXPECT_EQ(file.last().objectName, QStringLiteral("Beenden"));
}

TEST(Toolbar, ThirteenButtonsWithoutIndexTwelve)
{
    TextCatalogue texts = germanTexts();
    QList<int> indices;
    for (const ToolbarButton &b : MainMenuModel::toolbar()) {
        indices << b.index;
        EXPECT_NE(MainMenuModel::find(b.command), nullptr) << b.command.toStdString();
    }
    EXPECT_EQ(indices, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13}));
    EXPECT_EQ(MainMenuModel::hintText(0, texts), QStringLiteral("SGBD, Gruppendatei Laden"));
    EXPECT_EQ(MainMenuModel::hintText(11, texts), QStringLiteral("Hilfe"));
    EXPECT_EQ(MainMenuModel::hintText(13, texts), QStringLiteral("Drucken des Ausgabefensters"));
    EXPECT_EQ(MainMenuModel::hintText(12, texts), QString());
    EXPECT_EQ(MainMenuModel::unknownIndexMessage(12, texts), QStringLiteral("unbekannter Index: 12"));
    texts.selectLanguage(QStringLiteral("E"));
    EXPECT_EQ(MainMenuModel::hintText(7, texts), QStringLiteral("Start Job continualy"));
}

TEST(EditMenu, CommandsOneToSixWithTheirSeparators)
{
    QStringList names;
    QList<int> commands;
    for (const EditMenuEntry &e : MainMenuModel::editMenu()) {
        names << e.objectName;
        commands << e.command;
    }
    EXPECT_EQ(names, (strings({"Rueckgaengig", "Trennlinie16", "Ausschneiden", "Kopieren", "Einfuegen", "Loeschen",
                               "Trennlinie17", "Alles_markieren"})));
    EXPECT_EQ(commands, (QList<int>{1, 0, 2, 3, 4, 5, 0, 6}));
}

TEST(RecentFileCaption, NumberAndPathRoundTrip)
{
    const QString caption = MainMenuModel::recentFileCaption(3, QStringLiteral("/ECU/D_MOTOR.PRG"));
    EXPECT_EQ(caption, QStringLiteral("&3 /ECU/D_MOTOR.PRG"));
    EXPECT_EQ(MainMenuModel::recentFilePath(caption), QStringLiteral("/ECU/D_MOTOR.PRG"));
}

TEST(MainWindowSize, HeightSpringsBackTo3700AndWidthToTheHeaderMinimum)
{
    const int minimum = M::minimumWidth(800, 4000, 2000);
    EXPECT_EQ(minimum, 7760);
    EXPECT_EQ(M::constrainedSize({5000, 1000}, minimum), (M::Size{7760, 3700}));
    EXPECT_EQ(M::constrainedSize({9000, 6000}, minimum), (M::Size{9000, 6000}));
}

TEST(MainWindowHeader, LabelsRightAlignedAndTitleCentred)
{
    const M::HeaderPositions p = M::headerPositions(12000, 1000, 3000, 2000);
    EXPECT_EQ(p.labelsLeft, 12000 - 2000 - 240);
    EXPECT_EQ(p.titleLeft, 1000 + (9760 - 1000 - 3000) / 2);
    EXPECT_EQ(M::centred(1000, 600, 400, 200), (M::Point{300, 200}));
}

TEST(EditorStatus, ModeAndPositionTexts)
{
    TextCatalogue texts = germanTexts();
    M::EditorStatus s = M::editorStatus(true, true, true, 3, 10, 5, texts);
    EXPECT_EQ(s.mode, QStringLiteral("nur lesen"));
    EXPECT_EQ(s.position, QStringLiteral(" Zeile=3 von 10 Spalte=5"));
    EXPECT_EQ(M::editorStatus(true, false, true, 1, 1, 1, texts).mode, QStringLiteral("überschreiben"));
    EXPECT_EQ(M::editorStatus(true, false, false, 1, 1, 1, texts).mode, QStringLiteral("einfügen"));
    s = M::editorStatus(false, true, false, 3, 10, 5, texts);
    EXPECT_TRUE(s.mode.isEmpty());
    EXPECT_TRUE(s.position.isEmpty());
    EXPECT_TRUE(s.clearHint);
}

TEST(EditorStatus, CaretLineAndColumnCountFromOne)
{
    const QList<int> starts{0, 10, 25};
    EXPECT_EQ(M::caretPosition(starts, 0).line, 1);
    EXPECT_EQ(M::caretPosition(starts, 0).column, 1);
    EXPECT_EQ(M::caretPosition(starts, 12).line, 2);
    EXPECT_EQ(M::caretPosition(starts, 12).column, 3);
    EXPECT_EQ(M::caretPosition(starts, 25).line, 3);
    EXPECT_EQ(M::caretPosition(starts, 40).column, 16);
}

TEST(PrintPage, FramedTitleLineThenTheText)
{
    TextCatalogue texts = germanTexts();
    const QString rule(70, QLatin1Char('='));
    const QString page = M::printText(QStringLiteral("Results"), QDate(2024, 3, 9), QStringLiteral("a\r\nb"), texts);
    EXPECT_EQ(page, rule + QStringLiteral("\r\n\r\nAusgabe : Results 09.03.2024\r\n\r\n") + rule +
                        QStringLiteral("\r\n\r\na\r\nb"));
    texts.selectLanguage(QStringLiteral("E"));
    EXPECT_TRUE(M::printText(QStringLiteral("X"), QDate(2024, 3, 9), QString(), texts)
                    .contains(QStringLiteral("Print output: X 09.03.2024")));
    EXPECT_TRUE(M::isGridPrintSource(QStringLiteral("Tabelle_tab")));
    EXPECT_TRUE(M::isGridPrintSource(QStringLiteral("Tabelle_test")));
    EXPECT_FALSE(M::isGridPrintSource(QStringLiteral("Results")));
}

TEST(VersionLine, MajorMinorRevision)
{
    EXPECT_EQ(M::versionText(3, 8, 7), QStringLiteral("Version 3.8.7"));
}

TEST(ChildWindowArrangement, TilesFillTheAreaExactly)
{
    const QList<QRect> rows = M::tiled(3, 300, 100, M::Arrangement::Horizontal);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], QRect(0, 0, 300, 33));
    EXPECT_EQ(rows[2].bottom(), 99);
    const QList<QRect> columns = M::tiled(2, 301, 100, M::Arrangement::Vertical);
    EXPECT_EQ(columns[0].width() + columns[1].width(), 301);
    EXPECT_EQ(columns[1].left(), columns[0].right() + 1);
    EXPECT_TRUE(M::tiled(0, 300, 100, M::Arrangement::Vertical).isEmpty());
    const QList<QRect> icons = M::iconPositions(3, 250, 400, 100, 30);
    EXPECT_EQ(icons[0], QRect(0, 370, 100, 30));
    EXPECT_EQ(icons[1], QRect(100, 370, 100, 30));
    EXPECT_EQ(icons[2], QRect(0, 340, 100, 30));
}

TEST(CommandLinePieces, FilePartEndsThreeCharactersAfterTheFirstDot)
{
    EXPECT_EQ(commandLineFile(QStringLiteral("/ecu/D_MOTOR.prg")), QStringLiteral("/ecu/D_MOTOR.prg"));
    EXPECT_EQ(commandLineFile(QStringLiteral("/tests/run.tst 3 1")), QStringLiteral("/tests/run.tst"));
    // A directory with a dot cuts the path after the first dot and three characters.
    EXPECT_EQ(commandLineFile(QStringLiteral("/home/a.b/X.PRG")), QStringLiteral("/home/a.b/X"));
    EXPECT_EQ(commandLineFile(QStringLiteral("nothing")), QString());
}

TEST(CommandLinePieces, TraceLevelsAfterATestFile)
{
    BatchTrace t = batchTrace(QStringLiteral("/tests/run.TST 3 1"));
    EXPECT_TRUE(t.present);
    EXPECT_EQ(t.apiTrace, QStringLiteral("3"));
    EXPECT_EQ(t.ifhTrace, QStringLiteral("1"));
    t = batchTrace(QStringLiteral("/tests/run.tst 3"));
    EXPECT_TRUE(t.present);
    EXPECT_EQ(t.ifhTrace, QStringLiteral("0"));
    t = batchTrace(QStringLiteral("/tests/run.tst   2    3  "));
    EXPECT_EQ(t.apiTrace, QStringLiteral("2"));
    EXPECT_EQ(t.ifhTrace, QStringLiteral("3"));
    EXPECT_FALSE(batchTrace(QStringLiteral("/tests/run.tst   ")).present);
    EXPECT_FALSE(batchTrace(QStringLiteral("/ecu/D_MOTOR.prg 3 1")).present);
}

TEST(CommandLinePieces, DroppedNamesAndFileKinds)
{
    EXPECT_EQ(droppedFileName(QStringLiteral("\"/ecu/D_MOTOR.prg\"")), QStringLiteral("/ecu/D_MOTOR.prg"));
    EXPECT_EQ(droppedFileName(QStringLiteral("/ecu/D.GRPX")), QStringLiteral("/ecu/D.GRP"));
    EXPECT_EQ(droppedFileName(QStringLiteral("/ecu/README")), QString());
    EXPECT_EQ(openFileKind(QStringLiteral("/ecu/d_motor.prg")), OpenFileKind::Description);
    EXPECT_EQ(openFileKind(QStringLiteral("/ecu/FLEET.Grp")), OpenFileKind::Description);
    EXPECT_EQ(openFileKind(QStringLiteral("/t/RUN.tst")), OpenFileKind::Test);
    EXPECT_EQ(openFileKind(QStringLiteral("/t/notes.txt")), OpenFileKind::Other);
}

TEST(ProgramArguments, VersionAndHelpAreAnsweredAloneTheRestIsTheCommandLine)
{
    ProgramArguments a = parseProgramArguments(strings({"kitbox32", "--version"}));
    EXPECT_EQ(a.request, ProgramArguments::Request::Version);
    EXPECT_TRUE(a.output.contains(QStringLiteral(KITBOX_VERSION)));
    a = parseProgramArguments(strings({"kitbox32", "--help"}));
    EXPECT_EQ(a.request, ProgramArguments::Request::Help);
    EXPECT_TRUE(a.output.contains(QStringLiteral("-INTERFACE")));
    a = parseProgramArguments(strings({"kitbox32", "-INTERFACE01=a,b,c,d", "/ecu/D.prg"}));
    EXPECT_EQ(a.request, ProgramArguments::Request::Run);
    EXPECT_EQ(a.commandLine, QStringLiteral("-INTERFACE01=a,b,c,d /ecu/D.prg"));
    a = parseProgramArguments(strings({"kitbox32", "/t/run.tst", "3", "1"}));
    EXPECT_EQ(a.request, ProgramArguments::Request::Run);
    EXPECT_EQ(a.commandLine, QStringLiteral("/t/run.tst 3 1"));
    EXPECT_EQ(parseProgramArguments(strings({"kitbox32"})).commandLine, QString());
}

TEST(ScriptedDialogs, QueuedAnswersAndRecordedBoxes)
{
    ScriptedDialogService dialogs;
    dialogs.setNextAnswer(DialogAnswer::Yes);
    // An OK box cannot take the queued Yes: it keeps it for the next box.
    EXPECT_EQ(dialogs.message(QStringLiteral("info"), QStringLiteral("T"), MessageIcon::Information), DialogAnswer::Ok);
    EXPECT_EQ(dialogs.message(QStringLiteral("save?"), QStringLiteral("T"), MessageIcon::Question,
                              MessageButtons::YesNoCancel),
              DialogAnswer::Yes);
    EXPECT_EQ(dialogs.message(QStringLiteral("again?"), QStringLiteral("T"), MessageIcon::Question,
                              MessageButtons::YesNoCancel),
              DialogAnswer::Cancel);
    ASSERT_EQ(dialogs.messages().size(), 3);
    EXPECT_EQ(dialogs.messages()[1].text, QStringLiteral("save?"));

    dialogs.setNextFileName(QStringLiteral("/ecu/A.prg"));
    EXPECT_EQ(dialogs.openFileName(QStringLiteral("open"), QStringLiteral("/ecu"), QStringLiteral("*.prg")),
              QStringLiteral("/ecu/A.prg"));
    EXPECT_TRUE(dialogs.saveFileName(QStringLiteral("save"), QString(), QString()).isEmpty());
    EXPECT_EQ(dialogs.shown().last().answer, DialogAnswer::Cancel);
}

TEST(FakeTime, WaitsAdvanceTheClockAndTheCounterWraps)
{
    FakeClock clock(QDateTime(QDate(2024, 1, 1), QTime(23, 59, 59)), 0xFFFFFFF0u);
    const quint32 start = clock.milliseconds();
    int hooked = 0;
    clock.setWaitHook([&hooked](int ms) { hooked += ms; });
    clock.wait(32);
    EXPECT_EQ(Clock::elapsedMs(start, clock.milliseconds()), 32u);
    EXPECT_LT(clock.milliseconds(), start); // wrapped
    EXPECT_EQ(hooked, 32);
    EXPECT_EQ(clock.waits(), QList<int>{32});
    clock.advance(1000);
    EXPECT_EQ(clock.now().date(), QDate(2024, 1, 2));
    EXPECT_NEAR(clock.secondsSinceMidnight(), 0.032, 1e-9);
}
