#pragma once
// The table viewer's grid as a model over one TableText: the row of column
// names is the header, the other rows are produced when the view asks for
// them. A quick filter narrows the rows to those that contain a text; the
// columns named by the search value are marked.
#include "catalogue/TableText.h"

#include <QAbstractTableModel>
#include <QList>

namespace kitbox {

class TableGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // data() of a cell in a column named by the search value is true.
    static constexpr int MarkedRole = Qt::UserRole + 1;

    explicit TableGridModel(QObject *parent = nullptr);

    // Shows text; marked holds one flag per column (missing ones are false).
    // The quick filter is kept and applied to the new rows.
    void setTable(TableText text, QList<bool> marked = {});
    void clear();
    const TableText &table() const { return m_text; }
    bool isMarked(int column) const { return m_marked.value(column, false); }

    // Rows containing filter (ignoring case); empty: every row.
    void setFilter(const QString &filter);
    QString filter() const { return m_filter; }
    // The table text's row (1 = first row after the column names) shown at a grid row.
    int textRow(int gridRow) const;

    // The cells of grid rows top..bottom and columns left..right (either order;
    // cut to the grid): TAB between the cells of a row, CR LF after each row.
    QString rangeText(int row1, int column1, int row2, int column2) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void applyFilter();

    TableText m_text;
    QList<bool> m_marked;
    QString m_filter;
    bool m_filtered = false;
    QList<qint32> m_rows; // text rows shown while filtered
};

} // namespace kitbox
