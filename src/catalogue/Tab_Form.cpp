#include "catalogue/Tab_Form.h"

#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"
#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kitbox {

namespace {

constexpr int textLevel = 21601;
constexpr int textFilter = 21602;
constexpr int textExport = 21603;
constexpr int textExportCsv = 21604;
constexpr int textExportJson = 21605;
constexpr int textExportTitle = 21606;
constexpr int textTitle = 21607;
constexpr int textCsvFilter = 21609;
constexpr int textJsonFilter = 21610;

// Cells of the columns the search value names get a tinted background.
class MarkedColumnDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(TableGridModel::MarkedRole).toBool())
            option->backgroundBrush = QColor(255, 236, 150);
    }
};

} // namespace

Tab_Form::Tab_Form(JobCatalogue &catalogue, DialogService &dialogs, const TextCatalogue &texts, QWidget *parent)
    : QWidget(parent), m_catalogue(catalogue), m_dialogs(dialogs), m_texts(texts),
      m_viewer(catalogue, *this, dialogs, texts)
{
    setObjectName(QStringLiteral("Tab_Form"));
    // Other windows find out through the tag whether the viewer is open.
    setProperty("Tag", QStringLiteral("TABFORM"));
    build();
    applyTexts();
}

void Tab_Form::build()
{
    m_tabellenEintrag = new QComboBox(this);
    m_tabellenEintrag->setObjectName(QStringLiteral("TabellenEintrag"));
    m_tabellenEintrag->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_tabellenEintrag->setMinimumContentsLength(24);
    m_btnLupe0 = new QPushButton(QStringLiteral("|<"), this);
    m_btnLupe0->setObjectName(QStringLiteral("btnLupe0"));
    m_btnLupeRueck = new QPushButton(QStringLiteral("<"), this);
    m_btnLupeRueck->setObjectName(QStringLiteral("btnLupeRueck"));
    m_btnLupeVor = new QPushButton(QStringLiteral(">"), this);
    m_btnLupeVor->setObjectName(QStringLiteral("btnLupeVor"));
    for (QPushButton *b : {m_btnLupe0, m_btnLupeRueck, m_btnLupeVor}) {
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("|<")) * 3);
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_levelLabel = new QLabel(this);
    m_levelLabel->setObjectName(QStringLiteral("lblEbene"));
    m_levelLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long label (a row of wide cells) is cut at the window's edge rather
    // than pushing the filter box aside; its tool tip holds all of it.
    m_levelLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txFilter"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setMinimumWidth(m_filter->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 18);
    m_export = new QToolButton(this);
    m_export->setObjectName(QStringLiteral("btnExport"));
    m_export->setPopupMode(QToolButton::InstantPopup);
    auto *exportMenu = new QMenu(m_export);
    QAction *csv = exportMenu->addAction(QString());
    csv->setObjectName(QStringLiteral("ExportCsv"));
    QAction *json = exportMenu->addAction(QString());
    json->setObjectName(QStringLiteral("ExportJson"));
    m_export->setMenu(exportMenu);

    m_tabMatrix = new QTableView(this);
    m_tabMatrix->setObjectName(QStringLiteral("TabMatrix"));
    m_tabMatrix->setModel(&m_viewer.model());
    m_tabMatrix->setItemDelegate(new MarkedColumnDelegate(m_tabMatrix));
    m_tabMatrix->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tabMatrix->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_tabMatrix->setWordWrap(false);
    // Rows of one height are laid out without measuring each one, which
    // keeps a table of hundreds of thousands of rows quick to show and scroll.
    m_tabMatrix->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tabMatrix->verticalHeader()->setDefaultSectionSize(m_tabMatrix->fontMetrics().height() + 6);
    m_tabMatrix->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_tabMatrix->horizontalHeader()->setHighlightSections(false);
    m_tabMatrix->installEventFilter(this);
    m_tabMatrix->viewport()->installEventFilter(this);

    auto *top = new QHBoxLayout;
    top->addWidget(m_tabellenEintrag, 1);
    top->addWidget(m_btnLupe0);
    top->addWidget(m_btnLupeRueck);
    top->addWidget(m_btnLupeVor);
    auto *second = new QHBoxLayout;
    second->addWidget(m_levelLabel, 1);
    second->addWidget(m_filter);
    second->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addLayout(second);
    layout->addWidget(m_tabMatrix, 1);

    connect(m_tabellenEintrag, &QComboBox::currentIndexChanged, this, &Tab_Form::entryChosen);
    connect(m_btnLupe0, &QPushButton::clicked, this, [this] { m_viewer.navigate(1, QStringLiteral("POS1")); });
    connect(m_btnLupeRueck, &QPushButton::clicked, this, [this] { m_viewer.navigate(1, QStringLiteral("RUECK")); });
    connect(m_btnLupeVor, &QPushButton::clicked, this, [this] { m_viewer.navigate(1, QStringLiteral("VOR")); });
    // A large table is searched once typing pauses, not at every key.
    auto *filterDelay = new QTimer(this);
    filterDelay->setSingleShot(true);
    filterDelay->setInterval(250);
    connect(m_filter, &QLineEdit::textChanged, filterDelay, qOverload<>(&QTimer::start));
    connect(filterDelay, &QTimer::timeout, this, [this] { m_viewer.model().setFilter(m_filter->text()); });
    connect(m_tabMatrix, &QTableView::doubleClicked, this, &Tab_Form::cellDoubleClicked);
    connect(m_tabMatrix->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    m_viewer.currentRowChanged(current.row());
            });
    connect(csv, &QAction::triggered, this, [this] { exportTable(TableExport::Format::Csv); });
    connect(json, &QAction::triggered, this, [this] { exportTable(TableExport::Format::Json); });
}

void Tab_Form::applyTexts()
{
    setWindowTitle(m_texts.text(textTitle));
    m_filter->setPlaceholderText(m_texts.text(textFilter));
    m_export->setText(m_texts.text(textExport));
    m_export->menu()->actions().at(0)->setText(m_texts.text(textExportCsv));
    m_export->menu()->actions().at(1)->setText(m_texts.text(textExportJson));
    navigationChanged();
}

void Tab_Form::setArgumentField(ArgumentField get, SetArgumentField set)
{
    m_argumentField = std::move(get);
    m_setArgumentField = std::move(set);
}

void Tab_Form::fillList()
{
    m_fillingList = true;
    m_viewer.rebuildList();
    m_tabellenEintrag->clear();
    m_tabellenEintrag->addItems(m_viewer.entries());
    m_tabellenEintrag->setCurrentIndex(-1);
    m_fillingList = false;
}

void Tab_Form::reinit()
{
    fillList();
    m_viewer.navigate(1, QStringLiteral("INIT"));
    if (m_tabellenEintrag->count() > 0)
        m_tabellenEintrag->setCurrentIndex(0);
    else
        m_viewer.model().clear();
}

void Tab_Form::refresh()
{
    if (m_viewer.listIsStale())
        reinit();
}

void Tab_Form::openTable(int table, const QString &searchValue)
{
    if (m_viewer.listIsStale())
        fillList();
    m_viewer.openTable(table, searchValue);
}

void Tab_Form::entryChosen(int entry)
{
    if (m_fillingList || entry < 0)
        return;
    m_viewer.selectEntry(entry);
}

void Tab_Form::cellDoubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString field = m_argumentField ? m_argumentField() : QString();
    const QString changed = m_viewer.cellDoubleClicked(index.row(), index.column(), field);
    if (changed != field && m_setArgumentField)
        m_setArgumentField(changed);
}

void Tab_Form::copySelection()
{
    const QModelIndexList selected = m_tabMatrix->selectionModel()->selectedIndexes();
    QModelIndex current = m_tabMatrix->currentIndex();
    if (selected.isEmpty() && !current.isValid())
        return;
    int top = current.isValid() ? current.row() : selected.first().row();
    int bottom = top;
    int left = current.isValid() ? current.column() : selected.first().column();
    int right = left;
    for (const QModelIndex &i : selected) {
        top = qMin(top, i.row());
        bottom = qMax(bottom, i.row());
        left = qMin(left, i.column());
        right = qMax(right, i.column());
    }
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_viewer.model().rangeText(top, left, bottom, right));
}

void Tab_Form::rightClick(const QPoint &globalPosition)
{
    if (!m_editMenu)
        return;
    const int command =
        m_editMenu(globalPosition, m_export->isEnabled() ? m_export->menu()->actions() : QList<QAction *>());
    if (command == 3)
        copySelection();
    else if (command != 0)
        QApplication::beep();
}

void Tab_Form::exportTable(TableExport::Format format)
{
    const int table = m_viewer.currentTable();
    if (table < 0)
        return;
    const bool csv = format == TableExport::Format::Csv;
    const QString name = m_viewer.level(m_viewer.currentLevel()).name;
    const QString path = m_dialogs.saveFileName(m_texts.text(csv ? textExportCsv : textExportJson),
                                                name + (csv ? QStringLiteral(".csv") : QStringLiteral(".json")),
                                                m_texts.text(csv ? textCsvFilter : textJsonFilter));
    if (path.isEmpty())
        return;
    const Status saved = m_viewer.exportTo(path, format);
    if (!saved)
        m_dialogs.message(QString::fromStdString(saved.error()), m_texts.text(textExportTitle), MessageIcon::Warning);
}

int Tab_Form::firstVisibleRow() const
{
    return qMax(m_tabMatrix->rowAt(0), 0) + 1;
}

int Tab_Form::firstVisibleColumn() const
{
    return qMax(m_tabMatrix->columnAt(0), 0) + 1;
}

void Tab_Form::scrollTo(int firstRow, int firstColumn)
{
    m_tabMatrix->verticalScrollBar()->setValue(firstRow - 1);
    m_tabMatrix->horizontalScrollBar()->setValue(firstColumn - 1);
}

void Tab_Form::tableShown(int table)
{
    const TableDescription &t = m_catalogue.tables.at(table);
    const int columns = m_viewer.model().columnCount();
    const double dpi = logicalDpiX();
    for (int c = 0; c < columns; ++c) {
        const int twips = c < int(t.columnWidth.size()) ? t.columnWidth.at(size_t(c)) : 0;
        // A column without a recorded width is as wide as its name.
        const int header = m_tabMatrix->fontMetrics().horizontalAdvance(m_viewer.model().table().cell(0, c)) + 16;
        // The recorded width counts characters; the cell's margins come on top.
        const int recorded = WindowPlacement::twipsToPixels(twips, dpi) + 8;
        m_tabMatrix->setColumnWidth(c, qMax(twips > 0 ? recorded : header, 24));
    }
    m_tabMatrix->scrollToTop();
    if (t.listIndex >= 0 && t.listIndex != m_tabellenEintrag->currentIndex()) {
        m_fillingList = true;
        m_tabellenEintrag->setCurrentIndex(t.listIndex);
        m_fillingList = false;
    }
    navigationChanged();
}

void Tab_Form::navigationChanged()
{
    const auto apply = [](QPushButton *button, const NavigationButton &state) {
        button->setEnabled(state.enabled);
        button->setToolTip(state.toolTip);
    };
    apply(m_btnLupe0, m_viewer.lupe0Button());
    apply(m_btnLupeRueck, m_viewer.rueckButton());
    apply(m_btnLupeVor, m_viewer.vorButton());
    const TableLevel &level = m_viewer.level(m_viewer.currentLevel());
    m_levelLabel->setText(m_texts.text(textLevel) + QLatin1Char(' ') + QString::number(m_viewer.currentLevel()) +
                          (level.label.isEmpty() ? QString() : QStringLiteral(": ") + level.label));
    m_levelLabel->setToolTip(level.label);
    m_export->setEnabled(level.table >= 0);
}

void Tab_Form::closeEvent(QCloseEvent *event)
{
    emit closed();
    QWidget::closeEvent(event);
}

bool Tab_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tabMatrix && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy)) {
            copySelection();
            return true;
        }
    }
    if ((watched == m_tabMatrix || watched == m_tabMatrix->viewport()) && event->type() == QEvent::ContextMenu) {
        rightClick(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kitbox
