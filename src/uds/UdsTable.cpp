#include "uds/UdsTable.h"

#include "catalogue/JobCatalogue.h"

namespace kitbox {

UdsTable::UdsTable(const JobCatalogue &catalogue, int index)
{
    if (index < 0 || index >= catalogue.tables.size())
        return;
    const TableDescription &table = catalogue.tables.at(index);
    m_index = index;
    m_name = table.name;
    m_columnCount = qMax(0, table.columnCount);
    // The table text ends every cell with TAB and every row with CR; control
    // characters inside cells arrive as line feeds, so both split safely.
    m_text = catalogue.tableTextAt(index);
    const qsizetype n = m_text.size();
    const QChar *c = m_text.constData();
    // The counts come from the file: the text bounds what is reserved.
    m_cells.reserve(qMin<qsizetype>(qsizetype(m_columnCount) * (qMax(0, table.rowCount) + 1), n / 2 + 1));
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (c[i] != u'\t')
            continue;
        m_cells.append({start, i - start});
        start = i + 1;
        if (start < n && c[start] == u'\r')
            ++start;
    }
    if (m_columnCount > 0) {
        // A short last row still counts; its missing cells read empty.
        const qsizetype rows = (m_cells.size() + m_columnCount - 1) / m_columnCount - 1;
        m_rowCount = int(qBound(qsizetype(0), rows, qsizetype(qMax(0, table.rowCount))));
    }
}

int UdsTable::lookup(const JobCatalogue &catalogue, const QString &name)
{
    for (qsizetype i = 0; i < catalogue.tables.size(); ++i)
        if (catalogue.tables.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int UdsTable::ownTable(const JobCatalogue &catalogue, const QString &name)
{
    return catalogue.ownTableIndex(name);
}

QStringView UdsTable::cellView(int row, int column) const
{
    if (row < 0 || row > m_rowCount || column < 0 || column >= m_columnCount)
        return {};
    const qsizetype k = qsizetype(row) * m_columnCount + column;
    if (k >= m_cells.size())
        return {};
    return QStringView(m_text).sliced(m_cells.at(k).first, m_cells.at(k).second);
}

int UdsTable::column(QStringView name) const
{
    for (int c = 0; c < m_columnCount; ++c)
        if (cellView(0, c).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

} // namespace kitbox
