#pragma once
// The main window's side of the program options window: KonfigKitbox and a
// click on the logo open it; what it switches is applied to the main window
// at once, and the detail options are handed on through a signal.
#include "shell/KitBox.h"
#include "shell/Prg_Kon_Form.h"

#include <QObject>
#include <QPointer>

namespace kitbox {

class KitBoxOptions : public QObject {
    Q_OBJECT
public:
    KitBoxOptions(KitBox &kitbox, const KitBoxServices &services, QObject *parent = nullptr);

    void showWindow();
    Prg_Kon_Form *window() const { return m_form; }

signals:
    // A description detail option changed: the catalogue is to be gathered again.
    void detailOptionsChanged();
    // The language was switched and applied to the main window.
    void languageApplied();

private:
    void optionChanged(OptionEffect effect);

    KitBox &m_kitbox;
    KitBoxServices m_services;
    QPointer<Prg_Kon_Form> m_form;
};

} // namespace kitbox
