// The table viewer's logic without a window: list, navigation, column marks,
// double clicks, job-information references, ragged texts and the exports.
#include "CatalogueTestSupport.h"

#include "catalogue/JobInfoReference.h"
#include "catalogue/TableExport.h"
#include "catalogue/TableViewer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kitbox::test {
namespace {

QList<QStringList> valueTable(const QString &cell)
{
    return {{s("WERT"), s("NAME")}, {s("1"), cell}, {s("2"), s("-")}};
}

class TableViewerTest : public ::testing::Test {
protected:
    TableViewerTest() : viewer(catalogue, view, dialogs, TextCatalogue::shared())
    {
        TextCatalogue::shared().selectLanguage(QStringLiteral("D"));
        // T0 -> T1 -> ... -> T11 -> nothing: a chain longer than the levels allow.
        for (int i = 0; i < 12; ++i)
            addPlainTable(catalogue, s("T") + QString::number(i), valueTable(s("T") + QString::number(i + 1)));
        viewer.rebuildList();
    }
    int openChain(int levels)
    {
        viewer.selectEntry(0);
        for (int i = 1; i < levels; ++i)
            viewer.cellDoubleClicked(0, 1, QString());
        return viewer.currentLevel();
    }

    JobCatalogue catalogue;
    FakeView view;
    ScriptedDialogService dialogs;
    TableViewer viewer;
};

TEST(TableListTest, PriorityTablesLeadAndBaseTablesCarryTheirBase)
{
    JobCatalogue c;
    addPlainTable(c, s("ARG_X"), {{s("A"), s("B")}, {s("1"), s("2")}});
    addPlainTable(c, s("FORTTEXTE"), {{s("ORT")}, {s("1")}, {s("2")}});
    addPlainTable(c, s("JOBRESULT"), {{s("SB"), s("TEXT"), s("X")}}, s("d_basis"));
    addPlainTable(c, s("SG_FUNKTIONEN"), {{s("ARG"), s("ID")}, {s("A"), s("1")}});
    addPlainTable(c, s("SG_FUNKTIONEN"), {{s("ARG")}}, s("d_basis"));
    const auto list = TableViewerRules::buildList(c.tables);
    const QStringList expected = {s("SG_FUNKTIONEN[2][1]"), s("FORTTEXTE[1][2]"), s("ARG_X[2][1]"),
                                  s("JOBRESULT[3][0] ---- uses: d_basis"), s("SG_FUNKTIONEN[1][0] ---- uses: d_basis")};
    EXPECT_EQ(list.entries, expected);
    EXPECT_EQ(list.tables, (QList<int>{3, 1, 0, 2, 4}));
    EXPECT_EQ(c.tables.at(0).listIndex, 2);
    EXPECT_FALSE(TableViewerRules::listIsStale(c.tables, list));
    addPlainTable(c, s("NEU"), {{s("A")}});
    EXPECT_TRUE(TableViewerRules::listIsStale(c.tables, list));
}

TEST_F(TableViewerTest, NavigationEdgeCasesAndNineLevelsAtMost)
{
    // Back from level 1 and forward over an empty level do nothing.
    viewer.selectEntry(0);
    viewer.navigate(1, s("RUECK"));
    viewer.navigate(1, s("vor"));
    EXPECT_EQ(std::tuple(viewer.currentLevel(), viewer.lupe0Button().enabled, viewer.rueckButton().toolTip),
              std::tuple(1, false, QString()));
    EXPECT_TRUE(view.scrolls.isEmpty());

    // Drilling: each double click opens the named table one level deeper.
    EXPECT_EQ((std::pair{openChain(3), viewer.currentTable()}), std::pair(3, 2));
    EXPECT_EQ(viewer.lupe0Button().toolTip, s("TABLE T0 [2][2]"));

    // Back two levels keeps level 3 reachable forward, with its position.
    view.row = 40;
    view.column = 2;
    viewer.navigate(2, s("RUECK"));
    EXPECT_EQ(viewer.currentTable(), 0);
    view.row = 7;
    viewer.navigate(1, s("VOR"));
    viewer.navigate(1, s("VOR"));
    EXPECT_EQ(std::tuple(viewer.currentLevel(), view.scrolls.last(), viewer.vorButton().enabled),
              std::tuple(3, QPair<int, int>{40, 2}, false));

    // A drill-down from level 2 empties level 4 but a stale level 3 is replaced.
    viewer.navigate(1, s("RUECK"));
    viewer.navigate(11, s("LUPE"));
    EXPECT_EQ(std::pair(viewer.currentTable(), viewer.level(4).table), std::pair(11, -1));

    // POS1 goes to level 1 and restores its saved position.
    viewer.navigate(1, s("POS1"));
    EXPECT_EQ(std::pair(viewer.currentLevel(), view.scrolls.last()), std::pair(1, QPair<int, int>{7, 2}));
    EXPECT_TRUE(dialogs.messages().isEmpty());

    // The tenth level is refused with a message; level nine stays.
    EXPECT_EQ((std::pair{openChain(10), viewer.currentTable()}), std::pair(9, 8));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().first().text, s("Max. Anzahl Detailtabellen überschritten !"));
    EXPECT_EQ(viewer.level(10).table, -1);
    // A table that no longer exists keeps its name but not its size.
    catalogue.tables[0].name = s("UMBENANNT");
    EXPECT_EQ(viewer.lupe0Button().toolTip, s("TABLE T0 [?][?]"));
    // INIT empties every level.
    viewer.navigate(1, s("INIT"));
    for (int n = 1; n <= TableViewer::levelSlots; ++n)
        EXPECT_EQ(viewer.level(n).table, -1) << n;
}

TEST(TableViewerRulesTest, SearchValueMarksWholeColumnNames)
{
    const QStringList names = {s("WERT"), s("WERTE"), s("TEXT"), QString(), s("info")};
    struct Case {
        const char *search;
        QList<bool> marked;
    } cases[] = {
        {"", {false, false, false, false, false}},
        {"TABLE TAB_X WERT", {true, false, false, false, false}},
        {"TABLE TAB_X  WERTE TEXT", {false, true, true, false, false}},
        {"TABLE TAB_X INFO", {false, false, false, false, true}},
        {"TABLE TAB_XWERT", {false, false, false, false, false}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TableViewerRules::markedColumns(names, s(c.search)), c.marked) << c.search;
}

TEST(TableViewerRulesTest, DoubleClickInTheFunctionTableFeedsTheArgumentField)
{
    JobCatalogue c;
    addPlainTable(c, s("TAB_LUEFTER"), valueTable(s("x")));
    using Kind = TableViewerRules::CellAction::Kind;
    struct Case {
        const char *table, *column, *cell, *field;
        Kind kind;
        const char *result;
    } cases[] = {
        {"SG_FUNKTIONEN", "ARG", " drehzahl ", "", Kind::AppendArgument, "DREHZAHL;"},
        {"SG_FUNKTIONEN", "ID", "0x4000", "DREHZAHL;", Kind::AppendArgument, "DREHZAHL;0X4000;"},
        {"SG_FUNKTIONEN", "LABEL", "Luefter", "DREHZAHL", Kind::AppendArgument, "DREHZAHL;LUEFTER;"},
        // Already there (any case): the field stays; a value that only ends like one is new.
        {"SG_FUNKTIONEN", "ARG", "DREHZAHL", "drehzahl;X;", Kind::AppendArgument, "drehzahl;X;"},
        {"SG_FUNKTIONEN", "ARG", "ZAHL", "DREHZAHL;", Kind::AppendArgument, "DREHZAHL;ZAHL;"},
        // Other columns and tables drill down, when a table has the name.
        {"SG_FUNKTIONEN", "NAME", "tab_luefter", "", Kind::OpenTable, ""},
        {"ARG_0x4200", "ARG", "TAB_LUEFTER", "", Kind::OpenTable, ""},
        {"ARG_0x4200", "NAME", "TAB_FEHLT", "", Kind::None, ""},
        {"SG_FUNKTIONEN", "ARG", "-", "A;", Kind::None, ""},
        {"SG_FUNKTIONEN", "ARG", "  ", "A;", Kind::None, ""},
    };
    for (const Case &k : cases) {
        const auto action = TableViewerRules::doubleClick(c, s(k.table), s(k.column), s(k.cell), s(k.field));
        EXPECT_EQ(std::tuple(action.kind, action.argumentText, action.table),
                  std::tuple(k.kind, s(k.result), k.kind == Kind::OpenTable ? 0 : -1))
            << k.cell;
    }
}

TEST(TableViewerRulesTest, LevelLabelNamesTheWideColumnsOfTheRow)
{
    TableDescription t;
    t.name = s("TAB_X");
    t.columnWidth = {260, 261, 1200};
    EXPECT_EQ(TableViewerRules::levelLabel(t, {s("1"), s("zwei"), s("drei")}), s("TABLE TAB_X zwei drei"));
}

TEST(TableViewerRulesTest, PrintedPageHasItsTitleBlockAndPaddedColumns)
{
    const TableText t("NR\tTEXT\tX\t\r1\tZündung aus\t\t\r12\tan\tz\t\r", 3);
    const QString page = TableViewerRules::printText(QDate(2026, 12, 7), s("TAB_X"), t);
    EXPECT_TRUE(page.startsWith(QString(70, u'=') + s("\r\n07.12.2026 T A B E L L E : \r\n"))) << page.toStdString();
    EXPECT_TRUE(page.endsWith(s(" Tabelle: TAB_X\r\n") + QString(30, u'_') +
                              s("\r\nNR  TEXT         X\r\n1   Zündung aus\r\n12  an           z\r\n")));
    // A cell longer than a print column keeps its text; the column stays at the limit.
    const TableText wide(QByteArray("A\tB\t\r") + QByteArray(60, 'w') + "\tb\t\r", 2);
    EXPECT_TRUE(TableViewerRules::contentText(wide).contains(QString(60, u'w') + s("  b")));
}

TEST(JobInfoReferenceTest, LinesThatNameATable)
{
    struct Case {
        const char *line, *table, *search;
    } cases[] = {
        {"\ncomment   : see table tab_motor_zustand", "TAB_MOTOR_ZUSTAND", ""},
        {"   Values: TABLE TAB_X WERT TEXT", "TAB_X", "TABLE TAB_X WERT TEXT"},
        {"TABLE TAB_X, column WERT", "TAB_X", "TABLE TAB_X, COLUMN WERT"},
        {"RESULTTABLE X TABLE TAB_Y", "TAB_Y", ""},
        {"TABLES below", nullptr, nullptr},
        {"TABLE   ", nullptr, nullptr},
        {"no reference", nullptr, nullptr},
    };
    for (const Case &c : cases) {
        const auto ref = JobInfoReference::onLine(s(c.line));
        EXPECT_EQ(ref ? std::pair(ref->tableName, ref->searchValue) : std::pair(s("none"), QString()),
                  c.table ? std::pair(s(c.table), s(c.search)) : std::pair(s("none"), QString()))
            << c.line;
    }
    const QString text = s("name : X\r\nsee TABLE T1\r\nlast");
    EXPECT_EQ(JobInfoReference::lineAt(text, text.indexOf(s("T1"))), s("see TABLE T1"));
    EXPECT_EQ(JobInfoReference::lineAt(text, text.size()), s("last"));
}

TEST(JobInfoReferenceTest, OwnJobsNameOwnTablesInheritedJobsTheirBasesTables)
{
    JobCatalogue c;
    addPlainTable(c, s("JOBRESULT"), valueTable(s("x")), s("d_basis"));
    addPlainTable(c, s("TAB_X"), valueTable(s("x")));
    addPlainTable(c, s("JOBRESULT"), valueTable(s("x")));
    addPlainTable(c, s("TAB_B"), valueTable(s("x")), s("d_basis"));
    const QString inherited = s("---- uses : D_BASIS\r\nname      : IDENT\r\n");
    const QString own = s("name      : STATUS\r\n");
    struct Case {
        QString info;
        const char *table;
        int index;
    } cases[] = {
        {own, "JOBRESULT", 2},
        {own, "tab_x", 1},
        {own, "TAB_B", -1},
        {inherited, "JOBRESULT", 0},
        {inherited, "TAB_B", 3},
        {inherited, "TAB_X", -1},
        {s("---- uses : \r\n"), "TAB_X", -1},
    };
    for (const Case &k : cases)
        EXPECT_EQ(JobInfoReference::resolve(c, k.info, s(k.table)), k.index) << k.table;
}

// That the cells read in place from the stored bytes equal these, on any
// input, is table_text_fuzz's.
TEST(TableTextTest, RaggedRowsAndBrokenTextsReadWithoutFault)
{
    struct Case {
        QByteArray text;
        int columns;
        int rows;
        QList<QStringList> cells;
    } cases[] = {
        {"A\tB\t\r1\t2\t\r", 2, 2, {{s("A"), s("B")}, {s("1"), s("2")}}},
        // Fewer cells than columns, more cells than columns, no final CR.
        {"A\tB\tC\t\r1\t\r1\t2\t3\t4\t\r9",
         3,
         4,
         {{s("A"), s("B"), s("C")},
          {s("1"), QString(), QString()},
          {s("1"), s("2"), s("3")},
          {s("9"), QString(), QString()}}},
        {"\r\r", 1, 2, {{QString()}, {QString()}}},
        {"A\tB\t\r", 0, 1, {{s("A"), s("B")}}},
        {"\xC3\x28\t\xE2\x82\xAC\t\r", 2, 1, {{QString::fromUtf8("\xC3\x28"), QString::fromUtf8("\xE2\x82\xAC")}}},
    };
    for (const Case &c : cases) {
        const TableText t(c.text, c.columns);
        ASSERT_EQ(t.rowCount(), c.rows) << c.text.constData();
        for (int r = 0; r < c.rows; ++r)
            EXPECT_EQ(t.rowCells(r), c.cells.at(r)) << r;
        EXPECT_TRUE(t.cell(c.rows, 0).isEmpty() && t.cell(0, t.columnCount()).isEmpty() && t.cell(-1, -1).isEmpty());
    }
    EXPECT_TRUE(TableText::fromScrambled(QByteArray("abc"), 5, 3, 2, 1).isEmpty());
}

TEST(TableGridModelTest, FilterCopyAndMarks)
{
    TableGridModel model;
    model.setTable(TableText("ORT\tTEXT\t\r0x1\tZündung\t\r0x2\tKlemme 15\t\r0x3\tzündkerze\t\r", 2), {false, true});
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), s("TEXT"));
    EXPECT_FALSE(model.index(0, 0).data(TableGridModel::MarkedRole).toBool());

    struct Case {
        const char *filter;
        QList<int> textRows;
    } cases[] = {{"ZÜND", {1, 3}}, {"klemme", {2}}, {"0x", {1, 2, 3}}, {"fehlt", {}}, {"", {1, 2, 3}}};
    for (const Case &c : cases) {
        model.setFilter(s(c.filter));
        QList<int> rows;
        for (int r = 0; r < model.rowCount(); ++r)
            rows.append(model.textRow(r));
        EXPECT_EQ(rows, c.textRows) << c.filter;
    }
    model.setFilter(s("zünd"));
    EXPECT_EQ(model.rangeText(1, 0, 1, 5), s("0x3\tzündkerze\r\n"));
}

// Cells that would split are quoted with their quotes doubled; a ragged row
// still gets every column.
TEST(TableExportTest, CsvQuotesWhatWouldSplitACell)
{
    const TableText t("A\tB\tC\tD\tE\tF\t\rplain\ta,b\tsay \"hi\"\ttwo\nlines\t lead\t\t\r1\t\r", 6);
    EXPECT_EQ(TableExport::csv(t),
              QByteArray("A,B,C,D,E,F\r\nplain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\" lead\",\r\n1,,,,,\r\n"));
}

// Writing to a file and the format names are CliCommandsTest's.
TEST(TableExportTest, JsonEscapesAndAnEmptyTableIsNotSaved)
{
    const TableText t("A\tB\t\r\"q\"\t\\\n\t\r", 2);
    EXPECT_EQ(TableExport::json(s("T\"1"), t),
              QByteArray("{\"table\": \"T\\\"1\",\n \"columns\": [\"A\", \"B\"],\n \"rows\": [\n  [\"\\\"q\\\"\", "
                         "\"\\\\\\n\"]]}\n"));
    QTemporaryDir dir;
    EXPECT_FALSE(TableExport::save(dir.filePath(s("t.json")), s("T"), TableText(), TableExport::Format::Json).ok());
}

} // namespace
} // namespace kitbox::test
