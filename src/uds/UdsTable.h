#pragma once
// One table of the loaded description as the UDS tools read it: cells by
// data row and column (row 0 is the header), columns found by header name,
// and the two ways of finding a table by name. The cells are read in place
// from the catalogue's table bytes; a cell outside the table, or missing
// from a short row, reads as an empty text.
#include "catalogue/TableText.h"

#include <QString>
#include <QStringList>

namespace kitbox {

struct JobCatalogue;

class UdsTable {
public:
    UdsTable() = default;
    // The catalogue's table at index; an index outside the catalogue gives an empty table.
    UdsTable(const JobCatalogue &catalogue, int index);

    // Lookup: the first table of that name ignoring case, whatever its origin; -1 when none.
    static int lookup(const JobCatalogue &catalogue, const QString &name);
    // Own-table test: the same, but only tables of the description itself count.
    static int ownTable(const JobCatalogue &catalogue, const QString &name);

    int index() const { return m_index; }
    // Data rows, the header row not counted.
    int rowCount() const { return qMax(0, m_text.rowCount() - 1); }
    int columnCount() const { return m_text.columnCount(); }

    QString cell(int row, int column) const { return m_text.cell(row, column); }
    // The first column whose header cell, trimmed and upper-cased, equals name; -1 when none.
    int column(const QString &name) const;

private:
    int m_index = -1;
    TableText m_text;
    QStringList m_header; // trimmed, upper case
};

} // namespace kitbox
