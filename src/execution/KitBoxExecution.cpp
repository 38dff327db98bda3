#include "execution/KitBoxExecution.h"

#include "catalogue/KitBoxCatalogue.h"
#include "execution/Res_Form.h"
#include "shell/KitBox.h"
#include "shell/KitBoxPictures.h"
#include "shell/TextCatalogue.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QListWidget>
#include <QToolButton>

namespace kitbox {

namespace {

constexpr int textContinuousIdle = 112;
constexpr int textContinuousRunning = 113;
constexpr int textTestIdle = 110;
constexpr int continuousButton = 7;
constexpr int testButton = 10;

QListWidget *resultListe(Job_Form *form)
{
    return form ? form->findChild<QListWidget *>(QStringLiteral("ResultListe")) : nullptr;
}

} // namespace

KitBoxExecution::KitBoxExecution(KitBox &kitbox, const KitBoxServices &services, VedamisApi &api,
                                 KitBoxCatalogue &catalogue, QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_texts(services.texts), m_catalogue(catalogue)
{
    m_runner = std::make_unique<JobRunner>(api, services.clock, kitbox.runFlags(), *this, services.dialogs,
                                           services.texts, services.settings.options());
    if (QAction *once = kitbox.menuAction(QStringLiteral("StarteJob")))
        connect(once, &QAction::triggered, this, &KitBoxExecution::starteJob);
    if (QAction *endless = kitbox.menuAction(QStringLiteral("StarteJobEndlos")))
        connect(endless, &QAction::triggered, this, &KitBoxExecution::starteJobEndlos);
    // The job window is made by loading; its double click runs the job once.
    connect(&catalogue, &KitBoxCatalogue::descriptionLoaded, this, &KitBoxExecution::connectJobForm);
    connectJobForm();
}

KitBoxExecution::~KitBoxExecution() = default;

void KitBoxExecution::connectJobForm()
{
    if (Job_Form *form = m_catalogue.jobForm())
        connect(form, &Job_Form::jobDoubleClicked, this, &KitBoxExecution::starteJob, Qt::UniqueConnection);
}

void KitBoxExecution::starteJob()
{
    m_runner->starteJob();
}

void KitBoxExecution::starteJobEndlos()
{
    m_runner->starteJobEndlos();
}

JobSelection KitBoxExecution::jobSelection()
{
    JobSelection s;
    Job_Form *form = m_catalogue.jobForm();
    if (form == nullptr)
        return s;
    s.entry = form->selectedJob();
    s.index = form->selectedIndex();
    s.argumentText = form->argumentText();
    s.dataFlag = form->dataFlag();
    if (QListWidget *list = resultListe(form)) {
        for (int i = 0; i < list->count(); ++i) {
            s.resultEntries << list->item(i)->text();
            if (list->item(i)->isSelected())
                s.selectedResults << list->item(i)->text();
        }
    }
    if (auto *box = form->findChild<QComboBox *>(QStringLiteral("ResultEingabe")))
        s.resultText = box->currentText();
    return s;
}

QString KitBoxExecution::currentDescription()
{
    return m_catalogue.catalogue().loadedName;
}

bool KitBoxExecution::isUdsDescription()
{
    return m_catalogue.catalogue().isUdsSgbd;
}

QStringList KitBoxExecution::resultListForSorting()
{
    QStringList entries;
    QListWidget *list = resultListe(m_catalogue.jobForm());
    if (list == nullptr || !list->isEnabled())
        return entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

ResultsOutput &KitBoxExecution::results()
{
    return m_kitbox.results();
}

void KitBoxExecution::setActivity(ResultsWindowRules::Activity activity)
{
    if (Res_Form *form = m_kitbox.resultsWindow(false))
        form->setActivity(activity);
}

void KitBoxExecution::setPausePanelVisible(bool visible)
{
    Res_Form *form = m_kitbox.resultsWindow(visible);
    if (form == nullptr)
        return;
    form->setDelayPanelVisible(visible);
    if (visible)
        form->delayTimeChange();
}

int KitBoxExecution::pauseMilliseconds()
{
    Res_Form *form = m_kitbox.resultsWindow(false);
    return form ? form->delay() : 0;
}

QString KitBoxExecution::resultsCaption()
{
    Res_Form *form = m_kitbox.resultsWindow(false);
    return form ? form->windowTitle() : QString();
}

void KitBoxExecution::setResultsCaption(const QString &caption)
{
    if (Res_Form *form = m_kitbox.resultsWindow(false))
        form->setWindowTitle(caption);
}

void KitBoxExecution::setContinuousRunCommand(bool running)
{
    if (QAction *action = m_kitbox.menuAction(QStringLiteral("StarteJobEndlos")))
        action->setText(QStringLiteral("&") + m_texts.text(running ? textContinuousRunning : textContinuousIdle));
    if (QToolButton *button = m_kitbox.toolbarButton(continuousButton)) {
        button->setIcon(QIcon(picture(running ? QStringLiteral("stop-continuous") : QStringLiteral("run-continuous"),
                                      button->iconSize(), button->devicePixelRatioF())));
        button->setProperty("running", running);
    }
}

bool KitBoxExecution::testRunCommandEnabled()
{
    QAction *action = m_kitbox.menuAction(QStringLiteral("StarteTest"));
    return action != nullptr && action->isEnabled();
}

void KitBoxExecution::setTestRunCommandIdle()
{
    if (QAction *action = m_kitbox.menuAction(QStringLiteral("StarteTest")))
        action->setText(QStringLiteral("&") + m_texts.text(textTestIdle));
    if (QToolButton *button = m_kitbox.toolbarButton(testButton))
        button->setIcon(QIcon(picture(QStringLiteral("run-test"), button->iconSize(), button->devicePixelRatioF())));
}

void KitBoxExecution::processEvents()
{
    QCoreApplication::processEvents();
}

} // namespace kitbox
