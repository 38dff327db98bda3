#pragma once
// The table viewer without its window: the table list, the grid model of the
// shown table, and the drill-down through at most 9 levels kept in 10 slots.
// The window implements TableViewerView and forwards its controls' events.
#include "catalogue/JobCatalogue.h"
#include "catalogue/TableExport.h"
#include "catalogue/TableGridModel.h"
#include "catalogue/TableViewerRules.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

class TextCatalogue;

namespace kitbox {

class DialogService;

// What the viewer needs from its grid. Positions count from 1 (first
// visible data row and column).
class TableViewerView {
public:
    virtual ~TableViewerView() = default;
    virtual int firstVisibleRow() const = 0;
    virtual int firstVisibleColumn() const = 0;
    virtual void scrollTo(int firstRow, int firstColumn) = 0;
    // A table was put into the model: column widths, the list's selection.
    virtual void tableShown(int table) = 0;
    // The level, its label or the buttons changed.
    virtual void navigationChanged() = 0;
};

struct TableLevel {
    int table = -1; // catalogue index; -1: empty level
    QString name;
    QString label;
    QString search;
    int firstRow = 1;
    int firstColumn = 1;
};

struct NavigationButton {
    bool enabled = false;
    QString toolTip; // empty while disabled
};

class TableViewer {
public:
    static constexpr int levelSlots = 10;
    static constexpr int maxLevel = 9;

    TableViewer(JobCatalogue &catalogue, TableViewerView &view, DialogService &dialogs, const TextCatalogue &texts);

    // --- list --------------------------------------------------------------
    // Rebuilds the list from the catalogue (each table's listIndex follows).
    void rebuildList();
    bool listIsStale() const { return TableViewerRules::listIsStale(m_catalogue.tables, m_list); }
    const QStringList &entries() const { return m_list.entries; }
    int entryTable(int entry) const { return m_list.tables.value(entry, -1); }
    // A list entry was chosen: navigation from level 1, the table without search value.
    void selectEntry(int entry);
    // A table named elsewhere (the job information window): the list is
    // rebuilt if needed, the navigation starts again, the table is shown
    // with the search value marking its columns.
    void openTable(int table, const QString &searchValue);

    // --- navigation --------------------------------------------------------
    // mode "INIT", "POS1", "VOR", "RUECK" or "LUPE" (any case): value is the
    // level for INIT and POS1, the step for VOR and RUECK, the table for LUPE.
    void navigate(int value, const QString &mode);
    void showTable(int table, const QString &searchValue);
    int currentLevel() const { return m_current; }
    const TableLevel &level(int number) const; // 1..10
    int currentTable() const { return level(m_current).table; }
    NavigationButton lupe0Button() const;
    NavigationButton rueckButton() const;
    NavigationButton vorButton() const;

    // --- grid --------------------------------------------------------------
    TableGridModel &model() { return m_model; }
    const TableGridModel &model() const { return m_model; }
    // The grid's current cell moved to a grid row: the level's label follows.
    void currentRowChanged(int gridRow);
    // A double click on a grid cell; returns the argument field's new text
    // when the cell feeds it (else argumentField unchanged).
    QString cellDoubleClicked(int gridRow, int column, const QString &argumentField);

    // --- output ------------------------------------------------------------
    QString printText(const QDate &date) const;
    Status exportTo(const QString &path, TableExport::Format format) const;

private:
    TableLevel &slot(int number) { return m_levels[size_t(qBound(1, number, levelSlots) - 1)]; }
    void emptyLevel(int number);
    void savePosition();
    void restorePosition();
    // To another level that holds a table, with its search value and position.
    void moveTo(int number);

    JobCatalogue &m_catalogue;
    TableViewerView &m_view;
    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
    TableViewerRules::TableList m_list;
    TableGridModel m_model;
    std::array<TableLevel, levelSlots> m_levels{};
    int m_current = 1;
};

} // namespace kitbox
