#include "runtime/KitBoxRuntimeConfig.h"

#include "runtime/Kon_Form.h"

#include <QAction>
#include <QMdiArea>

namespace kitbox {

KitBoxRuntimeConfig::KitBoxRuntimeConfig(KitBox &kitbox, const KitBoxServices &services, QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services)
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("KonfigVedamis")))
        connect(a, &QAction::triggered, this, &KitBoxRuntimeConfig::showWindow);
    // The position goes to the settings with the others at the end.
    m_kitbox.addUnloadStep([this] {
        if (m_form)
            m_form->storePlacement();
        return true;
    });
}

void KitBoxRuntimeConfig::showWindow()
{
    if (!m_form) {
        m_kitbox.showStartPicture(false);
        auto *form = new Kon_Form(m_services.runtime, m_services.settings, m_services.texts);
        m_kitbox.mdiArea()->addSubWindow(form);
        form->load();
        connect(form, &Kon_Form::activated, this, [this] { m_kitbox.clearPrintSource(); });
        connect(form, &Kon_Form::simulationSwitched, this, &KitBoxRuntimeConfig::simulationSwitched);
        connect(form, &Kon_Form::traceSwitched, this, [this] {
            m_kitbox.updateTraceMenu();
            emit traceSwitched();
        });
        m_form = form;
    }
    m_form->show();
    m_form->readValues();
    m_kitbox.mdiArea()->setActiveSubWindow(m_form);
}

} // namespace kitbox
