#pragma once
// Puts the UDS function-table check into the main window: UDS_Check_Single
// checks the loaded description, UDS_Check_List loads several one after the
// other and checks each; both report into the results window.
#include <QObject>
#include <QStringList>

#include "shell/KitBox.h"

namespace kitbox {


class KitBoxCatalogue;


class KitBoxUdsCheck : public QObject {
    Q_OBJECT
public:
    KitBoxUdsCheck(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue,
                   QObject *parent = nullptr);

    // Checks the loaded description into the emptied results window.
    void checkSingle();
    // Asks for descriptions and checks each; while a list runs, the same
    // command stops it after the description at hand.
    void checkList();
    bool listRunning() const { return m_running; }

signals:
    // After each description of a list run (for observers such as tests).
    void listProgress(int done, int total);

private:
    void updateCommand();
    void runList(const QStringList &paths);
    void appendReport();
    void setListCaption();

    KitBox &m_kitbox;
    KitBoxServices m_services;
    KitBoxCatalogue &m_catalogue;
    bool m_running = false;
    bool m_stopRequested = false;
};

} // namespace kitbox
