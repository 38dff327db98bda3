#pragma once
// The main window's side of the table viewer and the job information
// window: opening and closing them as loading, the job window and the
// information options ask, keeping their placement, the print source, and
// the jump from a table named in a job's information to the viewer.
#include "catalogue/Com_Form.h"
#include "catalogue/KitBoxCatalogue.h"
#include "catalogue/Tab_Form.h"
#include "shell/KitBox.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMdiSubWindow;

namespace kitbox {

class KitBoxTables : public QObject {
    Q_OBJECT
public:
    KitBoxTables(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue,
                 QObject *parent = nullptr);
    ~KitBoxTables() override;

    // Opens the viewer (created on first use) and brings it to the front.
    Tab_Form *showTableViewer();
    Tab_Form *tableViewer() const { return m_tabForm; }
    Com_Form *jobInfoWindow() const { return m_comForm; }
    void closeTableViewer();
    void closeJobInfoWindow();
    // A table named in the job information: the viewer shows it.
    void followReference(const QString &tableName, const QString &searchValue, const QString &jobInfo);

private:
    bool tableInfoOn() const;
    bool jobInfoOn() const;
    QMdiSubWindow *addWindow(QWidget *form, const QString &placementPrefix);
    void showWindow(QMdiSubWindow *window);
    void descriptionLoaded();
    void refreshTableViewer();
    void showJobInfo(const QString &text);
    void printTable(const QString &caption);
    void windowActivated(QMdiSubWindow *window);
    bool eventFilter(QObject *watched, QEvent *event) override;

    KitBox &m_kitbox;
    KitBoxServices m_services;
    KitBoxCatalogue &m_catalogue;
    QPointer<Tab_Form> m_tabForm;
    QPointer<QMdiSubWindow> m_tabWindow;
    QPointer<Com_Form> m_comForm;
    QPointer<QMdiSubWindow> m_comWindow;
    QAction *m_showTables = nullptr;
};

} // namespace kitbox
