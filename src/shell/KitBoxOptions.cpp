#include "shell/KitBoxOptions.h"

#include "shell/TextCatalogue.h"

#include <QAction>
#include <QMdiArea>

#include <algorithm>

namespace kitbox {

KitBoxOptions::KitBoxOptions(KitBox &kitbox, const KitBoxServices &services, QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services)
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("KonfigKitbox")))
        connect(a, &QAction::triggered, this, &KitBoxOptions::showWindow);
    m_kitbox.addUnloadStep([this] {
        if (m_form)
            m_form->storePlacement();
        return true;
    });
}

void KitBoxOptions::showWindow()
{
    if (!m_form) {
        m_kitbox.showStartPicture(false);
        auto *form = new Prg_Kon_Form(m_services.settings, m_services.texts);
        m_kitbox.mdiArea()->addSubWindow(form);
        form->load();
        // A stored position from a larger screen must not put the window out of reach.
        const QSize area = m_kitbox.mdiArea()->viewport()->size();
        form->move(std::clamp(form->x(), 0, std::max(0, area.width() - form->width())),
                   std::clamp(form->y(), 0, std::max(0, area.height() - form->height())));
        // Nothing to print here, neither while the window is active nor after.
        connect(form, &Prg_Kon_Form::activated, this, [this] { m_kitbox.clearPrintSource(); });
        connect(form, &Prg_Kon_Form::optionChanged, this, &KitBoxOptions::optionChanged);
        m_form = form;
    }
    m_form->show();
    m_kitbox.mdiArea()->setActiveSubWindow(m_form);
}

void KitBoxOptions::optionChanged(OptionEffect effect)
{
    switch (effect) {
    case OptionEffect::None:
        break;
    case OptionEffect::Panels:
        m_kitbox.applyDisplayOptions();
        break;
    case OptionEffect::Details:
        emit detailOptionsChanged();
        break;
    case OptionEffect::Language:
        m_services.texts.selectLanguage(m_services.settings.options().language);
        m_kitbox.applyLanguage();
        if (m_form)
            m_form->applyTexts();
        emit languageApplied();
        break;
    }
}

} // namespace kitbox
