#pragma once
// One table's text (every cell followed by TAB, every row ended by CR) kept as
// UTF-8 in one piece, with the start of each row. Cells are cut out when they
// are asked for, so a table of hundreds of thousands of rows costs its text
// and four bytes a row, and is ready after one pass over the row ends.
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
    // columnCount 0: as many columns as the first row has cells.
    TableText(QByteArray utf8, int columnCount);

    // The catalogue's table at index (empty when there is none).
    static TableText fromCatalogue(const JobCatalogue &catalogue, int index);

    // Rows of the text, the row of column names included. A text whose
    // last row lacks its CR still has that row.
    int rowCount() const { return int(m_rowStarts.size()) - 1; }
    int columnCount() const { return m_columnCount; }
    bool isEmpty() const { return rowCount() == 0; }

    // A row's bytes without its CR; empty outside the table.
    QByteArrayView rowBytes(int row) const;
    // A cell beyond the cells of its row (a ragged row) or outside the table
    // is empty; cells beyond columnCount are not part of the table.
    QString cell(int row, int column) const;
    QStringList rowCells(int row) const;
    QStringList columnNames() const { return rowCells(0); }

    // The bytes this text keeps (text and row index).
    qint64 memoryBytes() const;
    const QByteArray &utf8() const { return m_text; }

private:
    QByteArrayView cellBytes(int row, int column) const;

    QByteArray m_text;
    QList<qint32> m_rowStarts{0}; // one entry per row, then the end
    int m_columnCount = 0;
};

} // namespace kitbox
