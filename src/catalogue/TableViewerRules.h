#pragma once
// The rules of the table viewer that need no window: the order and texts of
// its table list, which columns a search value marks, the level label, the
// buttons' tool tips, what a double click on a cell does, and the printed
// form of a table.
#include "catalogue/JobCatalogue.h"
#include "catalogue/TableText.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace kitbox {

namespace TableViewerRules {

// The function table and the fault-location texts lead the list.
inline const QString kFunctionTable = QStringLiteral("SG_FUNKTIONEN");
inline const QString kLocationTexts = QStringLiteral("FORTTEXTE");

struct TableList {
    QStringList entries; // one text per listed table
    QList<int> tables;   // the catalogue index of each entry
};

// name[columns][rows], with " ---- uses: " and the base for a base's table.
QString listEntry(const TableDescription &table);
// SG_FUNKTIONEN and FORTTEXTE first, in this order, then the others in
// catalogue order; each table's listIndex becomes its entry's number.
TableList buildList(QList<TableDescription> &tables);
// Whether buildList would give another list (tables added, removed or renamed).
bool listIsStale(const QList<TableDescription> &tables, const TableList &list);

// One flag per column: the column name, enclosed in blanks, occurs in the
// search value enclosed in blanks (ignoring case). Empty names never match.
QList<bool> markedColumns(const QStringList &columnNames, const QString &searchValue);

// "TABLE " + name, then for each column wider than 260 twips a blank and the
// row's cell in that column.
QString levelLabel(const TableDescription &table, const QStringList &rowCells);
inline constexpr int labelColumnTwips = 260;

// A navigation button's tool tip for a target level's table name:
// "TABLE NAME [columns][rows]", " [?][?]" when no table has that name.
QString buttonToolTip(const JobCatalogue &catalogue, const QString &tableName);

// The first table whose name equals name ignoring case; -1 when none.
int findTable(const JobCatalogue &catalogue, const QString &name);

struct CellAction {
    enum class Kind { None, AppendArgument, OpenTable };
    Kind kind = Kind::None;
    QString argumentText; // AppendArgument: the argument field's new text
    int table = -1;       // OpenTable: the catalogue index
};
// A double click on a cell of tableName in column columnName. In the
// function table the columns ARG, ID and LABEL feed the argument field;
// any other cell naming a table opens it.
CellAction doubleClick(const JobCatalogue &catalogue, const QString &tableName, const QString &columnName,
                       const QString &cellText, const QString &argumentField);
// The argument field with value and ";" appended, or unchanged when one of
// its ";"-separated values already is value (ignoring case).
QString appendArgument(const QString &argumentField, const QString &value);

// The table as lines of columns padded to their widest cell (at most
// maxPrintColumn characters), CR LF after each line, column names first.
QString contentText(const TableText &table);
inline constexpr int maxPrintColumn = 40;
// The printed page: the title block with the date and the table's name, then the content.
QString printText(const QDate &date, const QString &tableName, const TableText &table);

} // namespace TableViewerRules

} // namespace kitbox
