#include "catalogue/Job_Form.h"

#include "shell/Clock.h"
#include "shell/DialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kitbox {

namespace {

QString firstLocalFile(const QMimeData *mime)
{
    if (mime == nullptr)
        return {};
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

Job_Form::Job_Form(JobCatalogue &catalogue, Settings &settings, const TextCatalogue &texts, DialogService &dialogs,
                   Clock &clock, QWidget *parent)
    : QWidget(parent), m_catalogue(catalogue), m_settings(settings), m_texts(texts), m_dialogs(dialogs), m_clock(clock)
{
    setObjectName(QStringLiteral("Job_Form"));
    // Other windows find the job window by this tag.
    setProperty("Tag", QStringLiteral("JOBFORM"));
    setAcceptDrops(true);
    build();
    applyTexts();
}

void Job_Form::build()
{
    m_jobListeHeading = new QLabel(QStringLiteral("Jobs"), this);
    m_jobListeHeading->setObjectName(QStringLiteral("JobListeÜberschrift"));
    m_suchstring = new QLineEdit(this);
    m_suchstring->setObjectName(QStringLiteral("Suchstring"));
    m_jobListe = new QListWidget(this);
    m_jobListe->setObjectName(QStringLiteral("JobListe"));
    m_jobListe->setSelectionMode(QAbstractItemView::SingleSelection);

    m_argumentEingabe = new QComboBox(this);
    m_argumentEingabe->setObjectName(QStringLiteral("ArgumentEingabe"));
    m_argumentEingabe->setEditable(true);
    m_argumentEingabe->setInsertPolicy(QComboBox::NoInsert);
    m_dataFlagRahmen = new QFrame(this);
    m_dataFlagRahmen->setObjectName(QStringLiteral("DataFlagRahmen"));
    m_dataFlag = new QCheckBox(QStringLiteral("Data:"), m_dataFlagRahmen);
    m_dataFlag->setObjectName(QStringLiteral("DataFlag"));
    auto *dataLayout = new QHBoxLayout(m_dataFlagRahmen);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    dataLayout->addWidget(m_dataFlag);
    m_btnArgumentClear = new QPushButton(this);
    m_btnArgumentClear->setObjectName(QStringLiteral("btnArgumentClear"));
    m_btnArgumentCompose = new QPushButton(QStringLiteral("Compose Argument"), this);
    m_btnArgumentCompose->setObjectName(QStringLiteral("btnArgumentCompose"));
    m_btnArgumentCompose->setEnabled(false);
    m_argumentListeHeading = new QLabel(QStringLiteral("Arguments"), this);
    m_argumentListeHeading->setObjectName(QStringLiteral("ArgumentListeÜberschrift"));
    m_argumentListe = new QLabel(this);
    m_argumentListe->setObjectName(QStringLiteral("ArgumentListe"));
    m_argumentListe->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_argumentListe->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_argumentListe->setWordWrap(true);

    m_resultListeHeading = new QLabel(QStringLiteral("Results"), this);
    m_resultListeHeading->setObjectName(QStringLiteral("ResultListeÜberschrift"));
    m_resultListe = new QListWidget(this);
    m_resultListe->setObjectName(QStringLiteral("ResultListe"));
    m_resultListe->setSelectionMode(QAbstractItemView::MultiSelection);
    m_resultEingabe = new QComboBox(this);
    m_resultEingabe->setObjectName(QStringLiteral("ResultEingabe"));
    m_resultEingabe->setEditable(true);
    m_resultEingabe->setInsertPolicy(QComboBox::NoInsert);
    m_previewStatus = new QLabel(this);
    m_previewStatus->setObjectName(QStringLiteral("labelZeit"));
    m_previewStatus->hide();

    m_verzoegerung = new QTimer(this);
    m_verzoegerung->setObjectName(QStringLiteral("Verzögerung"));
    m_verzoegerung->setSingleShot(true);
    m_verzoegerung->setInterval(delayMs);
    connect(m_verzoegerung, &QTimer::timeout, this, [this] {
        // The clock decides; a timer that fired early waits for the rest.
        if (m_delayPending && !pollDelay()) {
            const quint32 elapsed = Clock::elapsedMs(m_delayStart, m_clock.milliseconds());
            m_verzoegerung->start(int(qMax<quint32>(1, delayMs - qMin<quint32>(elapsed, delayMs))));
        }
    });

    auto *left = new QVBoxLayout;
    left->addWidget(m_jobListeHeading);
    left->addWidget(m_suchstring);
    left->addWidget(m_jobListe, 1);
    auto *argumentRow = new QHBoxLayout;
    argumentRow->addWidget(m_argumentEingabe, 1);
    argumentRow->addWidget(m_dataFlagRahmen);
    argumentRow->addWidget(m_btnArgumentClear);
    argumentRow->addWidget(m_btnArgumentCompose);
    auto *middle = new QVBoxLayout;
    middle->addLayout(argumentRow);
    middle->addWidget(m_argumentListeHeading);
    middle->addWidget(m_argumentListe, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(m_resultListeHeading);
    right->addWidget(m_resultListe, 1);
    right->addWidget(m_resultEingabe);
    right->addWidget(m_previewStatus);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 2);
    layout->addLayout(middle, 3);
    layout->addLayout(right, 2);

    connect(m_jobListe, &QListWidget::currentRowChanged, this, &Job_Form::jobSelected);
    connect(m_jobListe, &QListWidget::itemDoubleClicked, this, [this] { emit jobDoubleClicked(); });
    connect(m_suchstring, &QLineEdit::textChanged, this, &Job_Form::sucheEintrag);
    connect(m_argumentEingabe, &QComboBox::editTextChanged, this, &Job_Form::argumentEdited);
    connect(m_argumentEingabe, &QComboBox::activated, this, [this] { restartDelay(); });
    connect(m_argumentEingabe->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { enterPressed(m_argumentEingabe, m_settings.argumentHistory()); });
    connect(m_resultEingabe->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { enterPressed(m_resultEingabe, m_settings.resultHistory()); });
    connect(m_btnArgumentClear, &QPushButton::clicked, this, [this] { m_argumentEingabe->setEditText(QString()); });
    connect(m_btnArgumentCompose, &QPushButton::clicked, this, &Job_Form::composeArgument);
    connect(m_resultListe, &QListWidget::itemSelectionChanged, this, &Job_Form::resultSelectionChanged);

    for (QWidget *w : {static_cast<QWidget *>(m_jobListeHeading), static_cast<QWidget *>(m_resultListeHeading)})
        w->installEventFilter(this);
    for (QListWidget *list : {m_jobListe, m_resultListe}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint &pos) { rightClick(list, list->viewport()->mapToGlobal(pos)); });
    }
    // Files dropped onto the lists and fields reach the window too.
    for (QWidget *w : {static_cast<QWidget *>(m_jobListe), static_cast<QWidget *>(m_resultListe),
                       static_cast<QWidget *>(m_suchstring), static_cast<QWidget *>(m_argumentEingabe),
                       static_cast<QWidget *>(m_resultEingabe)}) {
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }
    m_jobListe->viewport()->installEventFilter(this);
    m_resultListe->viewport()->installEventFilter(this);
}

void Job_Form::applyTexts()
{
    m_btnArgumentClear->setText(m_texts.text(24));
    m_btnArgumentClear->setToolTip(m_texts.text(26));
    m_btnArgumentCompose->setText(m_texts.text(25));
    m_btnArgumentCompose->setToolTip(m_texts.text(27));
}

void Job_Form::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_historiesLoaded) {
        m_verzoegerung->stop();
        m_delayPending = false;
        applyTexts();
        loadHistories();
        m_historiesLoaded = true;
    }
}

void Job_Form::loadHistories()
{
    const QString argument = m_argumentEingabe->currentText();
    const QString result = m_resultEingabe->currentText();
    m_argumentEingabe->clear();
    m_argumentEingabe->addItems(m_settings.argumentHistory());
    m_argumentEingabe->setEditText(argument);
    m_resultEingabe->clear();
    m_resultEingabe->addItems(m_settings.resultHistory());
    m_resultEingabe->setEditText(result);
}

void Job_Form::storeHistories()
{
    QStringList arguments;
    for (int i = 0; i < m_argumentEingabe->count(); ++i)
        arguments.append(m_argumentEingabe->itemText(i));
    QStringList results;
    for (int i = 0; i < m_resultEingabe->count(); ++i)
        results.append(m_resultEingabe->itemText(i));
    m_settings.argumentHistory() = arguments;
    m_settings.resultHistory() = results;
}

void Job_Form::closeEvent(QCloseEvent *event)
{
    storeHistories();
    m_verzoegerung->stop();
    m_delayPending = false;
    m_historiesLoaded = false;
    QWidget::closeEvent(event);
    emit closed();
}

void Job_Form::resetForLoad()
{
    m_verzoegerung->stop();
    m_delayPending = false;
    setWindowTitle(QString());
    const QSignalBlocker blockJobs(m_jobListe);
    m_jobListe->clear();
    const QSignalBlocker blockResults(m_resultListe);
    m_resultListe->clear();
    m_argumentEingabe->setEditText(QString());
    m_resultEingabe->setEditText(QString());
    m_argumentListe->clear();
    m_btnArgumentCompose->setEnabled(false);
    m_lastShown = -1;
}

void Job_Form::showJobs(const QStringList &jobs)
{
    {
        const QSignalBlocker block(m_jobListe);
        m_jobListe->clear();
        m_jobListe->addItems(jobs);
    }
    if (!jobs.isEmpty()) {
        m_jobListe->setCurrentRow(0);
        m_jobListe->setFocus();
    }
}

QString Job_Form::selectedJob() const
{
    const QListWidgetItem *item = m_jobListe->currentItem();
    return item != nullptr ? item->text() : QString();
}

int Job_Form::selectedIndex() const
{
    return m_jobListe->currentRow();
}

QString Job_Form::argumentText() const
{
    return m_argumentEingabe->currentText();
}

void Job_Form::setArgumentText(const QString &text)
{
    m_argumentEingabe->setEditText(text);
    m_argumentEingabe->lineEdit()->setCursorPosition(int(text.size()));
}

bool Job_Form::dataFlag() const
{
    return m_dataFlag->isChecked();
}

QString Job_Form::resultFilter() const
{
    QStringList selected;
    for (int i = 0; i < m_resultListe->count(); ++i)
        if (m_resultListe->item(i)->isSelected())
            selected.append(m_resultListe->item(i)->text());
    if (selected.isEmpty())
        return m_resultEingabe->currentText();
    return JobWindowRules::resultFilter(selected);
}

void Job_Form::restartDelay()
{
    m_verzoegerung->stop();
    m_delayStart = m_clock.milliseconds();
    m_delayPending = true;
    m_verzoegerung->start();
}

bool Job_Form::pollDelay()
{
    if (!m_delayPending || Clock::elapsedMs(m_delayStart, m_clock.milliseconds()) < quint32(delayMs))
        return false;
    m_verzoegerung->stop();
    m_delayPending = false;
    if (!m_batchCheckActive)
        refreshDetails();
    return true;
}

void Job_Form::jobSelected(int row)
{
    if (row != m_lastShown) {
        m_resultListe->clear();
        m_argumentListe->hide();
        m_argumentListe->clear();
        restartDelay();
    }
    m_btnArgumentCompose->setEnabled(JobWindowRules::composeEnabled(selectedJob(), m_catalogue.isUdsSgbd));
}

void Job_Form::refreshDetails()
{
    const int index = m_jobListe->currentRow();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ShellOptions &options = m_settings.options();

    const QString summary = m_catalogue.argSummaryAt(index);
    if (options.argInfo != 0 && !summary.isEmpty()) {
        m_argumentListe->setText(QString(summary).replace(kCrLf, QStringLiteral("\n")));
        m_argumentListe->show();
    } else {
        m_argumentListe->hide();
    }

    m_resultListe->setToolTip(QString());
    const QStringList names = m_catalogue.resultNameList(index);
    if (options.resInfo == 0 || names.isEmpty()) {
        m_resultListe->hide();
        m_resultEingabe->show();
    } else {
        const QSignalBlocker block(m_resultListe);
        m_resultListe->clear();
        m_resultListe->addItems(names);
        m_resultListe->show();
        m_resultEingabe->hide();
    }

    // The preview belongs to the result information: with it off the list stays hidden.
    const QStringList preview =
        m_resultPreview && options.resInfo != 0 ? m_resultPreview(selectedJob(), argumentText()) : QStringList();
    if (options.resInfo == 0)
        setPreviewStatus(QString());
    if (!preview.isEmpty()) {
        const QSignalBlocker block(m_resultListe);
        m_resultListe->addItems(preview);
        m_resultListe->show();
        m_resultEingabe->hide();
    }

    if (options.jobInfo != 0)
        emit jobInfoToShow(m_catalogue.jobInfoAt(index));
    m_lastShown = index;
    QApplication::restoreOverrideCursor();
    emit detailsRefreshed(index);
}

void Job_Form::argumentEdited(const QString &text)
{
    const QString replaced = JobWindowRules::replaceTabs(text);
    if (replaced != text) {
        m_argumentEingabe->setEditText(replaced);
        return; // the rewrite comes back here and restarts the delay
    }
    restartDelay();
}

void Job_Form::enterPressed(QComboBox *box, QStringList &history)
{
    const QString text = box->currentText().trimmed();
    JobWindowRules::addToHistory(history, text);
    const QSignalBlocker block(box);
    box->clear();
    box->addItems(history);
    box->setEditText(text);
}

void Job_Form::resultSelectionChanged()
{
    QStringList selected;
    for (int i = 0; i < m_resultListe->count(); ++i)
        if (m_resultListe->item(i)->isSelected())
            selected.append(m_resultListe->item(i)->text());
    if (!JobWindowRules::resultSelectionFits(selected)) {
        QApplication::beep();
        if (QListWidgetItem *clicked = m_resultListe->currentItem()) {
            const QSignalBlocker block(m_resultListe);
            clicked->setSelected(false);
            selected.removeOne(clicked->text());
        }
        m_dialogs.message(QStringLiteral("Resultstring ") + m_texts.text(68) + QStringLiteral(" ( max. 255 Byte )"),
                          windowTitle(), MessageIcon::Warning);
    }
    // Walk in list order (the selection above is already in list order).
    m_resultEingabe->setEditText(JobWindowRules::resultFilter(selected));
}

void Job_Form::composeArgument()
{
    const JobWindowRules::AssistantChoice choice = JobWindowRules::assistantFor(selectedJob());
    if (choice.assistant == JobWindowRules::Assistant::None || !m_assistant)
        return;
    const QString composed = m_assistant(choice.assistant, choice.service, m_argumentEingabe->currentText());
    if (composed.isEmpty())
        return;
    m_argumentEingabe->setEditText(composed);
    // A composed argument is text, never data bytes.
    m_dataFlag->setChecked(false);
}

void Job_Form::setPreviewStatus(const QString &text)
{
    m_previewStatus->setText(text);
    m_previewStatus->setVisible(!text.isEmpty());
}

void Job_Form::sucheEintrag(const QString &text)
{
    if (text.isEmpty())
        return;
    QStringList entries;
    entries.reserve(m_jobListe->count());
    for (int i = 0; i < m_jobListe->count(); ++i)
        entries.append(m_jobListe->item(i)->text());
    const int found = JobWindowRules::search(entries, m_jobListe->currentRow(), text);
    if (found >= 0) {
        m_jobListe->setCurrentRow(found);
        if (m_suchstring->text() != text)
            m_suchstring->setText(text);
    } else {
        // The shortened text is searched again through the field's change.
        m_suchstring->setText(text.chopped(1));
    }
}

void Job_Form::argumentTooltip()
{
    m_argumentEingabe->setToolTip(m_argumentEingabe->currentText());
}

void Job_Form::rightClick(QListWidget *list, const QPoint &globalPosition)
{
    if (!m_editMenu)
        return;
    const int command = m_editMenu(globalPosition);
    if (command == 0)
        return;
    if (command != 3) {
        QApplication::beep();
        return;
    }
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    const QListWidgetItem *item = list->currentItem();
    clipboard->setText(item != nullptr ? item->text() : QString());
}

bool Job_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_jobListeHeading) {
            m_jobListe->setFocus();
            return true;
        }
        if (watched == m_resultListeHeading) {
            if (m_resultListe->isVisible())
                m_resultListe->setFocus();
            else
                m_resultEingabe->setFocus();
            return true;
        }
    }
    if (event->type() == QEvent::DragEnter) {
        auto *drag = static_cast<QDragEnterEvent *>(event);
        if (!firstLocalFile(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    }
    if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = firstLocalFile(drop->mimeData());
        if (!path.isEmpty()) {
            drop->acceptProposedAction();
            emit fileDropped(path);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Job_Form::dragEnterEvent(QDragEnterEvent *event)
{
    if (!firstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Job_Form::dropEvent(QDropEvent *event)
{
    const QString path = firstLocalFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    emit fileDropped(path);
}

} // namespace kitbox
