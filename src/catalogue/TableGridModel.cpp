#include "catalogue/TableGridModel.h"

namespace kitbox {

TableGridModel::TableGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void TableGridModel::setTable(TableText text, QList<bool> marked)
{
    beginResetModel();
    m_text = std::move(text);
    m_marked = std::move(marked);
    applyFilter();
    endResetModel();
}

void TableGridModel::clear()
{
    setTable(TableText());
}

void TableGridModel::setFilter(const QString &filter)
{
    if (filter == m_filter)
        return;
    beginResetModel();
    m_filter = filter;
    applyFilter();
    endResetModel();
}

void TableGridModel::applyFilter()
{
    m_rows.clear();
    m_filtered = !m_filter.isEmpty();
    if (!m_filtered)
        return;
    for (int row = 1; row < m_text.rowCount(); ++row)
        if (m_text.rowContains(row, m_filter))
            m_rows.append(row);
}

int TableGridModel::textRow(int gridRow) const
{
    if (gridRow < 0 || gridRow >= rowCount())
        return -1;
    return m_filtered ? m_rows.at(gridRow) : gridRow + 1;
}

QString TableGridModel::rangeText(int row1, int column1, int row2, int column2) const
{
    const int top = qMax(qMin(row1, row2), 0);
    const int bottom = qMin(qMax(row1, row2), rowCount() - 1);
    const int left = qMax(qMin(column1, column2), 0);
    const int right = qMin(qMax(column1, column2), columnCount() - 1);
    QString text;
    for (int row = top; row <= bottom; ++row) {
        const int source = textRow(row);
        for (int column = left; column <= right; ++column) {
            if (column > left)
                text += QLatin1Char('\t');
            text += m_text.cell(source, column);
        }
        text += kCrLf;
    }
    return text;
}

int TableGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_filtered ? int(m_rows.size()) : qMax(m_text.rowCount() - 1, 0);
}

int TableGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_text.columnCount();
}

QVariant TableGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_text.cell(textRow(index.row()), index.column());
    if (role == MarkedRole)
        return isMarked(index.column());
    return {};
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == MarkedRole && orientation == Qt::Horizontal)
        return isMarked(section);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_text.cell(0, section);
    return textRow(section);
}

} // namespace kitbox
