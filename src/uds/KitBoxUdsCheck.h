#pragma once
// Puts the UDS function-table check into the main window: UDS_Check_Single is
// enabled while the loaded description has its own SG_FUNKTIONEN and shows
// the check's report in the results window.
#include <QObject>

namespace kitbox {

class KitBox;
class KitBoxCatalogue;
struct KitBoxServices;

class KitBoxUdsCheck : public QObject {
    Q_OBJECT
public:
    KitBoxUdsCheck(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue,
                   QObject *parent = nullptr);

    // Checks the loaded description into the emptied results window.
    void checkSingle();

private:
    void updateCommand();

    KitBox &m_kitbox;
    const KitBoxServices &m_services;
    KitBoxCatalogue &m_catalogue;
};

} // namespace kitbox
