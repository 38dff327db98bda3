#include "uds/Job_00_Form.h"

#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"
#include "uds/AssistantWidget.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kitbox {

namespace {

constexpr int textInputCheck = 608;
constexpr int rowHeight = 26;

void setBackground(QWidget *w, bool warning)
{
    const QPalette normal = QApplication::palette(w);
    QPalette p = w->palette();
    p.setColor(QPalette::Base, warning ? Job_00_Form::warningColour() : normal.color(QPalette::Base));
    p.setColor(QPalette::Button, warning ? Job_00_Form::warningColour() : normal.color(QPalette::Button));
    w->setPalette(p);
}

} // namespace

Job_00_Form::Job_00_Form(const JobCatalogue &catalogue, const TextCatalogue &texts, DialogService &dialogs,
                         const QString &service, QWidget *parent)
    : QDialog(parent), m_assistant(catalogue, texts, service), m_texts(texts), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Job_00_Form"));
    setModal(true);
    setWindowTitle(m_assistant.caption());

    const AssistantControls controls = makeAssistantControls(this, texts);
    QGroupBox *frame = controls.frameSpalte;
    QButtonGroup *columns = controls.columns;
    for (int i = 0; i < 3; ++i)
        m_rbSpalte[i] = controls.rbSpalte[i];
    m_chkInfo = controls.chkInfo;
    m_search = controls.search;

    m_frameSteuern = new QGroupBox(QStringLiteral("STEUERPARAMETER"), this);
    m_frameSteuern->setObjectName(QStringLiteral("frameSteuern"));
    auto *steuernLayout = new QHBoxLayout(m_frameSteuern);
    auto *parameters = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        const ControlAssistant::ParameterOption &option = m_assistant.parameterOptions().at(i);
        m_rbSteuern[i] = new QRadioButton(option.caption, m_frameSteuern);
        m_rbSteuern[i]->setObjectName(QStringLiteral("rbSteuern%1").arg(i));
        m_rbSteuern[i]->setToolTip(option.toolTip);
        m_rbSteuern[i]->setVisible(option.visible);
        parameters->addButton(m_rbSteuern[i], i);
        steuernLayout->addWidget(m_rbSteuern[i]);
    }
    m_frameSteuern->setVisible(m_assistant.parameterFrameVisible());

    auto *labelStatus = new QLabel(QStringLiteral("STATUS"), this);
    labelStatus->setObjectName(QStringLiteral("labelStatus"));
    m_cbStatus = new QComboBox(this);
    m_cbStatus->setObjectName(QStringLiteral("cbStatus"));
    m_cbStatus->setMinimumContentsLength(30);
    m_cbStatus->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    labelStatus->setBuddy(m_cbStatus);

    m_argGrid = new QTableWidget(0, 8, this);
    m_argGrid->setObjectName(QStringLiteral("ArgGrid"));
    m_argGrid->setHorizontalHeaderLabels({QStringLiteral("ARG"), QStringLiteral("DATENTYP"), QStringLiteral("MIN"),
                                          QStringLiteral("MAX"), QStringLiteral("EINHEIT"), QStringLiteral("MUL"),
                                          QStringLiteral("DIV"), QStringLiteral("ADD")});
    m_argGrid->verticalHeader()->hide();
    m_argGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_argGrid->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_argGrid->horizontalHeader()->setFixedHeight(rowHeight);
    m_argGrid->horizontalHeader()->setStretchLastSection(true);
    m_argGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_argGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_argGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_argGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_argGrid->setFixedHeight(rowHeight * (ControlAssistant::maxValues + 1) + 2 * m_argGrid->frameWidth());
    m_argGrid->setFocusPolicy(Qt::NoFocus);
    m_argGridError = new QLabel(this);
    m_argGridError->setObjectName(QStringLiteral("ArgGridError"));
    m_argGridError->setAlignment(Qt::AlignCenter);
    m_argGridError->setFixedHeight(m_argGrid->height());
    m_argGridError->hide();

    // One value entry per grid row, each as high as a row and beside it.
    m_valuePanel = new QWidget(this);
    auto *valueLayout = new QVBoxLayout(m_valuePanel);
    valueLayout->setContentsMargins(0, m_argGrid->frameWidth(), 0, 0);
    valueLayout->setSpacing(0);
    auto *labelWert = new QLabel(QStringLiteral("WERT"), m_valuePanel);
    labelWert->setObjectName(QStringLiteral("labelWert"));
    labelWert->setFixedHeight(rowHeight);
    valueLayout->addWidget(labelWert);
    for (int i = 0; i < ControlAssistant::maxValues; ++i) {
        auto *slot = new QWidget(m_valuePanel);
        slot->setFixedHeight(rowHeight);
        auto *slotLayout = new QHBoxLayout(slot);
        slotLayout->setContentsMargins(0, 0, 0, 0);
        m_cbWert[i] = new QComboBox(slot);
        m_cbWert[i]->setObjectName(QStringLiteral("cbWert%1").arg(i + 1));
        m_txWert[i] = new QLineEdit(slot);
        m_txWert[i]->setObjectName(QStringLiteral("txWert%1").arg(i + 1));
        slotLayout->addWidget(m_cbWert[i]);
        slotLayout->addWidget(m_txWert[i]);
        m_cbWert[i]->hide();
        m_txWert[i]->hide();
        valueLayout->addWidget(slot);
        connect(m_txWert[i], &QLineEdit::textEdited, this, [this, i](const QString &text) {
            m_assistant.setValueText(i, text);
            setBackground(m_txWert[i], !m_assistant.values().at(i).valid);
            updateArgumentLine();
        });
        connect(m_cbWert[i], &QComboBox::activated, this, [this, i](int item) {
            m_assistant.chooseValue(i, item);
            setBackground(m_cbWert[i], !m_assistant.values().at(i).valid);
            updateArgumentLine();
        });
        // A 0-n list that was given a value it does not offer shows it as typed text.
        connect(m_cbWert[i], &QComboBox::editTextChanged, this, [this, i](const QString &text) {
            if (m_showing || !m_cbWert[i]->isEditable() || m_cbWert[i]->currentIndex() >= 0)
                return;
            m_assistant.setValueText(i, text);
            setBackground(m_cbWert[i], !m_assistant.values().at(i).valid);
            updateArgumentLine();
        });
        m_txWert[i]->installEventFilter(this);
        m_cbWert[i]->installEventFilter(this);
    }
    valueLayout->addStretch(1);
    m_valuePanel->setMinimumWidth(200);

    m_argumentLine = controls.argumentLine;
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("labelHinweis"));

    m_btnOK = controls.btnOK;
    m_btnCancel = controls.btnCancel;

    auto *top = new QHBoxLayout;
    top->addWidget(frame);
    top->addWidget(m_chkInfo);
    top->addWidget(m_frameSteuern);
    top->addStretch(1);
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(labelStatus);
    statusRow->addWidget(m_cbStatus, 3);
    statusRow->addWidget(m_search, 1);
    auto *gridRow = new QHBoxLayout;
    gridRow->setSpacing(4);
    auto *gridColumn = new QVBoxLayout;
    gridColumn->addWidget(m_argGrid);
    gridColumn->addWidget(m_argGridError);
    gridColumn->addStretch(1);
    gridRow->addLayout(gridColumn, 3);
    gridRow->addWidget(m_valuePanel, 1, Qt::AlignTop);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_hint, 1);
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(statusRow);
    layout->addLayout(gridRow, 1);
    layout->addWidget(controls.returnsLabel);
    layout->addWidget(m_argumentLine);
    layout->addLayout(buttons);
    resize(980, 560);

    connect(columns, &QButtonGroup::idClicked, this, [this](int option) {
        m_assistant.setColumn(option);
        showStatus();
        showGrid();
    });
    connect(m_chkInfo, &QCheckBox::clicked, this, [this](bool checked) {
        m_assistant.setInfo(checked);
        showStatus();
        showGrid();
    });
    connect(m_cbStatus, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_showing || index < 0)
            return;
        m_assistant.setStatus(index);
        showGrid();
    });
    connect(parameters, &QButtonGroup::idToggled, this, [this](int option, bool checked) {
        if (m_showing || !checked)
            return;
        m_assistant.setParameter(option);
        showGrid();
    });
    connect(m_argGrid, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { m_argGrid->setToolTip(m_assistant.rowToolTip(row + 1)); });
    connect(m_search, &QLineEdit::textChanged, this, &Job_00_Form::searchChanged);
    connect(m_btnOK, &QPushButton::clicked, this, &Job_00_Form::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_search->installEventFilter(this);
}

void Job_00_Form::prepare(const QString &argument)
{
    m_argumentOut.clear();
    m_assistant.setInfo(m_chkInfo->isChecked());
    m_assistant.open(argument);
    m_showing = true;
    m_rbSpalte[m_assistant.column()]->setChecked(true);
    if (m_assistant.parameterIndex() >= 0 && m_assistant.parameterIndex() < 4)
        m_rbSteuern[m_assistant.parameterIndex()]->setChecked(true);
    m_showing = false;
    showStatus();
    showGrid();
    m_cbStatus->setFocus();
}

void Job_00_Form::showStatus()
{
    m_showing = true;
    m_cbStatus->clear();
    for (const UdsFunctionEntry &entry : m_assistant.statusEntries())
        m_cbStatus->addItem(entry.text, entry.argumentTable);
    m_cbStatus->setCurrentIndex(m_assistant.statusIndex());
    setBackground(m_cbStatus, m_assistant.statusWarning());
    m_showing = false;
}

void Job_00_Form::showGrid()
{
    m_argGrid->setRowCount(0);
    m_argGrid->setToolTip(QString());
    const QList<UdsArgumentRow> &rows = m_assistant.rows();
    const bool shown = m_assistant.gridShown();
    m_argGrid->setVisible(shown);
    m_argGridError->setVisible(!shown);
    m_argGridError->setText(QString(m_assistant.gridErrorText()).replace(u'\r', u'\n'));
    if (shown) {
        m_argGrid->setRowCount(int(rows.size()));
        for (int r = 0; r < rows.size(); ++r) {
            const QStringList cells = ControlAssistant::gridCells(rows.at(r));
            for (int c = 0; c < cells.size(); ++c) {
                auto *item = new QTableWidgetItem(cells.at(c));
                // ARG and DATENTYP left, EINHEIT centred, the numbers right.
                const Qt::Alignment h = c <= 1 ? Qt::AlignLeft : (c == 4 ? Qt::AlignHCenter : Qt::AlignRight);
                item->setTextAlignment(h | Qt::AlignVCenter);
                m_argGrid->setItem(r, c, item);
            }
        }
        m_argGrid->resizeColumnsToContents();
    }
    for (int i = 0; i < ControlAssistant::maxValues; ++i)
        showValue(i);
    updateArgumentLine();
}

void Job_00_Form::showValue(int i)
{
    const ControlAssistant::ValueEntry &entry = m_assistant.values().at(i);
    const bool list = entry.kind == ControlAssistant::EntryKind::Switch ||
                      entry.kind == ControlAssistant::EntryKind::Discrete;
    const bool visible = m_assistant.gridShown() && i < m_assistant.rows().size();
    m_cbWert[i]->setVisible(visible && list);
    m_txWert[i]->setVisible(visible && entry.kind == ControlAssistant::EntryKind::Text);
    {
        m_showing = true;
        const QSignalBlocker block(m_cbWert[i]);
        m_cbWert[i]->clear();
        m_cbWert[i]->addItems(entry.items);
        m_cbWert[i]->setEditable(entry.kind == ControlAssistant::EntryKind::Discrete && !entry.text.isEmpty() &&
                                 !entry.items.contains(entry.text));
        m_cbWert[i]->setCurrentIndex(int(entry.items.indexOf(entry.text)));
        if (m_cbWert[i]->isEditable())
            m_cbWert[i]->setEditText(entry.text);
        m_showing = false;
    }
    m_txWert[i]->setText(entry.kind == ControlAssistant::EntryKind::Text ? entry.text : QString());
    m_txWert[i]->setToolTip(i < m_assistant.rows().size() ? m_assistant.rows().at(i).arg : QString());
    m_cbWert[i]->setToolTip(m_txWert[i]->toolTip());
    setBackground(m_txWert[i], !entry.valid);
    setBackground(m_cbWert[i], !entry.valid);
}

void Job_00_Form::updateArgumentLine()
{
    const ControlAssistant::Composed composed = m_assistant.compose();
    m_argumentLine->setText(composed.ok ? composed.text : composed.error);
    m_hint->setText(composed.emptyValues.join(QStringLiteral("; ")));
}

void Job_00_Form::searchChanged(const QString &text)
{
    const int found = UdsFunctionList::search(m_assistant.statusEntries(), text, 0);
    if (found >= 0 && found != m_cbStatus->currentIndex())
        m_cbStatus->setCurrentIndex(found);
}

bool Job_00_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_search && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Return ||
                                    key->key() == Qt::Key_Enter)) {
            // Down and Enter go to the next match, the list itself follows.
            const int from = m_cbStatus->currentIndex() + 1;
            const int found = UdsFunctionList::search(m_assistant.statusEntries(), m_search->text(), from);
            if (found >= 0)
                m_cbStatus->setCurrentIndex(found);
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn) {
        // The row of the focused value entry is the grid's current row, so its INFO shows.
        for (int i = 0; i < ControlAssistant::maxValues; ++i)
            if ((watched == m_txWert[i] || watched == m_cbWert[i]) && i < m_argGrid->rowCount())
                m_argGrid->setCurrentCell(i, 0);
    }
    return QDialog::eventFilter(watched, event);
}

void Job_00_Form::accept()
{
    const ControlAssistant::Composed composed = m_assistant.compose();
    if (!composed.ok) {
        m_dialogs.message(composed.error, m_texts.text(textInputCheck), MessageIcon::Critical);
        return;
    }
    m_argumentOut = composed.text;
    QDialog::accept();
}

} // namespace kitbox
