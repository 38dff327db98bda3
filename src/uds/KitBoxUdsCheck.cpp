#include "uds/KitBoxUdsCheck.h"

#include "catalogue/Job_Form.h"
#include "catalogue/KitBoxCatalogue.h"
#include "runtime/RuntimeSession.h"
#include "runtime/VedamisApi.h"
#include "execution/ResultsOutput.h"
#include "shell/DialogService.h"
#include "shell/KitBox.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsCheck.h"
#include "uds/UdsCheckList.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace kitbox {

KitBoxUdsCheck::KitBoxUdsCheck(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue,
                               QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services), m_catalogue(catalogue)
{
    if (QAction *single = m_kitbox.menuAction(QStringLiteral("UDS_Check_Single")))
        connect(single, &QAction::triggered, this, &KitBoxUdsCheck::checkSingle);
    if (QAction *list = m_kitbox.menuAction(QStringLiteral("UDS_Check_List")))
        connect(list, &QAction::triggered, this, &KitBoxUdsCheck::checkList);
    connect(&m_catalogue, &KitBoxCatalogue::descriptionLoaded, this, &KitBoxUdsCheck::updateCommand);
    // A failed load clears the flag without a loaded signal; the menu shows the state it finds.
    if (QMenu *file = m_kitbox.menu(QStringLiteral("Datei")))
        connect(file, &QMenu::aboutToShow, this, &KitBoxUdsCheck::updateCommand);
    // Ending the program during a list run lets the run end after its current description.
    m_kitbox.addUnloadStep([this] {
        m_stopRequested = m_running;
        return true;
    });
}

void KitBoxUdsCheck::updateCommand()
{
    if (QAction *single = m_kitbox.menuAction(QStringLiteral("UDS_Check_Single")))
        single->setEnabled(m_catalogue.catalogue().isUdsSgbd && !m_running);
    setListCaption();
}

void KitBoxUdsCheck::setListCaption()
{
    // The language may change while the program runs, so the caption is set
    // from the catalogue each time rather than remembered.
    if (QAction *list = m_kitbox.menuAction(QStringLiteral("UDS_Check_List")))
        list->setText(m_services.texts.text(m_running ? 22001 : 197));
}

void KitBoxUdsCheck::appendReport()
{
    const JobCatalogue &catalogue = m_catalogue.catalogue();
    m_kitbox.results().appendText(UdsCheck(catalogue, m_services.texts).run(catalogue.loadedName).text);
}

void KitBoxUdsCheck::checkSingle()
{
    if (m_running)
        return;
    const JobCatalogue &catalogue = m_catalogue.catalogue();
    if (catalogue.loadedName.isEmpty()) {
        m_services.dialogs.message(m_services.texts.text(550), QString(), MessageIcon::None);
        return;
    }
    // Each check starts on an empty results window, so the report stands alone.
    ResultsOutput &results = m_kitbox.results();
    results.showNormal();
    results.setText(QString());
    appendReport();
}

void KitBoxUdsCheck::checkList()
{
    if (m_running) {
        m_stopRequested = true;
        return;
    }
    const TextCatalogue &texts = m_services.texts;
    QString ecuPath;
    if (!m_services.runtime.api().apiGetConfig(QStringLiteral("EcuPath"), ecuPath)) {
        m_services.dialogs.message(texts.text(505) + QStringLiteral(" ApiGetConfig()"), QString(),
                                   MessageIcon::None);
        ecuPath.clear();
    }
    const QString filter = QStringLiteral("SGBD *.prg (*.prg *.PRG)");
    for (;;) {
        const UdsCheckSelection selection =
            UdsCheckList::judge(m_services.dialogs.openFileNames(texts.text(551), ecuPath, filter));
        switch (selection.verdict) {
        case UdsCheckSelection::Verdict::Cancelled:
            return;
        case UdsCheckSelection::Verdict::BadName:
            m_services.dialogs.message(selection.name + QLatin1Char('\n') + texts.text(506), texts.text(10),
                                       MessageIcon::Warning);
            continue;
        case UdsCheckSelection::Verdict::Missing:
            m_services.dialogs.message(selection.name + QLatin1Char('\n') + texts.text(507), texts.text(10),
                                       MessageIcon::Warning);
            return;
        case UdsCheckSelection::Verdict::Ok:
            runList(selection.paths);
            return;
        }
    }
}

void KitBoxUdsCheck::runList(const QStringList &paths)
{
    ResultsOutput &results = m_kitbox.results();
    results.showNormal();
    results.setText(QString());

    if (!UdsCheckList::wantsHeader(paths)) {
        // One file: its load may ask and warn; what follows the load is silent.
        m_catalogue.loadForCheck(paths.first(), false);
        m_catalogue.setUdsCheckActive(false);
        updateCommand();
        appendReport();
        return;
    }

    results.setText(UdsCheckList::header(paths, m_services.texts));
    // The job window's deferred detail refresh must not interleave with the loads.
    QPointer<QTimer> delay;
    int interval = 0;
    if (Job_Form *form = m_catalogue.jobForm())
        delay = form->findChild<QTimer *>(QStringLiteral("Verzögerung"));
    if (delay) {
        interval = delay->interval();
        delay->stop();
        delay->setInterval(0);
    }
    m_running = true;
    m_stopRequested = false;
    updateCommand();
    int done = 0;
    const int total = int(paths.size());
    for (const QString &path : paths) {
        if (m_stopRequested)
            break;
        m_kitbox.setHint(UdsCheckList::progress(done + 1, total, path, m_services.texts));
        m_catalogue.loadForCheck(path, true);
        appendReport();
        ++done;
        emit listProgress(done, total);
        // The window repaints and takes the stop command between descriptions.
        QCoreApplication::processEvents();
    }
    if (done < total)
        results.appendText(UdsCheckList::stoppedLine(done, total, m_services.texts));
    m_catalogue.setUdsCheckActive(false);
    m_running = false;
    m_stopRequested = false;
    m_kitbox.setHint(QString());
    if (delay)
        delay->setInterval(interval);
    updateCommand();
}

} // namespace kitbox
