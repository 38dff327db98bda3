#include "testmatrix/Tst_Form.h"

#include "shell/KitBoxFonts.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestMatrix.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kitbox {

Tst_Form::Tst_Form(const TextCatalogue &texts, QWidget *parent) : QWidget(parent), m_texts(texts)
{
    setObjectName(QStringLiteral("Tst_Form"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_eingabe = new QLineEdit(this);
    m_eingabe->setObjectName(QStringLiteral("Eingabe"));
    m_grid = new QTableWidget(TestMatrix::lastStep, TestMatrix::lastField, this);
    m_grid->setObjectName(QStringLiteral("TestGrid"));
    m_grid->setFont(fixedPitchFont(9));
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    for (int r = 0; r < TestMatrix::lastStep; ++r)
        for (int c = 0; c < TestMatrix::lastField; ++c)
            m_grid->setItem(r, c, new QTableWidgetItem);
    layout->addWidget(m_eingabe);
    layout->addWidget(m_grid, 1);
    setAcceptDrops(true);
    applyTexts();

    connect(m_grid, &QTableWidget::itemChanged, this, &Tst_Form::itemChanged);
    connect(m_grid, &QTableWidget::currentCellChanged, this, &Tst_Form::currentMoved);
    connect(m_eingabe, &QLineEdit::textEdited, this, &Tst_Form::inputEdited);
}

void Tst_Form::applyTexts()
{
    QStringList titles;
    for (int c = 1; c <= TestMatrix::lastField; ++c)
        titles << TestMatrix::columnTitle(c);
    m_grid->setHorizontalHeaderLabels(titles);
    // The tool tips explain each column (texts 230 to 240).
    for (int c = 1; c <= TestMatrix::lastField; ++c)
        if (QTableWidgetItem *header = m_grid->horizontalHeaderItem(c - 1))
            header->setToolTip(m_texts.text(229 + c));
}

QString Tst_Form::cleaned(const QString &typed, bool *refused)
{
    QString text = typed;
    const bool bar = text.contains(QLatin1Char('|'));
    text.remove(QLatin1Char('|'));
    text.replace(QStringLiteral("\r\n"), QStringLiteral(";"));
    for (QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(u'\t')})
        text.replace(c, QLatin1Char(';'));
    if (refused)
        *refused = bar;
    return text;
}

void Tst_Form::showMatrix(const TestMatrix &matrix)
{
    m_showing = true;
    for (int r = 1; r <= TestMatrix::lastStep; ++r)
        for (int c = 1; c <= TestMatrix::lastField; ++c)
            m_grid->item(r - 1, c - 1)->setText(matrix.cell(r, c));
    m_showing = false;
    m_grid->resizeColumnsToContents();
    currentMoved();
}

int Tst_Form::currentStep() const
{
    return qMax(0, m_grid->currentRow()) + 1;
}

void Tst_Form::setCurrentStep(int row)
{
    if (row < 1 || row > TestMatrix::lastStep)
        return;
    m_grid->setCurrentCell(row - 1, qMax(0, m_grid->currentColumn()));
}

void Tst_Form::itemChanged(QTableWidgetItem *item)
{
    if (m_showing)
        return;
    bool refused = false;
    const QString text = cleaned(item->text(), &refused);
    if (refused)
        QApplication::beep();
    if (text != item->text()) {
        m_showing = true;
        item->setText(text);
        m_showing = false;
    }
    if (item == m_grid->currentItem())
        m_eingabe->setText(text);
    emit cellEdited(item->row() + 1, item->column() + 1, text);
}

void Tst_Form::inputEdited(const QString &typed)
{
    QTableWidgetItem *item = m_grid->currentItem();
    if (!item)
        return;
    bool refused = false;
    const QString text = cleaned(typed, &refused);
    if (refused) {
        QApplication::beep();
        m_eingabe->setText(text);
    }
    item->setText(text); // reports the edit through itemChanged
}

void Tst_Form::currentMoved()
{
    if (QTableWidgetItem *item = m_grid->currentItem())
        m_eingabe->setText(item->text());
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
