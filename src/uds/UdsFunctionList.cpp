#include "uds/UdsFunctionList.h"

#include "catalogue/JobCatalogue.h"
#include "uds/UdsTable.h"

#include <QSet>

namespace kitbox {

namespace {

const QString kNoTable = QStringLiteral("---- Tabelle SG_FUNKTIONEN nicht gefunden ----");

// A cell of a column that was not found reads "-"; every cell is trimmed.
QString cellOrDash(const UdsTable &table, int row, int column)
{
    return column < 0 ? QStringLiteral("-") : table.cell(row, column).trimmed();
}

} // namespace

const QStringList &UdsFunctionList::columnCaptions()
{
    static const QStringList captions{QStringLiteral("LABEL"), QStringLiteral("ID"), QStringLiteral("ARG")};
    return captions;
}

int UdsFunctionList::columnOption(const QString &selector)
{
    const qsizetype i = columnCaptions().indexOf(selector.trimmed().toUpper());
    return i < 0 ? 0 : int(i);
}

QList<UdsFunctionEntry> UdsFunctionList::fill(const JobCatalogue &catalogue, const QString &column, bool info,
                                              const QString &service, bool withArgumentTables)
{
    QList<UdsFunctionEntry> entries;
    if (catalogue.ownTableIndex(QStringLiteral("SG_FUNKTIONEN")) < 0) {
        entries.append({kNoTable, -1});
        return entries;
    }
    const UdsTable table(catalogue, UdsTable::lookup(catalogue, QStringLiteral("SG_FUNKTIONEN")));
    const int valueColumn = table.column(column);
    if (valueColumn < 0) {
        entries.append({QStringLiteral("---- Spalte ") + column + QStringLiteral(" in SG_FUNKTIONEN nicht gefunden ----"), -1});
        return entries;
    }
    int secondColumn = -1;
    if (info)
        secondColumn = table.column(column == QLatin1String("ID") ? QStringLiteral("ARG") : QStringLiteral("ID"));
    const int serviceColumn = table.column(QStringLiteral("SERVICE"));
    const int argTableColumn = table.column(QStringLiteral("ARG_TABELLE"));

    // The seen-list starts with the empty value and "-", so neither is offered.
    // A set answers for plain values; a value holding ";" is tested against
    // the joined list, where it may span several earlier values.
    QSet<QString> seen{QString(), QStringLiteral("-")};
    QString seenText = QStringLiteral(";;-;");
    for (int row = 1; row <= table.rowCount(); ++row) {
        if (!cellOrDash(table, row, serviceColumn).contains(service))
            continue;
        const QString value = cellOrDash(table, row, valueColumn);
        if (value.contains(u';') ? seenText.contains(u';' + value + u';') : seen.contains(value))
            continue;
        seen.insert(value);
        seenText += value + u';';
        UdsFunctionEntry entry;
        entry.text = info ? value + QStringLiteral(" | ") + cellOrDash(table, row, secondColumn) : value;
        if (withArgumentTables)
            entry.argumentTable = catalogue.ownTableIndex(cellOrDash(table, row, argTableColumn));
        entries.append(entry);
    }
    if (entries.isEmpty())
        entries.append({QStringLiteral("---- kein Eintrag in Spalte ") + column + QStringLiteral(" gefunden ----"), -1});
    return entries;
}

QString UdsFunctionList::entryName(const QString &entry)
{
    const qsizetype bar = entry.indexOf(QLatin1String(" |"));
    if (bar >= 0)
        return entry.left(bar);
    return entry.contains(u'|') ? entry.left(entry.indexOf(u'|')) : entry;
}

int UdsFunctionList::findByName(const QList<UdsFunctionEntry> &entries, const QString &name)
{
    const QString wanted = name.trimmed().toUpper();
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (!isMessage(entries.at(i).text) && entryName(entries.at(i).text).toUpper() == wanted)
            return int(i);
    return -1;
}

int UdsFunctionList::search(const QList<UdsFunctionEntry> &entries, const QString &text, int from)
{
    if (text.isEmpty() || entries.isEmpty())
        return -1;
    const qsizetype n = entries.size();
    const qsizetype start = from < 0 || from >= n ? 0 : from;
    for (qsizetype k = 0; k < n; ++k) {
        const qsizetype i = (start + k) % n;
        if (entries.at(i).text.contains(text, Qt::CaseInsensitive))
            return int(i);
    }
    return -1;
}

} // namespace kitbox
