#include "catalogue/TableViewerRules.h"

#include "shell/MainWindowRules.h"

namespace kitbox::TableViewerRules {

QString listEntry(const TableDescription &table)
{
    QString entry = table.name + QLatin1Char('[') + QString::number(table.columnCount) + QStringLiteral("][") +
                    QString::number(table.rowCount) + QLatin1Char(']');
    if (!table.baseName.isEmpty())
        entry += QStringLiteral(" ---- uses: ") + table.baseName;
    return entry;
}

namespace {

// The catalogue order with the priority tables moved to the front. Only the
// first table of each priority name leads: a base's table of the same name
// stays in its place.
QList<int> listOrder(const QList<TableDescription> &tables)
{
    QList<int> order;
    order.reserve(tables.size());
    QList<bool> taken(tables.size(), false);
    for (const QString &priority : {kFunctionTable, kLocationTexts}) {
        for (qsizetype i = 0; i < tables.size(); ++i) {
            if (tables.at(i).name.compare(priority, Qt::CaseInsensitive) == 0) {
                order.append(int(i));
                taken[i] = true;
                break;
            }
        }
    }
    for (qsizetype i = 0; i < tables.size(); ++i)
        if (!taken.at(i))
            order.append(int(i));
    return order;
}

} // namespace

TableList buildList(QList<TableDescription> &tables)
{
    TableList list;
    for (TableDescription &table : tables)
        table.listIndex = -1;
    list.tables = listOrder(tables);
    list.entries.reserve(list.tables.size());
    for (qsizetype entry = 0; entry < list.tables.size(); ++entry) {
        TableDescription &table = tables[list.tables.at(entry)];
        table.listIndex = qint32(entry);
        list.entries.append(listEntry(table));
    }
    return list;
}

bool listIsStale(const QList<TableDescription> &tables, const TableList &list)
{
    if (list.tables.size() != tables.size())
        return true;
    for (qsizetype entry = 0; entry < list.tables.size(); ++entry) {
        const int index = list.tables.at(entry);
        if (index < 0 || index >= tables.size() || tables.at(index).listIndex != entry ||
            listEntry(tables.at(index)) != list.entries.value(entry))
            return true;
    }
    return false;
}

QList<bool> markedColumns(const QStringList &columnNames, const QString &searchValue)
{
    QList<bool> marked(columnNames.size(), false);
    if (searchValue.isEmpty())
        return marked;
    const QString words = QLatin1Char(' ') + searchValue + QLatin1Char(' ');
    for (qsizetype c = 0; c < columnNames.size(); ++c) {
        const QString &name = columnNames.at(c);
        if (!name.isEmpty())
            marked[c] = words.contains(QLatin1Char(' ') + name + QLatin1Char(' '), Qt::CaseInsensitive);
    }
    return marked;
}

QString levelLabel(const TableDescription &table, const QStringList &rowCells)
{
    QString label = QStringLiteral("TABLE ") + table.name;
    const int columns = int(qMin<qsizetype>(rowCells.size(), table.columnWidth.size()));
    for (int c = 0; c < columns; ++c)
        if (table.columnWidth.at(size_t(c)) > labelColumnTwips)
            label += QLatin1Char(' ') + rowCells.at(c);
    return label;
}

int findTable(const JobCatalogue &catalogue, const QString &name)
{
    for (qsizetype i = 0; i < catalogue.tables.size(); ++i)
        if (catalogue.tables.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString buttonToolTip(const JobCatalogue &catalogue, const QString &tableName)
{
    const int index = findTable(catalogue, tableName);
    if (index < 0)
        return QStringLiteral("TABLE ") + tableName + QStringLiteral(" [?][?]");
    const TableDescription &t = catalogue.tables.at(index);
    return QStringLiteral("TABLE ") + tableName + QStringLiteral(" [") + QString::number(t.columnCount) +
           QStringLiteral("][") + QString::number(t.rowCount) + QLatin1Char(']');
}

QString appendArgument(const QString &argumentField, const QString &value)
{
    const QStringList present = argumentField.split(QLatin1Char(';'));
    for (const QString &v : present)
        if (v.trimmed().compare(value, Qt::CaseInsensitive) == 0)
            return argumentField;
    QString field = argumentField;
    if (!field.isEmpty() && !field.endsWith(QLatin1Char(';')))
        field += QLatin1Char(';');
    return field + value + QLatin1Char(';');
}

CellAction doubleClick(const JobCatalogue &catalogue, const QString &tableName, const QString &columnName,
                       const QString &cellText, const QString &argumentField)
{
    CellAction action;
    const QString value = cellText.trimmed().toUpper();
    if (value.isEmpty() || value == QLatin1String("-"))
        return action;
    if (tableName.compare(kFunctionTable, Qt::CaseInsensitive) == 0) {
        const QString column = columnName.trimmed().toUpper();
        if (column == QLatin1String("ARG") || column == QLatin1String("ID") || column == QLatin1String("LABEL")) {
            action.kind = CellAction::Kind::AppendArgument;
            action.argumentText = appendArgument(argumentField, value);
            return action;
        }
    }
    action.table = findTable(catalogue, value);
    if (action.table >= 0)
        action.kind = CellAction::Kind::OpenTable;
    return action;
}

QString contentText(const TableText &table)
{
    const int columns = table.columnCount();
    QList<int> widths(columns, 0);
    for (int row = 0; row < table.rowCount(); ++row) {
        const QStringList cells = table.rowCells(row);
        for (int c = 0; c < columns; ++c)
            widths[c] = qMax(widths.at(c), int(qMin<qsizetype>(cells.at(c).size(), maxPrintColumn)));
    }
    QString text;
    for (int row = 0; row < table.rowCount(); ++row) {
        const QStringList cells = table.rowCells(row);
        QString line;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                line += QStringLiteral("  ");
            line += c + 1 < columns ? cells.at(c).leftJustified(widths.at(c)) : cells.at(c);
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + kCrLf;
    }
    return text;
}

QString printText(const QDate &date, const QString &tableName, const TableText &table)
{
    const QString rule = QString(70, QLatin1Char('='));
    const QString underline = QString(30, QLatin1Char('_'));
    return rule + kCrLf + MainWindowRules::dateText(date) + QStringLiteral(" T A B E L L E : ") + kCrLf + rule + kCrLf +
           underline + kCrLf + QStringLiteral(" Tabelle: ") + tableName + kCrLf + underline + kCrLf +
           contentText(table);
}

} // namespace kitbox::TableViewerRules
