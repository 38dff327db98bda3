#include "catalogue/KitBoxCatalogue.h"

#include "catalogue/DescriptionLoader.h"
#include "catalogue/EcuInfo.h"
#include "catalogue/Job_Form.h"
#include "catalogue/TableErrorFile.h"
#include "execution/Res_Form.h"
#include "runtime/VedamisApi.h"
#include "shell/DialogService.h"
#include "shell/KitBox.h"
#include "shell/MainMenuModel.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace kitbox {

namespace {

const QString kUnload = QStringLiteral("$$$$$$$$");

} // namespace

KitBoxCatalogue::KitBoxCatalogue(KitBox &kitbox, const KitBoxServices &services, VedamisApi &api, SifterApi &sifter,
                                 QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services), m_api(api), m_sifter(sifter)
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("SGBDLaden")))
        connect(a, &QAction::triggered, this, [this] { sgbdLaden(QString()); });
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("EcuInfo")))
        connect(a, &QAction::triggered, this, &KitBoxCatalogue::showEcuInfo);
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("Jobauswahl")))
        connect(a, &QAction::triggered, this, &KitBoxCatalogue::showJobWindow);
    for (int n = 1; n <= Settings::maxRecentFiles; ++n)
        if (QAction *a = m_kitbox.menuAction(QStringLiteral("LastFile") + QString::number(n)))
            connect(a, &QAction::triggered, this, [this, n] { openRecentFile(n); });
    connect(&m_kitbox, &KitBox::descriptionRequested, this, &KitBoxCatalogue::sgbdLaden);
    if (auto *timer = m_kitbox.findChild<QTimer *>(QStringLiteral("datum_timer")))
        connect(timer, &QTimer::timeout, this, &KitBoxCatalogue::timerTick);
}

KitBoxCatalogue::~KitBoxCatalogue() = default;

CatalogueOptions KitBoxCatalogue::options() const
{
    const ShellOptions &o = m_services.settings.options();
    CatalogueOptions options;
    options.jobInfo = o.jobInfo != 0;
    options.argInfo = o.argInfo != 0;
    options.resultInfo = o.resInfo != 0;
    options.tableInfo = o.tabInfo != 0;
    options.udsCheckActive = m_udsCheckActive;
    options.screenWidthTwips = m_kitbox.toTwips(m_kitbox.screen() ? m_kitbox.screen()->size().width() : 1920);
    // Beside the settings file; before it exists, where the first save puts it
    // (the user's config directory, created here).
    QString settingsPath = m_services.settings.readPath();
    if (settingsPath.isEmpty() || !QFileInfo::exists(settingsPath)) {
        const SettingsLocations &l = m_services.locations;
        if (!l.userConfigDir.isEmpty() && QDir().mkpath(l.userConfigDir))
            settingsPath = l.userConfigDir + QLatin1Char('/') + l.fileName;
        else
            settingsPath = Settings::locateForReading(l);
    }
    options.tableErrorFilePath = TableErrorFile::pathFor(settingsPath);
    return options;
}

void KitBoxCatalogue::sgbdLaden(const QString &fileName)
{
    m_kitbox.showStartPicture(false);
    DescriptionLoader loader(m_api, m_sifter, m_services.dialogs, m_services.texts, *this);
    if (loader.load(m_catalogue, fileName, options()))
        emit descriptionLoaded();
}

void KitBoxCatalogue::loadForCheck(const QString &path, bool silentLoad)
{
    m_kitbox.showStartPicture(false);
    m_udsCheckActive = silentLoad;
    DescriptionLoader loader(m_api, m_sifter, m_services.dialogs, m_services.texts, *this);
    const bool loaded = loader.load(m_catalogue, path, options());
    m_udsCheckActive = true;
    if (loaded)
        emit descriptionLoaded();
}

void KitBoxCatalogue::refillCatalogue()
{
    if (m_catalogue.jobList.isEmpty() || m_catalogue.descriptionPath.isEmpty())
        return;
    QString ecuPath;
    (void)m_api.apiGetConfig(QStringLiteral("EcuPath"), ecuPath);
    CatalogueFill fill(m_api, m_sifter, m_services.texts, *this);
    fill.run(m_catalogue, ecuPath, int(m_catalogue.jobList.size()), false, options());
    if (m_jobForm)
        m_jobForm->refreshDetails();
}

void KitBoxCatalogue::showEcuInfo()
{
    EcuInfo::show(m_api, m_services.dialogs, m_services.texts, m_catalogue.loadedName);
}

void KitBoxCatalogue::timerTick()
{
    if (m_catalogue.tableErrorFlag)
        tableErrorReport();
    if (m_jobWindow && m_kitbox.mdiArea()->activeSubWindow() == m_jobWindow && m_jobForm)
        m_jobForm->argumentTooltip();
}

void KitBoxCatalogue::tableErrorReport()
{
    m_catalogue.tableErrorFlag = false;
    const TextCatalogue &texts = m_services.texts;
    const QString path = m_catalogue.tableErrorFilePath;
    if (m_catalogue.tableErrorFileWritten) {
        const QString text = texts.text(516) + kCrLf + path + kCrLf + kCrLf + texts.text(517);
        if (m_services.dialogs.message(text, texts.text(511), MessageIcon::Question, MessageButtons::YesNo) ==
            DialogAnswer::Yes)
            QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    m_services.dialogs.message(path + QLatin1Char('\n') + texts.text(518) + QLatin1Char('\n'), texts.text(519),
                               MessageIcon::Information);
}

Job_Form *KitBoxCatalogue::ensureJobForm()
{
    if (m_jobForm)
        return m_jobForm;
    auto *form = new Job_Form(m_catalogue, m_services.settings, m_services.texts, m_services.dialogs, m_services.clock);
    m_jobForm = form;
    QMdiSubWindow *window = m_kitbox.mdiArea()->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_jobWindow = window;
    const WindowPlacement place = m_services.settings.window(QStringLiteral("JOB"));
    if (place.width > 0 && place.height > 0)
        window->setGeometry(m_kitbox.toPixels(place.left), m_kitbox.toPixels(place.top), m_kitbox.toPixels(place.width),
                            m_kitbox.toPixels(place.height));
    connect(form, &Job_Form::closed, this, &KitBoxCatalogue::jobFormClosed);
    connect(form, &Job_Form::fileDropped, &m_kitbox, &KitBox::openFile);
    connect(form, &Job_Form::jobInfoToShow, this, &KitBoxCatalogue::jobInfoToShow);
    connect(form, &Job_Form::jobDoubleClicked, this, [this] {
        QAction *run = m_kitbox.menuAction(QStringLiteral("StarteJob"));
        if (run && run->isEnabled())
            run->trigger();
    });
    connect(form, &Job_Form::detailsRefreshed, this, [this] { emit tableViewerReinitRequested(); });
    connect(form, &QWidget::windowTitleChanged, window, &QWidget::setWindowTitle);
    form->setEditMenuHandler([this](const QPoint &pos) {
        QMenu *menu = m_kitbox.editMenu();
        if (menu != nullptr)
            for (QAction *a : menu->actions())
                if (!a->isSeparator())
                    a->setEnabled(a->objectName() == QLatin1String("Kopieren"));
        return m_kitbox.popupEditMenu(pos);
    });
    emit jobFormCreated(form);
    return form;
}

void KitBoxCatalogue::showJobWindow()
{
    Job_Form *form = ensureJobForm();
    m_kitbox.showStartPicture(false);
    if (m_jobWindow->isMinimized() || m_jobWindow->isMaximized())
        m_jobWindow->showNormal();
    m_jobWindow->show();
    form->show();
    m_kitbox.mdiArea()->setActiveSubWindow(m_jobWindow);
}

void KitBoxCatalogue::jobFormClosed()
{
    if (m_jobWindow) {
        const QRect g = m_jobWindow->geometry();
        WindowPlacement place = m_services.settings.window(QStringLiteral("JOB"));
        place.left = m_kitbox.toTwips(g.x());
        place.top = qMax(0, m_kitbox.toTwips(g.y()));
        place.width = m_kitbox.toTwips(g.width());
        place.height = m_kitbox.toTwips(g.height());
        m_services.settings.setWindow(QStringLiteral("JOB"), place);
    }
    emit jobInfoWindowCloseRequested();
    emit tableViewerCloseRequested();
    emit simulationEditorCloseRequested();
    setRunCommandsEnabled(false);
    // Leaves no description loaded in the runtime.
    m_api.apiJob(kUnload, kUnload, QString(), QString());
    qint16 sets = 0;
    (void)m_api.apiResultSets(sets);
}

void KitBoxCatalogue::setRunCommandsEnabled(bool enabled)
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("StarteJob")))
        a->setEnabled(enabled);
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("StarteJobEndlos"))) {
        a->setEnabled(enabled);
        if (!enabled)
            a->setText(QLatin1Char('&') + m_services.texts.text(112));
    }
}

void KitBoxCatalogue::openRecentFile(int number)
{
    const QString path = m_services.settings.recentFiles().value(number - 1);
    if (path.isEmpty())
        return;
    const QString upper = path.toUpper();
    if (upper.contains(QLatin1String(".PRG")) || upper.contains(QLatin1String(".GRP")))
        sgbdLaden(path);
    else
        m_kitbox.openFile(path);
}

// --- CatalogueHost -------------------------------------------------------

void KitBoxCatalogue::setBusy(bool busy)
{
    if (busy) {
        ++m_busyDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        --m_busyDepth;
        QApplication::restoreOverrideCursor();
    }
}

void KitBoxCatalogue::beep()
{
    QApplication::beep();
}

void KitBoxCatalogue::reportRuntimeError(qint16 code, const QString &text)
{
    ResultsOutput &results = m_kitbox.results();
    results.showNormal();
    const QString line = QStringLiteral("VEDAMIS Fehler ") + QString::number(code) + QStringLiteral(" : ") + text + kCrLf;
    if (m_udsCheckActive)
        results.appendText(line);
    else
        results.setText(line);
}

void KitBoxCatalogue::closeTableViewer()
{
    emit tableViewerCloseRequested();
}

void KitBoxCatalogue::addRecentFile(const QString &path)
{
    m_kitbox.addRecentFile(path);
}

void KitBoxCatalogue::resetJobWindow()
{
    Job_Form *form = ensureJobForm();
    showJobWindow();
    form->resetForLoad();
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("Jobauswahl")))
        a->setEnabled(true);
    setRunCommandsEnabled(false);
    // A list check collects its reports in the results window across loads.
    if (!m_udsCheckActive && m_kitbox.resultsWindow(false) != nullptr)
        m_kitbox.results().setText(QString());
}

void KitBoxCatalogue::setJobWindowCaption(const QString &caption)
{
    ensureJobForm()->setWindowTitle(caption);
}

void KitBoxCatalogue::setEcuInfoEnabled(bool enabled)
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("EcuInfo")))
        a->setEnabled(enabled);
}

void KitBoxCatalogue::closeDetailWindows()
{
    emit tableViewerCloseRequested();
    emit jobInfoWindowCloseRequested();
    emit simulationEditorCloseRequested();
}

void KitBoxCatalogue::showJobList(const QStringList &jobs)
{
    ensureJobForm()->showJobs(jobs);
    setRunCommandsEnabled(!jobs.isEmpty());
}

void KitBoxCatalogue::reinitTableViewer()
{
    emit tableViewerReinitRequested();
}

} // namespace kitbox
