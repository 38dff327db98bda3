#pragma once
// The table viewer window: the table list, the navigation buttons, the level
// label, a quick filter and the grid. The rules live in TableViewer; the
// window shows its state and forwards the controls' events.
#include "catalogue/TableViewer.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class TextCatalogue;

namespace kitbox {

class DialogService;

class Tab_Form : public QWidget, public TableViewerView {
    Q_OBJECT
public:
    Tab_Form(JobCatalogue &catalogue, DialogService &dialogs, const TextCatalogue &texts, QWidget *parent = nullptr);

    TableViewer &viewer() { return m_viewer; }
    // Refills the list from the catalogue and shows its first entry.
    void reinit();
    // The list again if the catalogue changed since it was built.
    void refresh();
    // Shows a table named elsewhere, with the search value's columns marked.
    void openTable(int table, const QString &searchValue);
    void applyTexts();

    // The job window's argument field, which cells of the function table feed.
    using ArgumentField = std::function<QString()>;
    using SetArgumentField = std::function<void(const QString &)>;
    void setArgumentField(ArgumentField get, SetArgumentField set);
    // Pops the main window's edit menu with only "Kopieren" enabled; returns the command.
    // The edit menu with the window's own entries (the exports) below it.
    using EditMenuHandler = std::function<int(const QPoint &globalPosition, const QList<QAction *> &extra)>;
    void setEditMenuHandler(EditMenuHandler handler) { m_editMenu = std::move(handler); }

    // The selected range to the clipboard.
    void copySelection();
    void exportTable(TableExport::Format format);

    // --- TableViewerView ---------------------------------------------------
    int firstVisibleRow() const override;
    int firstVisibleColumn() const override;
    void scrollTo(int firstRow, int firstColumn) override;
    void tableShown(int table) override;
    void navigationChanged() override;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void fillList();
    void entryChosen(int entry);
    void cellDoubleClicked(const QModelIndex &index);
    void rightClick(const QPoint &globalPosition);

    JobCatalogue &m_catalogue;
    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
    TableViewer m_viewer;
    ArgumentField m_argumentField;
    SetArgumentField m_setArgumentField;
    EditMenuHandler m_editMenu;

    QComboBox *m_tabellenEintrag = nullptr;
    QPushButton *m_btnLupe0 = nullptr;
    QPushButton *m_btnLupeRueck = nullptr;
    QPushButton *m_btnLupeVor = nullptr;
    QLabel *m_levelLabel = nullptr;
    QLineEdit *m_filter = nullptr;
    QToolButton *m_export = nullptr;
    QTableView *m_tabMatrix = nullptr;
    bool m_fillingList = false;
};

} // namespace kitbox
