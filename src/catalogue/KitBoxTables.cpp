#include "catalogue/KitBoxTables.h"

#include "catalogue/Com_Form.h"
#include "catalogue/JobInfoReference.h"
#include "catalogue/Tab_Form.h"
#include "shell/Clock.h"
#include "shell/DialogService.h"
#include "shell/KitBoxFonts.h"
#include "shell/KitBoxPrinting.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

#include <QAction>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace kitbox {

namespace {

constexpr int textMenuEntry = 21600;
const QString kTablePrintSource = QStringLiteral("Tabelle_tab");
const QString kTabPlacement = QStringLiteral("TAB");
const QString kComPlacement = QStringLiteral("COM");

} // namespace

KitBoxTables::KitBoxTables(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue,
                           QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services), m_catalogue(catalogue)
{
    connect(&m_catalogue, &KitBoxCatalogue::descriptionLoaded, this, &KitBoxTables::descriptionLoaded);
    connect(&m_catalogue, &KitBoxCatalogue::tableViewerReinitRequested, this, &KitBoxTables::refreshTableViewer);
    connect(&m_catalogue, &KitBoxCatalogue::tableViewerCloseRequested, this, &KitBoxTables::closeTableViewer);
    connect(&m_catalogue, &KitBoxCatalogue::jobInfoWindowCloseRequested, this, &KitBoxTables::closeJobInfoWindow);
    connect(&m_catalogue, &KitBoxCatalogue::jobInfoToShow, this, &KitBoxTables::showJobInfo);
    connect(&m_kitbox, &KitBox::gridPrintRequested, this, &KitBoxTables::printTable);
    connect(m_kitbox.mdiArea(), &QMdiArea::subWindowActivated, this, &KitBoxTables::windowActivated);

    // The job menu gets the entry that opens the viewer; its caption follows
    // the language whenever the menu opens.
    if (QMenu *jobMenu = m_kitbox.menu(QStringLiteral("Job"))) {
        m_showTables = jobMenu->addAction(QString());
        m_showTables->setObjectName(QStringLiteral("TabellenAnzeigen"));
        m_showTables->setEnabled(false);
        connect(m_showTables, &QAction::triggered, this, [this] { (void)showTableViewer(); });
        const auto caption = [this] { m_showTables->setText(m_services.texts.text(textMenuEntry)); };
        caption();
        connect(jobMenu, &QMenu::aboutToShow, this, caption);
    }
}

KitBoxTables::~KitBoxTables() = default;

bool KitBoxTables::tableInfoOn() const
{
    return m_services.settings.options().tabInfo != 0;
}

bool KitBoxTables::jobInfoOn() const
{
    return m_services.settings.options().jobInfo != 0;
}

QMdiSubWindow *KitBoxTables::addWindow(QWidget *form, const QString &placementPrefix)
{
    QMdiSubWindow *window = m_kitbox.mdiArea()->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    window->setProperty("placement", placementPrefix);
    const WindowPlacement place = m_services.settings.window(placementPrefix);
    if (place.width > 0 && place.height > 0)
        window->setGeometry(m_kitbox.toPixels(place.left), m_kitbox.toPixels(place.top),
                            m_kitbox.toPixels(place.width), m_kitbox.toPixels(place.height));
    connect(form, &QWidget::windowTitleChanged, window, &QWidget::setWindowTitle);
    window->setWindowTitle(form->windowTitle());
    // Position and size go into the settings as they change, so that they are
    // there whenever the settings are written.
    window->installEventFilter(this);
    return window;
}

bool KitBoxTables::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        (watched == m_tabWindow || watched == m_comWindow)) {
        auto *window = static_cast<QMdiSubWindow *>(watched);
        if (!window->isMinimized() && !window->isMaximized() && window->isVisible()) {
            const QString prefix = window->property("placement").toString();
            const QRect g = window->geometry();
            WindowPlacement place = m_services.settings.window(prefix);
            place.left = m_kitbox.toTwips(g.x());
            place.top = qMax(0, m_kitbox.toTwips(g.y()));
            place.width = m_kitbox.toTwips(g.width());
            place.height = m_kitbox.toTwips(g.height());
            m_services.settings.setWindow(prefix, place);
        }
    }
    return QObject::eventFilter(watched, event);
}

void KitBoxTables::showWindow(QMdiSubWindow *window)
{
    m_kitbox.showStartPicture(false);
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->widget()->show();
}

Tab_Form *KitBoxTables::showTableViewer()
{
    if (!m_tabForm) {
        auto *form = new Tab_Form(m_catalogue.catalogue(), m_services.dialogs, m_services.texts);
        m_tabForm = form;
        m_tabWindow = addWindow(form, kTabPlacement);
        form->setArgumentField(
            [this] { return m_catalogue.jobForm() ? m_catalogue.jobForm()->argumentText() : QString(); },
            [this](const QString &text) {
                if (Job_Form *job = m_catalogue.jobForm())
                    job->setArgumentText(text);
            });
        form->setEditMenuHandler([this](const QPoint &pos, const QList<QAction *> &extra) {
            if (QMenu *menu = m_kitbox.editMenu())
                for (QAction *a : menu->actions())
                    if (!a->isSeparator())
                        a->setEnabled(a->objectName() == QLatin1String("Kopieren"));
            return m_kitbox.popupEditMenu(pos, extra);
        });
        form->reinit();
    }
    showWindow(m_tabWindow);
    m_kitbox.mdiArea()->setActiveSubWindow(m_tabWindow);
    return m_tabForm;
}

void KitBoxTables::closeTableViewer()
{
    if (m_tabWindow)
        m_tabWindow->close();
}

void KitBoxTables::closeJobInfoWindow()
{
    if (m_comWindow)
        m_comWindow->close();
}

void KitBoxTables::descriptionLoaded()
{
    const bool tables = !m_catalogue.catalogue().tables.isEmpty();
    if (m_showTables)
        m_showTables->setEnabled(tables);
    if (!tableInfoOn() || !tables)
        return;
    const bool created = !m_tabForm;
    Tab_Form *form = showTableViewer();
    if (!created)
        form->reinit();
    // The job window stays the window the user works in.
    if (QWidget *job = m_catalogue.jobForm())
        if (auto *window = qobject_cast<QMdiSubWindow *>(job->parentWidget()))
            m_kitbox.mdiArea()->setActiveSubWindow(window);
}

void KitBoxTables::refreshTableViewer()
{
    if (m_showTables)
        m_showTables->setEnabled(!m_catalogue.catalogue().tables.isEmpty());
    if (tableInfoOn() && m_tabForm)
        m_tabForm->refresh();
}

void KitBoxTables::showJobInfo(const QString &text)
{
    if (!jobInfoOn())
        return;
    if (!m_comForm) {
        auto *form = new Com_Form(m_services.texts);
        m_comForm = form;
        m_comWindow = addWindow(form, kComPlacement);
        connect(form, &Com_Form::tableReferenced, this, &KitBoxTables::followReference);
        connect(form, &Com_Form::printSourceChanged, &m_kitbox, &KitBox::setPrintSource);
        showWindow(m_comWindow);
    }
    m_comForm->showJobInfo(text);
}

void KitBoxTables::followReference(const QString &tableName, const QString &searchValue, const QString &jobInfo)
{
    const int table = JobInfoReference::resolve(m_catalogue.catalogue(), jobInfo, tableName);
    if (table < 0)
        return;
    showTableViewer()->openTable(table, searchValue);
}

void KitBoxTables::windowActivated(QMdiSubWindow *window)
{
    if (window != nullptr && window == m_tabWindow)
        m_kitbox.setPrintSource(QString(), kTablePrintSource);
}

void KitBoxTables::printTable(const QString &caption)
{
    if (caption != kTablePrintSource || !m_tabForm || m_tabForm->viewer().currentTable() < 0)
        return;
    QAction *print = m_kitbox.menuAction(QStringLiteral("PrintFile"));
    if (print)
        print->setEnabled(false);
    const QString page = m_tabForm->viewer().printText(m_services.clock.now().date());
    const Status printed = printText(caption, page, fixedPitchFont(10, QStringLiteral("Courier New")));
    if (!printed)
        m_services.dialogs.message(QString::fromStdString(printed.error()), m_tabForm->windowTitle(),
                                   MessageIcon::Information);
    if (print)
        print->setEnabled(true);
}

} // namespace kitbox
