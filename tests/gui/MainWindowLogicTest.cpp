// The main window's rules that need no window: the menu table, sizes and
// header layout, editor status, print page, command line pieces, clock.
#include "shell/FakeClock.h"
#include "shell/MainMenuModel.h"
#include "shell/MainWindowRules.h"
#include "shell/StartArguments.h"
#include "shell/TextCatalogue.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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

TEST(MenuTable, RecentFilesCarryTheirNumber)
{
    const QString caption = MainMenuModel::recentFileCaption(3, u"/ECU/D_MOTOR.PRG"_s);
    EXPECT_EQ(caption, u"&3 /ECU/D_MOTOR.PRG"_s);
    EXPECT_EQ(MainMenuModel::recentFilePath(caption), u"/ECU/D_MOTOR.PRG"_s);
}

// The hint texts themselves are checked with the window.
TEST(Toolbar, EveryButtonRunsAMenuCommandAndIndexTwelveHasNone)
{
    for (const ToolbarButton &b : MainMenuModel::toolbar())
        EXPECT_NE(MainMenuModel::find(b.command), nullptr) << b.command.toStdString();
    EXPECT_EQ(MainMenuModel::toolbarButton(12), nullptr);
    EXPECT_EQ(MainMenuModel::hintText(12, germanTexts()), QString());
}

TEST(MainWindowSize, HeightSpringsBackTo3700AndWidthToTheHeaderMinimum)
{
    const int minimum = M::minimumWidth(800, 4000, 2000);
    EXPECT_EQ(minimum, 7760);
    EXPECT_EQ(M::constrainedSize({5000, 1000}, minimum), (M::Size{7760, 3700}));
    EXPECT_EQ(M::constrainedSize({9000, 6000}, minimum), (M::Size{9000, 6000}));

    // Header labels right-aligned, the title centred.
    const M::HeaderPositions p = M::headerPositions(12000, 1000, 3000, 2000);
    EXPECT_EQ(p.labelsLeft, 12000 - 2000 - 240);
    EXPECT_EQ(p.titleLeft, 1000 + (9760 - 1000 - 3000) / 2);
    EXPECT_EQ(M::centred(1000, 600, 400, 200), (M::Point{300, 200}));
}

TEST(EditorStatus, ModeAndPositionTexts)
{
    TextCatalogue texts = germanTexts();
    const M::EditorStatus s = M::editorStatus(true, true, true, 3, 10, 5, texts);
    EXPECT_EQ(s.mode + u'|' + s.position, u"nur lesen| Zeile=3 von 10 Spalte=5"_s);
    EXPECT_EQ(M::editorStatus(true, false, false, 1, 1, 1, texts).mode, u"einfügen"_s);
    const M::EditorStatus inactive = M::editorStatus(false, true, false, 3, 10, 5, texts);
    EXPECT_TRUE(inactive.mode.isEmpty() && inactive.position.isEmpty() && inactive.clearHint);

    // Caret line and column count from one.
    const QList<int> starts{0, 10, 25};
    for (const auto &[offset, line, column] : {std::tuple(0, 1, 1), {12, 2, 3}, {25, 3, 1}, {40, 3, 16}})
        EXPECT_EQ(std::pair(M::caretPosition(starts, offset).line, M::caretPosition(starts, offset).column),
                  std::pair(line, column))
            << offset;
}

TEST(PrintPage, FramedTitleLineThenTheTextAndTheVersionLine)
{
    TextCatalogue texts = germanTexts();
    const QString rule(70, QLatin1Char('='));
    const QString page = M::printText(u"Results"_s, QDate(2024, 3, 9), u"a\r\nb"_s, texts);
    EXPECT_EQ(page, rule + u"\r\n\r\nAusgabe : Results 09.03.2024\r\n\r\n"_s + rule + u"\r\n\r\na\r\nb"_s);
    texts.selectLanguage(u"E"_s);
    EXPECT_TRUE(M::printText(u"X"_s, QDate(2024, 3, 9), QString(), texts).contains(u"Print output: X 09.03.2024"_s));
    EXPECT_TRUE(M::isGridPrintSource(u"Tabelle_tab"_s) && M::isGridPrintSource(u"Tabelle_test"_s));
    EXPECT_FALSE(M::isGridPrintSource(u"Results"_s));
    EXPECT_EQ(M::versionText(3, 8, 7), u"Version 3.8.7"_s);
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

TEST(CommandLinePieces, FileTraceLevelsDroppedNamesAndFileKinds)
{
    EXPECT_EQ(commandLineFile(u"/ecu/D_MOTOR.prg"_s), u"/ecu/D_MOTOR.prg"_s);
    EXPECT_EQ(commandLineFile(u"/tests/run.tst 3 1"_s), u"/tests/run.tst"_s);
    // A directory with a dot cuts the path after the first dot and three characters.
    EXPECT_EQ(commandLineFile(u"/home/a.b/X.PRG"_s), u"/home/a.b/X"_s);
    EXPECT_EQ(commandLineFile(u"nothing"_s), QString());

    // Trace levels only after a test file; a missing second level is 0.
    for (const auto &[line, present, api, ifh] : {std::tuple(u"/tests/run.TST 3 1"_s, true, u"3"_s, u"1"_s),
                                                  {u"/tests/run.tst 3"_s, true, u"3"_s, u"0"_s},
                                                  {u"/tests/run.tst   2    3  "_s, true, u"2"_s, u"3"_s},
                                                  {u"/tests/run.tst   "_s, false, QString(), QString()},
                                                  {u"/ecu/D_MOTOR.prg 3 1"_s, false, QString(), QString()}}) {
        const BatchTrace t = batchTrace(line);
        EXPECT_EQ(t.present ? QStringList({t.apiTrace, t.ifhTrace}) : QStringList(),
                  present ? QStringList({api, ifh}) : QStringList())
            << line.toStdString();
    }

    EXPECT_EQ(droppedFileName(u"\"/ecu/D_MOTOR.prg\""_s), u"/ecu/D_MOTOR.prg"_s);
    EXPECT_EQ(droppedFileName(u"/ecu/D.GRPX"_s), u"/ecu/D.GRP"_s);
    EXPECT_EQ(droppedFileName(u"/ecu/README"_s), QString());
    EXPECT_EQ(openFileKind(u"/ecu/d_motor.prg"_s), OpenFileKind::Description);
    EXPECT_EQ(openFileKind(u"/ecu/FLEET.Grp"_s), OpenFileKind::Description);
    EXPECT_EQ(openFileKind(u"/t/RUN.tst"_s), OpenFileKind::Test);
    EXPECT_EQ(openFileKind(u"/t/notes.txt"_s), OpenFileKind::Other);
}

// What --version and --help print is checked on the built program.
TEST(ProgramArguments, VersionAndHelpAreAnsweredAloneTheRestIsTheCommandLine)
{
    EXPECT_EQ(parseProgramArguments(strings({"kitbox32", "--version"})).request, ProgramArguments::Request::Version);
    EXPECT_EQ(parseProgramArguments(strings({"kitbox32", "--help"})).request, ProgramArguments::Request::Help);
    ProgramArguments a = parseProgramArguments(strings({"kitbox32", "-INTERFACE01=a,b,c,d", "/ecu/D.prg"}));
    EXPECT_EQ(a.request, ProgramArguments::Request::Run);
    EXPECT_EQ(a.commandLine, u"-INTERFACE01=a,b,c,d /ecu/D.prg"_s);
    EXPECT_EQ(parseProgramArguments(strings({"kitbox32", "/t/run.tst", "3", "1"})).commandLine, u"/t/run.tst 3 1"_s);
    EXPECT_EQ(parseProgramArguments(strings({"kitbox32"})).commandLine, QString());
}

// The millisecond counter wraps; an elapsed time across the wrap stays right.
TEST(Clock, ElapsedTimeAcrossTheCounterWrap)
{
    FakeClock clock(QDateTime(QDate(2024, 1, 1), QTime(23, 59, 59)), 0xFFFFFFF0u);
    const quint32 start = clock.milliseconds();
    clock.wait(32);
    EXPECT_LT(clock.milliseconds(), start);
    EXPECT_EQ(Clock::elapsedMs(start, clock.milliseconds()), 32u);
}
