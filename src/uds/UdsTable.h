#pragma once
// One table of the loaded description, read for the UDS tools: its cells by
// row and column (row 0 is the header), and columns found by header name.
// The table text is split once; a cell outside the table, or missing from a
// short last row, reads as an empty text.
#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

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
    const QString &name() const { return m_name; }
    // Data rows, the header row not counted.
    int rowCount() const { return m_rowCount; }
    int columnCount() const { return m_columnCount; }

    QStringView cellView(int row, int column) const;
    QString cell(int row, int column) const { return cellView(row, column).toString(); }
    // The first column whose header cell, trimmed and upper-cased, equals name; -1 when none.
    int column(QStringView name) const;
    int column(const QString &name) const { return column(QStringView(name)); }

private:
    int m_index = -1;
    QString m_name;
    QString m_text;
    // Start and length of every cell in m_text, row by row.
    QList<std::pair<qsizetype, qsizetype>> m_cells;
    int m_rowCount = 0;
    int m_columnCount = 0;
};

} // namespace kitbox
