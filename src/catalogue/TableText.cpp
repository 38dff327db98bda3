#include "catalogue/TableText.h"

#include "catalogue/TableTextReader.h"

#include <cstring>
#include <limits>

namespace kitbox {

TableText::TableText(QByteArray utf8, int columnCount) : m_text(std::move(utf8)), m_columnCount(qMax(columnCount, 0))
{
    // Row starts are 32-bit; a text beyond that is cut at the last row that fits.
    if (m_text.size() > std::numeric_limits<qint32>::max())
        m_text.truncate(m_text.lastIndexOf('\r', std::numeric_limits<qint32>::max() - 1) + 1);
    const char *begin = m_text.constData();
    const char *end = begin + m_text.size();
    const char *at = begin;
    while (at < end) {
        const void *cr = std::memchr(at, '\r', size_t(end - at));
        at = cr ? static_cast<const char *>(cr) + 1 : end;
        m_rowStarts.append(qint32(at - begin));
    }
    if (m_columnCount == 0 && rowCount() > 0) {
        const QByteArrayView first = rowBytes(0);
        m_columnCount = int(first.count('\t')) + (first.endsWith('\t') || first.isEmpty() ? 0 : 1);
    }
}

TableText TableText::fromCatalogue(const JobCatalogue &catalogue, int index)
{
    if (index < 0 || index >= catalogue.tables.size())
        return {};
    const TableDescription &table = catalogue.tables.at(index);
    return TableText(TableTextReader::textUtf8(catalogue.tableBytes(index), table), table.columnCount);
}

QByteArrayView TableText::rowBytes(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const qint32 from = m_rowStarts.at(row);
    qint32 to = m_rowStarts.at(row + 1);
    if (to > from && m_text.at(to - 1) == '\r')
        --to;
    return QByteArrayView(m_text).sliced(from, to - from);
}

QByteArrayView TableText::cellBytes(int row, int column) const
{
    if (column < 0 || column >= m_columnCount)
        return {};
    QByteArrayView rest = rowBytes(row);
    for (int c = 0; c < column; ++c) {
        const qsizetype tab = rest.indexOf('\t');
        if (tab < 0)
            return {};
        rest = rest.sliced(tab + 1);
    }
    const qsizetype tab = rest.indexOf('\t');
    return tab < 0 ? rest : rest.first(tab);
}

QString TableText::cell(int row, int column) const
{
    return QString::fromUtf8(cellBytes(row, column));
}

QStringList TableText::rowCells(int row) const
{
    QStringList cells;
    if (row < 0 || row >= rowCount())
        return cells;
    cells.reserve(m_columnCount);
    QByteArrayView rest = rowBytes(row);
    bool more = true;
    for (int c = 0; c < m_columnCount; ++c) {
        const qsizetype tab = more ? rest.indexOf('\t') : -1;
        cells.append(more ? QString::fromUtf8(tab < 0 ? rest : rest.first(tab)) : QString());
        if (tab < 0)
            more = false;
        else
            rest = rest.sliced(tab + 1);
    }
    return cells;
}

qint64 TableText::memoryBytes() const
{
    return qint64(m_text.capacity()) + qint64(m_rowStarts.capacity()) * qint64(sizeof(qint32));
}

} // namespace kitbox
