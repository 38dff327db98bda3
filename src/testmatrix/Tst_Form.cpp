#include "testmatrix/Tst_Form.h"

#include "shell/KitBoxFonts.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestMatrix.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kitbox {

namespace {

constexpr int firstToolTip = 229; // + column: texts 230 to 240

enum EditCommand { Cut = 2, Copy = 3, Paste = 4, Delete = 5, SelectAll = 6 };

} // namespace

Tst_Form::Tst_Form(const TextCatalogue &texts, TestMatrix &matrix, QWidget *parent)
    : QWidget(parent), m_texts(texts), m_matrix(matrix)
{
    setObjectName(QStringLiteral("Tst_Form"));
    setWindowTitle(QStringLiteral("Testdatei :"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Eingabezeile"));
    auto *line = new QHBoxLayout(frame);
    line->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(frame);
    label->setObjectName(QStringLiteral("EingabezeileLabel"));
    m_eingabe = new QLineEdit(frame);
    m_eingabe->setObjectName(QStringLiteral("Eingabe"));
    line->addWidget(label);
    line->addWidget(m_eingabe, 1);
    m_grid = new QTableWidget(TestMatrix::lastStep, TestMatrix::lastField, this);
    m_grid->setObjectName(QStringLiteral("TestMatrix"));
    m_grid->setFont(fixedPitchFont(9));
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    // Typed keys go to the end of the cell (gridKey); double click or F2 edit it in place.
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    for (int r = 0; r < TestMatrix::lastStep; ++r)
        for (int c = 0; c < TestMatrix::lastField; ++c)
            m_grid->setItem(r, c, new QTableWidgetItem);
    layout->addWidget(frame);
    layout->addWidget(m_grid, 1);
    setAcceptDrops(true);
    m_grid->installEventFilter(this);
    applyTexts();

    connect(m_grid, &QTableWidget::itemChanged, this, &Tst_Form::itemChanged);
    connect(m_grid, &QTableWidget::currentCellChanged, this, &Tst_Form::currentMoved);
    connect(m_grid, &QWidget::customContextMenuRequested, this, &Tst_Form::contextMenu);
    connect(m_eingabe, &QLineEdit::textEdited, this, &Tst_Form::inputEdited);
}

void Tst_Form::applyTexts()
{
    QStringList titles;
    for (int c = 1; c <= TestMatrix::lastField; ++c)
        titles << TestMatrix::columnTitle(c);
    m_grid->setHorizontalHeaderLabels(titles);
    // The tool tips explain each column, over the grid and over the input line.
    for (int c = 1; c <= TestMatrix::lastField; ++c) {
        const QString tip = m_texts.text(firstToolTip + c);
        if (QTableWidgetItem *header = m_grid->horizontalHeaderItem(c - 1))
            header->setToolTip(tip);
        for (int r = 0; r < TestMatrix::lastStep; ++r)
            m_grid->item(r, c - 1)->setToolTip(tip);
    }
    currentMoved();
}

void Tst_Form::showMatrix()
{
    refresh();
    // The input line always has a cell to show.
    if (!m_grid->currentItem())
        m_grid->setCurrentCell(0, 0);
    currentMoved();
}

void Tst_Form::refresh(int column)
{
    m_showing = true;
    for (int r = 1; r <= TestMatrix::lastStep; ++r)
        for (int c = 1; c <= TestMatrix::lastField; ++c)
            if (QTableWidgetItem *item = m_grid->item(r - 1, c - 1); item->text() != m_matrix.cell(r, c))
                item->setText(m_matrix.cell(r, c));
    m_showing = false;
    if (column > 0)
        m_grid->resizeColumnToContents(column - 1);
    else
        m_grid->resizeColumnsToContents();
}

void Tst_Form::matrixChanged(int column)
{
    refresh(column);
    if (QTableWidgetItem *item = m_grid->currentItem()) {
        m_eingabe->setText(item->text());
        m_eingabe->end(false);
    }
    emit edited();
}

int Tst_Form::currentStep() const
{
    return qMax(0, m_grid->currentRow()) + 1;
}

void Tst_Form::setCurrentStep(int row)
{
    setCurrentCell(row, qMax(0, m_grid->currentColumn()) + 1);
}

void Tst_Form::setCurrentCell(int row, int column)
{
    if (row < 1 || row > TestMatrix::lastStep || column < 1 || column > TestMatrix::lastField)
        return;
    m_grid->setCurrentCell(row - 1, column - 1);
}

TestEditing::CellRange Tst_Form::selection() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_grid->selectedRanges();
    if (ranges.isEmpty()) {
        const int r = currentStep();
        const int c = qMax(0, m_grid->currentColumn()) + 1;
        return {r, c, r, c};
    }
    TestEditing::CellRange range{TestMatrix::lastStep, TestMatrix::lastField, 1, 1};
    for (const QTableWidgetSelectionRange &s : ranges) {
        range.top = qMin(range.top, s.topRow() + 1);
        range.left = qMin(range.left, s.leftColumn() + 1);
        range.bottom = qMax(range.bottom, s.bottomRow() + 1);
        range.right = qMax(range.right, s.rightColumn() + 1);
    }
    return range;
}

void Tst_Form::setSelection(const TestEditing::CellRange &range)
{
    m_grid->clearSelection();
    m_grid->setRangeSelected(
        QTableWidgetSelectionRange(range.top - 1, range.left - 1, range.bottom - 1, range.right - 1), true);
}

void Tst_Form::takeOver(int row, int column, const QString &typed)
{
    bool refused = false;
    const QString before = m_matrix.cell(row, column);
    const QString stored = TestEditing::takenOver(column, before, typed, &refused);
    if (refused)
        QApplication::beep();
    if (stored != before) {
        m_matrix.setCell(row, column, stored);
        emit edited();
    }
    m_showing = true;
    m_grid->item(row - 1, column - 1)->setText(stored);
    m_showing = false;
    m_grid->resizeColumnToContents(column - 1);
    if (m_grid->currentRow() == row - 1 && m_grid->currentColumn() == column - 1 && m_eingabe->text() != stored)
        m_eingabe->setText(stored);
}

void Tst_Form::itemChanged(QTableWidgetItem *item)
{
    // Edited in place: the committed text is taken over like the input line's.
    if (!m_showing)
        takeOver(item->row() + 1, item->column() + 1, item->text());
}

void Tst_Form::inputEdited(const QString &typed)
{
    if (!m_grid->currentItem())
        return;
    const int row = m_grid->currentRow() + 1;
    // A job echo pasted from the results window becomes the step of this row;
    // typed by hand it counts once its line is closed.
    if (TestEditing::isJobEcho(typed) && typed.contains(u')')) {
        TestEditing::importJobEcho(m_matrix, row, typed);
        matrixChanged();
        return;
    }
    takeOver(row, m_grid->currentColumn() + 1, typed);
}

void Tst_Form::currentMoved()
{
    const int column = m_grid->currentColumn() + 1;
    if (QTableWidgetItem *item = m_grid->currentItem())
        m_eingabe->setText(item->text());
    const QString tip = column > 0 ? m_texts.text(firstToolTip + column) : QString();
    m_eingabe->setToolTip(tip);
    if (auto *frame = findChild<QFrame *>(QStringLiteral("Eingabezeile")))
        frame->setToolTip(tip);
    if (auto *label = findChild<QLabel *>(QStringLiteral("EingabezeileLabel")))
        label->setText(column > 0 ? TestMatrix::columnTitle(column) + QStringLiteral(" :") : QString());
}

bool Tst_Form::gridKey(QKeyEvent *event)
{
    // An open in-place editor takes its keys itself; these reach the grid only without one.
    if (!m_grid->currentItem())
        return false;
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Paste)) {
        editCommand(event->matches(QKeySequence::Copy) ? Copy : Paste);
        return true;
    }
    const int row = m_grid->currentRow() + 1;
    const int column = m_grid->currentColumn() + 1;
    if (event->key() == Qt::Key_Backspace) {
        takeOver(row, column, m_matrix.cell(row, column).chopped(qMin<qsizetype>(1, m_matrix.cell(row, column).size())));
        return true;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.front().isPrint() || (event->modifiers() & Qt::ControlModifier))
        return false;
    if (typed.contains(u'|')) {
        QApplication::beep();
        return true;
    }
    takeOver(row, column, m_matrix.cell(row, column) + typed);
    return true;
}

bool Tst_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress && gridKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void Tst_Form::contextMenu(const QPoint &position)
{
    if (!m_editMenu)
        return;
    const TestEditing::CellRange range = selection();
    setSelection(range);
    editCommand(m_editMenu(m_grid->viewport()->mapToGlobal(position), !(range == TestEditing::allSteps())));
}

void Tst_Form::editCommand(int command)
{
    const TestEditing::CellRange range = selection();
    QClipboard *clipboard = QApplication::clipboard();
    switch (command) {
    case Cut:
    case Copy:
    case Delete: {
        const QString text = TestEditing::copyBlock(m_matrix, range, command != Copy);
        clipboard->clear();
        if (command != Delete)
            clipboard->setText(text);
        if (command != Copy)
            matrixChanged();
        break;
    }
    case Paste: {
        const QString text = clipboard->text();
        const int row = currentStep();
        const bool changed = TestEditing::isJobEcho(text)
                                 ? TestEditing::importJobEcho(m_matrix, row, text)
                                 : TestEditing::pasteBlock(m_matrix, row, qMax(0, m_grid->currentColumn()) + 1, text);
        if (changed)
            matrixChanged();
        break;
    }
    case SelectAll:
        setSelection(TestEditing::allSteps());
        break;
    default:
        break;
    }
}

void Tst_Form::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void Tst_Form::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        emit fileDropped(urls.first().toLocalFile());
}

} // namespace kitbox
