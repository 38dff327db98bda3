#include "uds/Job_22_Form.h"

#include "shell/TextCatalogue.h"
#include "uds/AssistantWidget.h"
#include "uds/UdsFunctionList.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kitbox {

namespace {

constexpr int textArgumentsFor = 603;

} // namespace

Job_22_Form::Job_22_Form(const JobCatalogue &catalogue, const TextCatalogue &texts, QWidget *parent)
    : QDialog(parent), m_assistant(catalogue), m_texts(texts)
{
    setObjectName(QStringLiteral("Job_22_Form"));
    setModal(true);
    setWindowTitle(texts.text(textArgumentsFor) + QStringLiteral(" STATUS_LESEN"));

    const AssistantControls controls = makeAssistantControls(this, texts);
    QGroupBox *frame = controls.frameSpalte;
    QButtonGroup *group = controls.columns;
    for (int i = 0; i < 3; ++i)
        m_rbSpalte[i] = controls.rbSpalte[i];
    m_chkInfo = controls.chkInfo;
    m_search = controls.search;

    auto *labelStatus = new QLabel(QStringLiteral("STATUS"), this);
    labelStatus->setObjectName(QStringLiteral("labelStatus"));
    m_lbStatus = new QListWidget(this);
    m_lbStatus->setObjectName(QStringLiteral("lbStatus"));
    m_lbStatus->setSelectionMode(QAbstractItemView::MultiSelection);
    labelStatus->setBuddy(m_lbStatus);

    m_argumentLine = controls.argumentLine;

    m_btnOK = controls.btnOK;
    m_btnCancel = controls.btnCancel;

    auto *top = new QHBoxLayout;
    top->addWidget(frame);
    top->addWidget(m_chkInfo);
    top->addStretch(1);
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(labelStatus);
    statusRow->addWidget(m_search, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(statusRow);
    layout->addWidget(m_lbStatus, 1);
    layout->addWidget(controls.returnsLabel);
    layout->addWidget(m_argumentLine);
    layout->addLayout(buttons);
    resize(520, 560);

    connect(group, &QButtonGroup::idClicked, this, &Job_22_Form::columnClicked);
    connect(m_chkInfo, &QCheckBox::clicked, this, &Job_22_Form::infoClicked);
    connect(m_lbStatus, &QListWidget::itemSelectionChanged, this, &Job_22_Form::selectionChanged);
    connect(m_search, &QLineEdit::textChanged, this, &Job_22_Form::searchChanged);
    connect(m_btnOK, &QPushButton::clicked, this, &Job_22_Form::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_search->installEventFilter(this);
    setTabOrder(m_search, m_lbStatus);
}

void Job_22_Form::prepare(const QString &argument)
{
    m_argumentOut.clear();
    m_assistant.setInfo(m_chkInfo->isChecked());
    m_assistant.preselect(argument);
    m_rbSpalte[m_assistant.column()]->setChecked(true);
    showList();
    m_lbStatus->setFocus();
}

void Job_22_Form::showList()
{
    const QSignalBlocker block(m_lbStatus);
    m_lbStatus->clear();
    m_lbStatus->setToolTip(QString());
    m_lbStatus->addItems(m_assistant.entryTexts());
    for (int i : m_assistant.selectedEntries())
        m_lbStatus->item(i)->setSelected(true);
    const QList<int> selected = m_assistant.selectedEntries();
    m_lbStatus->setCurrentRow(selected.isEmpty() ? 0 : selected.first(), QItemSelectionModel::NoUpdate);
    searchChanged(m_search->text());
    m_lbStatus->setToolTip(m_assistant.toolTip());
    m_argumentLine->setText(m_assistant.compose());
}

void Job_22_Form::columnClicked(int option)
{
    m_assistant.setColumn(option);
    showList();
}

void Job_22_Form::infoClicked(bool checked)
{
    m_assistant.setInfo(checked);
    showList();
}

void Job_22_Form::selectionChanged()
{
    for (int i = 0; i < m_lbStatus->count(); ++i)
        m_assistant.setSelected(i, m_lbStatus->item(i)->isSelected());
    m_lbStatus->setToolTip(m_assistant.toolTip());
    m_argumentLine->setText(m_assistant.compose());
}

void Job_22_Form::searchChanged(const QString &text)
{
    // Type-ahead: only the entries containing the text stay visible; the
    // selection of hidden entries is kept.
    int first = -1;
    for (int i = 0; i < m_lbStatus->count(); ++i) {
        const bool match = text.isEmpty() || m_lbStatus->item(i)->text().contains(text, Qt::CaseInsensitive);
        m_lbStatus->setRowHidden(i, !match);
        if (match && first < 0)
            first = i;
    }
    if (first >= 0 && !text.isEmpty())
        m_lbStatus->setCurrentRow(first, QItemSelectionModel::NoUpdate);
}

bool Job_22_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Down and Enter go on to the list, where Space picks the entry.
            m_lbStatus->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Job_22_Form::accept()
{
    m_argumentOut = m_assistant.compose();
    QDialog::accept();
}

} // namespace kitbox
