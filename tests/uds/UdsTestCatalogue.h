#pragma once
// A loaded description held in memory for the UDS tests: tables given as
// rows of cells (the first row is the header) are stored the way loading
// stores them, scrambled in one table area.
#include "catalogue/JobCatalogue.h"

#include <QStringList>

#include <initializer_list>
#include <utility>

namespace kitbox::test {

inline QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// One table row, its cells separated by "|".
inline QStringList cells(const char *row)
{
    return QString::fromUtf8(row).split(QLatin1Char('|'));
}

struct TestTable {
    TestTable(QString tableName, QList<QStringList> tableRows, QString base = QString())
        : name(std::move(tableName)), rows(std::move(tableRows)), baseName(std::move(base))
    {
    }
    QString name;
    QList<QStringList> rows; // header first; a short row is stored short
    QString baseName;        // empty: an own table of the description
};

inline void addTable(JobCatalogue &catalogue, const TestTable &table)
{
    if (catalogue.tableAreas.isEmpty())
        catalogue.tableAreas.append(QByteArray());
    QByteArray &area = catalogue.tableAreas[0];
    TableDescription d;
    d.name = table.name;
    d.baseName = table.baseName;
    d.columnCount = table.rows.isEmpty() ? 0 : int(table.rows.first().size());
    d.rowCount = qMax(0, int(table.rows.size()) - 1);
    d.area = 0;
    d.areaOffset = area.size();
    QByteArray plain;
    for (const QStringList &row : table.rows)
        for (const QString &cell : row)
            plain += cell.toUtf8() + '\0';
    for (char &c : plain)
        c = char(c ^ 0x6B);
    area += plain;
    d.start = qint32(d.areaOffset);
    d.length = qint32(plain.size());
    catalogue.tables.append(d);
}

inline JobCatalogue makeCatalogue(std::initializer_list<TestTable> tables)
{
    JobCatalogue catalogue;
    catalogue.loadedName = QStringLiteral("D_TEST");
    for (const TestTable &t : tables)
        addTable(catalogue, t);
    catalogue.isUdsSgbd = catalogue.ownTableIndex(QStringLiteral("SG_FUNKTIONEN")) >= 0;
    return catalogue;
}

// A header of SG_FUNKTIONEN with the columns the assistants and the preview read.
inline QStringList functionHeader()
{
    return cells("ARG|ID|LABEL|RESULTNAME|EINHEIT|DATENTYP|NAME|SERVICE|ARG_TABELLE|RES_TABELLE");
}

inline QStringList functionRow(const char *arg, const char *id, const char *label, const char *result,
                               const char *service, const char *argTable = "-", const char *resTable = "-",
                               const char *type = "unsigned char", const char *name = "-")
{
    return {s(arg), s(id), s(label), s(result), s("-"), s(type), s(name), s(service), s(argTable), s(resTable)};
}

// Functions for reading, control, routines and every preview branch of the
// assistants and their windows.
inline JobCatalogue assistantCatalogue()
{
    const QStringList argHeader = cells("ARG|EINHEIT|DATENTYP|NAME|MUL|DIV|ADD|MIN|MAX|INFO");
    QList<QStringList> kennfeld{cells("ARG|EINHEIT|DATENTYP")}; // eleven arguments: one too many for the grid
    for (int i = 1; i <= 11; ++i)
        kennfeld << QStringList{QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), s("-"), s("int")};
    return makeCatalogue({
        {s("SG_FUNKTIONEN"),
         {functionHeader(), functionRow("DREHZAHL", "0x4000", "Drehzahl", "STAT_DREHZAHL_WERT", "22"),
          functionRow("TEMP", "0x4001", "Temperatur", "STAT_TEMP_WERT", "22"),
          functionRow("TEMP2", "0x4009", "Temperatur", "STAT_TEMP2_WERT", "22"),
          functionRow("LEERLAUF", "0x4100", "Leerlauf", "-", "2E", "ARG_LEERLAUF"),
          functionRow("LUEFTER", "0x4200", "Luefter", "-", "22;2F", "ARG_LUEFTER", "RES_LUEFTER"),
          functionRow("KENNFELD", "0x4300", "Kennfeld", "-", "2E", "ARG_KENNFELD"),
          functionRow("STATUSBITS", "0x4005", "Statusbits", "-", "22", "-", "-", "BITFIELD", "BF_BITS"),
          functionRow("MIX", "0x4006", "Mix", "-", "22", "-", "RES_MIX"),
          functionRow("TEST", "0xF010", "Test", "-", "31", "ARG_TEST", "RES_TEST"),
          functionRow("ALT", "0xF011", "Alt", "-", "31", "ARG_PLAIN", "-"),
          functionRow("FREMD", "0x4400", "Fremd", "-", "2E", "ARG_BASIS"),
          functionRow("KLAPPE", "0x4201", "Klappe", "-", "2F", "ARG_KLAPPE", "-")}},
        {s("ARG_LEERLAUF"),
         {argHeader, cells("AKTIV|0/1|unsigned char|-|-|-|-|-|-|an/aus"),
          cells("SOLL|1/min|unsigned int|-|1|1|0|600|2000|Soll")}},
        {s("ARG_KLAPPE"),
         {argHeader, cells("POSITION|%|unsigned char|-|2|1|0|0|100|Öffnung"),
          cells("AKTIV|0/1|unsigned char|-|-|-|-|-|-|an")}},
        {s("ARG_LUEFTER"), {cells("ARG|EINHEIT|DATENTYP|NAME"), cells("STUFE|0-n|unsigned char|TAB_STUFE")}},
        {s("TAB_STUFE"), {cells("WERT|TEXT"), cells("0|AUS"), cells("1|EIN")}},
        {s("RES_LUEFTER"), {cells("RESULTNAME|DATENTYP"), cells("STAT_STUFE|unsigned char")}},
        {s("ARG_KENNFELD"), kennfeld},
        {s("BF_BITS"),
         {cells("RESULTNAME|DATENTYP"), cells("STAT_BIT_A|char"), cells("-|char"), cells("STAT_BIT_B|char")}},
        {s("RES_MIX"),
         {cells("RESULTNAME|DATENTYP|NAME"), cells("-|bitfield|BF_BITS"), cells("STAT_STUNDEN_WERT|unsigned long|-")}},
        {s("ARG_TEST"),
         {cells("ARG|EINHEIT|DATENTYP|STR|STPR"), cells("DAUER|s|unsigned char|+|-"),
          cells("SONDE|0-n|unsigned char|+|+")}},
        {s("RES_TEST"),
         {cells("RESULTNAME|DATENTYP|STR|STPR|RRR"), cells("STAT_ROUTINE|unsigned char|+|+|+"),
          cells("STAT_SPANNUNG_WERT|unsigned int|-|-|+")}},
        {s("ARG_PLAIN"), {cells("ARG|EINHEIT|DATENTYP"), cells("A|x|int"), cells("B|x|int")}},
        {s("ARG_BASIS"), {cells("ARG|EINHEIT|DATENTYP"), cells("A|x|int")}, s("d_basis")},
    });
}

} // namespace kitbox::test
