#include "uds/KitBoxUdsCheck.h"

#include "catalogue/KitBoxCatalogue.h"
#include "execution/ResultsOutput.h"
#include "shell/DialogService.h"
#include "shell/KitBox.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsCheck.h"

#include <QAction>
#include <QMenu>

namespace kitbox {

KitBoxUdsCheck::KitBoxUdsCheck(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue,
                               QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services), m_catalogue(catalogue)
{
    if (QAction *single = m_kitbox.menuAction(QStringLiteral("UDS_Check_Single")))
        connect(single, &QAction::triggered, this, &KitBoxUdsCheck::checkSingle);
    connect(&m_catalogue, &KitBoxCatalogue::descriptionLoaded, this, &KitBoxUdsCheck::updateCommand);
    // A failed load clears the flag without a loaded signal; the menu shows the state it finds.
    if (QMenu *file = m_kitbox.menu(QStringLiteral("Datei")))
        connect(file, &QMenu::aboutToShow, this, &KitBoxUdsCheck::updateCommand);
}

void KitBoxUdsCheck::updateCommand()
{
    if (QAction *single = m_kitbox.menuAction(QStringLiteral("UDS_Check_Single")))
        single->setEnabled(m_catalogue.catalogue().isUdsSgbd);
}

void KitBoxUdsCheck::checkSingle()
{
    const JobCatalogue &catalogue = m_catalogue.catalogue();
    if (catalogue.loadedName.isEmpty()) {
        m_services.dialogs.message(m_services.texts.text(550), QString(), MessageIcon::None);
        return;
    }
    // Each check starts on an empty results window, so the report stands alone.
    ResultsOutput &results = m_kitbox.results();
    results.showNormal();
    results.setText(QString());
    results.setText(UdsCheck(catalogue, m_services.texts).run(catalogue.loadedName).text);
}

} // namespace kitbox
