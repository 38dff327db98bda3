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
    return {s("ARG"), s("ID"), s("LABEL"), s("RESULTNAME"), s("EINHEIT"), s("DATENTYP"), s("NAME"), s("SERVICE"),
            s("ARG_TABELLE"), s("RES_TABELLE")};
}

inline QStringList functionRow(const char *arg, const char *id, const char *label, const char *result,
                               const char *service, const char *argTable = "-", const char *resTable = "-",
                               const char *type = "unsigned char", const char *name = "-")
{
    return {s(arg), s(id), s(label), s(result), s("-"), s(type), s(name), s(service), s(argTable), s(resTable)};
}

} // namespace kitbox::test
