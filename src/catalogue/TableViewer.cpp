#include "catalogue/TableViewer.h"

#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

namespace {

constexpr int textMaxLevels = 522;
constexpr int textMaxLevelsTitle = 523;

} // namespace

TableViewer::TableViewer(JobCatalogue &catalogue, TableViewerView &view, DialogService &dialogs,
                         const TextCatalogue &texts)
    : m_catalogue(catalogue), m_view(view), m_dialogs(dialogs), m_texts(texts)
{
}

void TableViewer::rebuildList()
{
    m_list = TableViewerRules::buildList(m_catalogue.tables);
}

void TableViewer::selectEntry(int entry)
{
    const int table = entryTable(entry);
    if (table < 0)
        return;
    navigate(1, QStringLiteral("INIT"));
    showTable(table, QString());
}

void TableViewer::openTable(int table, const QString &searchValue)
{
    if (table < 0 || table >= m_catalogue.tables.size())
        return;
    if (listIsStale())
        rebuildList();
    navigate(1, QStringLiteral("INIT"));
    showTable(table, searchValue);
}

const TableLevel &TableViewer::level(int number) const
{
    return m_levels[size_t(qBound(1, number, levelSlots) - 1)];
}

void TableViewer::emptyLevel(int number)
{
    if (number >= 1 && number <= levelSlots)
        slot(number) = TableLevel();
}

void TableViewer::savePosition()
{
    TableLevel &l = slot(m_current);
    l.firstRow = m_view.firstVisibleRow();
    l.firstColumn = m_view.firstVisibleColumn();
}

void TableViewer::restorePosition()
{
    const TableLevel &l = level(m_current);
    m_view.scrollTo(l.firstRow, l.firstColumn);
}

void TableViewer::moveTo(int number)
{
    savePosition();
    m_current = number;
    showTable(level(m_current).table, level(m_current).search);
    m_view.navigationChanged();
    restorePosition();
}

void TableViewer::navigate(int value, const QString &mode)
{
    const QString m = mode.toUpper();
    if (m == QLatin1String("INIT")) {
        m_current = qBound(1, value, maxLevel);
        for (int n = 1; n <= levelSlots; ++n)
            emptyLevel(n);
        m_view.navigationChanged();
    } else if (m == QLatin1String("POS1")) {
        if (m_current > value && value >= 1)
            moveTo(value);
    } else if (m == QLatin1String("VOR")) {
        const int target = m_current + value;
        if (value >= 1 && m_current < maxLevel && target <= maxLevel && level(target).table >= 0)
            moveTo(target);
    } else if (m == QLatin1String("RUECK")) {
        if (value >= 1 && m_current > value)
            moveTo(m_current - value);
    } else if (m == QLatin1String("LUPE")) {
        if (m_current >= maxLevel) {
            m_dialogs.message(m_texts.text(textMaxLevels), m_texts.text(textMaxLevelsTitle), MessageIcon::Information);
            return;
        }
        savePosition();
        ++m_current;
        emptyLevel(m_current + 1);
        showTable(value, QString());
        m_view.navigationChanged();
    }
}

void TableViewer::showTable(int table, const QString &searchValue)
{
    if (table < 0 || table >= m_catalogue.tables.size())
        return;
    const TableDescription &description = m_catalogue.tables.at(table);
    if (!description.name.isEmpty()) {
        TableLevel &l = slot(m_current);
        l.table = table;
        l.name = description.name;
        l.label = description.name;
        l.search = searchValue;
    }
    TableText text = TableText::fromCatalogue(m_catalogue, table);
    QList<bool> marked = TableViewerRules::markedColumns(text.columnNames(), searchValue);
    m_model.setTable(std::move(text), std::move(marked));
    m_view.tableShown(table);
}

NavigationButton TableViewer::lupe0Button() const
{
    if (m_current <= 1)
        return {};
    return {true, TableViewerRules::buttonToolTip(m_catalogue, level(1).name)};
}

NavigationButton TableViewer::rueckButton() const
{
    if (m_current <= 1)
        return {};
    return {true, TableViewerRules::buttonToolTip(m_catalogue, level(m_current - 1).name)};
}

NavigationButton TableViewer::vorButton() const
{
    if (m_current >= maxLevel || level(m_current + 1).table < 0)
        return {};
    return {true, TableViewerRules::buttonToolTip(m_catalogue, level(m_current + 1).name)};
}

void TableViewer::currentRowChanged(int gridRow)
{
    const int table = currentTable();
    if (table < 0 || table >= m_catalogue.tables.size())
        return;
    slot(m_current).label =
        TableViewerRules::levelLabel(m_catalogue.tables.at(table), m_model.table().rowCells(m_model.textRow(gridRow)));
    m_view.navigationChanged();
}

QString TableViewer::cellDoubleClicked(int gridRow, int column, const QString &argumentField)
{
    const int table = currentTable();
    if (table < 0)
        return argumentField;
    const TableText &text = m_model.table();
    const auto action = TableViewerRules::doubleClick(m_catalogue, level(m_current).name, text.cell(0, column),
                                                      text.cell(m_model.textRow(gridRow), column), argumentField);
    using Kind = TableViewerRules::CellAction::Kind;
    if (action.kind == Kind::AppendArgument)
        return action.argumentText;
    if (action.kind == Kind::OpenTable)
        navigate(action.table, QStringLiteral("LUPE"));
    return argumentField;
}

QString TableViewer::printText(const QDate &date) const
{
    return TableViewerRules::printText(date, level(m_current).name, m_model.table());
}

Status TableViewer::exportTo(const QString &path, TableExport::Format format) const
{
    return TableExport::save(path, level(m_current).name, m_model.table(), format);
}

} // namespace kitbox
