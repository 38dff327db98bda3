#pragma once
// One table of the loaded description read for a pass over many of its
// cells, as the UDS check makes: the cell boundaries are found in one scan
// of the scrambled bytes, and a cell is written into a text the caller keeps
// from row to row, so that reading a whole table allocates nothing per cell.
// It reads the same cells as UdsTable: row 0 is the header, and a cell
// missing from a short last row, or outside the table, is empty. The bytes
// stay where the catalogue keeps them; the view is valid while the
// catalogue's tables are not replaced.
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QVarLengthArray>

namespace kitbox {

struct JobCatalogue;

class UdsTableCells {
public:
    enum class Case { Keep, Upper, Lower };

    UdsTableCells() = default;
    // The catalogue's table at index; an index outside the catalogue gives an empty table.
    UdsTableCells(const JobCatalogue &catalogue, int index);

    int index() const { return m_index; }
    // Data rows, the header row not counted.
    int rowCount() const
    {
        return m_columnCount > 0 ? qMax(0, int((m_ends.size() + m_columnCount - 1) / m_columnCount) - 1) : 0;
    }
    // The first column whose header cell, trimmed and upper-cased, equals
    // name (given trimmed and in upper case); -1 when none.
    int column(QLatin1StringView name) const;
    // The header row as stored, terminators included: two tables with the
    // same header bytes have the same columns, so what column() finds in one
    // holds for the other.
    QByteArrayView headerBytes() const
    {
        const qsizetype cells = qMin<qsizetype>(m_columnCount, m_ends.size());
        return cells > 0 ? m_bytes.first(m_ends[cells - 1] + 1) : QByteArrayView();
    }

    // text becomes the cell, decoded as the catalogue decodes cells (control
    // characters as line feeds, UTF-8 or else Latin-1), trimmed and in the
    // case asked for. Returns text.
    const QString &read(int row, int column, Case letterCase, QString &text) const;
    QString cell(int row, int column, Case letterCase) const;

private:
    // The cell's scrambled bytes without its terminator; empty when there is no such cell.
    QByteArrayView cellBytes(int row, int column) const
    {
        if (row < 0 || column < 0 || column >= m_columnCount)
            return {};
        const qint64 cell = qint64(row) * m_columnCount + column;
        if (cell >= m_ends.size())
            return {};
        const qint32 from = cell == 0 ? 0 : m_ends[qsizetype(cell) - 1] + 1;
        return m_bytes.sliced(from, m_ends[qsizetype(cell)] - from);
    }

    QByteArrayView m_bytes;
    QVarLengthArray<qint32, 64> m_ends; // position of each cell's terminator in m_bytes
    int m_columnCount = 0;
    int m_index = -1;
};

} // namespace kitbox
