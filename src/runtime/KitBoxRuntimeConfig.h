#pragma once
// The main window's side of the runtime configuration window: the menu entry
// KonfigVedamis opens it, and what it switches reaches the trace and
// simulation windows through the two signals.
#include "runtime/Kon_Form.h"
#include "shell/KitBox.h"

#include <QObject>
#include <QPointer>

namespace kitbox {

class KitBoxRuntimeConfig : public QObject {
    Q_OBJECT
public:
    KitBoxRuntimeConfig(KitBox &kitbox, const KitBoxServices &services, QObject *parent = nullptr);

    // Opens the window (created on first use) and brings it to the front.
    void showWindow();
    Kon_Form *window() const { return m_form; }

signals:
    void simulationSwitched();
    void traceSwitched();

private:
    KitBox &m_kitbox;
    KitBoxServices m_services;
    QPointer<Kon_Form> m_form;
};

} // namespace kitbox
