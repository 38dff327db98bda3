#pragma once
// One table's cells, read where they are kept: either the catalogue's
// scrambled bytes of the description's table area (shared, not copied;
// every cell ended by NUL) or a plain table text (every cell followed by TAB,
// every row ended by CR). Only the start of each row is recorded, and a cell
// is decoded when it is asked for, so a table of hundreds of thousands of
// rows costs four bytes a row and is ready after one pass over its bytes.
#include "catalogue/JobCatalogue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace kitbox {

class TableText {
public:
    TableText() = default;
    // A plain table text; columnCount 0: as many columns as the first row has cells.
    TableText(QByteArray utf8, int columnCount);

    // The catalogue's table at index (empty when there is none).
    static TableText fromCatalogue(const JobCatalogue &catalogue, int index);
    // The table's scrambled cells at offset..offset+length of area: at most
    // columnCount x (rowCount + 1) cells; bytes after the last NUL are no cell.
    static TableText fromScrambled(QByteArray area, qsizetype offset, qsizetype length, int columnCount,
                                   qint64 rowCount);

    // Rows, the row of column names included. A last row with fewer cells
    // than columns is still a row.
    int rowCount() const { return int(m_rowStarts.size()) - 1; }
    int columnCount() const { return m_columnCount; }
    bool isEmpty() const { return rowCount() == 0; }

    // A cell beyond the cells of its row (a ragged row) or outside the table
    // is empty; cells beyond columnCount are not part of the table. Control
    // characters read as line feeds; text that is not UTF-8 reads as Latin-1.
    QString cell(int row, int column) const;
    QStringList rowCells(int row) const;
    QStringList columnNames() const { return rowCells(0); }
    // Whether the row's text contains needle, ignoring case.
    bool rowContains(int row, const QString &needle) const;

    // The bytes the table's cells take where they are kept, and its row index.
    qint64 memoryBytes() const;

private:
    QByteArrayView rowBytes(int row) const;
    char separator() const { return m_scrambled ? char(0x6B) : '\t'; }
    QString decode(QByteArrayView cell) const;

    QByteArray m_bytes;
    qsizetype m_begin = 0;
    qsizetype m_size = 0;
    bool m_scrambled = false;
    QList<qint32> m_rowStarts{0}; // one entry per row (relative to m_begin), then the end
    int m_columnCount = 0;
};

} // namespace kitbox
