#pragma once
// The main window's side of the description catalogue: it carries out
// SGBD_Laden for the menu, the recent files, dropped and command-line files,
// shows the job window, the ECU information box and the pending table-error
// report, and applies what loading does to the windows (CatalogueHost).
#include "catalogue/CatalogueFill.h"
#include "catalogue/CatalogueHost.h"
#include "catalogue/JobCatalogue.h"
#include "catalogue/Job_Form.h"
#include "shell/KitBox.h"

#include <QObject>
#include <QPointer>

class QMdiSubWindow;

namespace kitbox {

class SifterApi;
class VedamisApi;

class KitBoxCatalogue : public QObject, public CatalogueHost {
    Q_OBJECT
public:
    KitBoxCatalogue(KitBox &kitbox, const KitBoxServices &services, VedamisApi &api, SifterApi &sifter,
                    QObject *parent = nullptr);
    ~KitBoxCatalogue() override;

    // SGBD_Laden: an empty name asks with the open dialog.
    void sgbdLaden(const QString &fileName);
    // Loads a description for the UDS check. The windows that follow a load
    // (job list, simulation) see the batch flag set; with silentLoad the
    // load itself is silent too. The flag stays set for the caller to clear.
    void loadForCheck(const QString &path, bool silentLoad);
    // UdsCheckActive: while set, loading shows no message boxes and runtime
    // error lines are appended to the results instead of replacing them.
    bool udsCheckActive() const { return m_udsCheckActive; }
    void setUdsCheckActive(bool active) { m_udsCheckActive = active; }
    // The catalogue fill again without reset, after an information option
    // was switched on (the options window calls this).
    void refillCatalogue();
    void showEcuInfo();
    // The date timer's work: the pending table-error report and the job
    // window's argument tool tip.
    void timerTick();
    // The pending table-error report (shown once, then cleared).
    void tableErrorReport();

    JobCatalogue &catalogue() { return m_catalogue; }
    Job_Form *jobForm() const { return m_jobForm; }
    CatalogueOptions options() const;

    // --- CatalogueHost ---------------------------------------------------
    void setBusy(bool busy) override;
    void beep() override;
    void reportRuntimeError(qint16 code, const QString &text) override;
    void closeTableViewer() override;
    void addRecentFile(const QString &path) override;
    void resetJobWindow() override;
    void setJobWindowCaption(const QString &caption) override;
    void setEcuInfoEnabled(bool enabled) override;
    void closeDetailWindows() override;
    void showJobList(const QStringList &jobs) override;
    void reinitTableViewer() override;

signals:
    // The table viewer, the job information window and the simulation editor
    // follow these (their windows connect themselves).
    void tableViewerCloseRequested();
    void tableViewerReinitRequested();
    void jobInfoWindowCloseRequested();
    void simulationEditorCloseRequested();
    void jobInfoToShow(const QString &text);
    // A description was loaded (its job list may be empty).
    void descriptionLoaded();
    // The job window was made; subsystems that extend it attach here.
    void jobFormCreated(Job_Form *form);

private:
    Job_Form *ensureJobForm();
    void jobFormClosed();
    void setRunCommandsEnabled(bool enabled);
    void openRecentFile(int number);
    void showJobWindow();

    KitBox &m_kitbox;
    KitBoxServices m_services;
    VedamisApi &m_api;
    SifterApi &m_sifter;
    JobCatalogue m_catalogue;
    QPointer<Job_Form> m_jobForm;
    QPointer<QMdiSubWindow> m_jobWindow;
    int m_busyDepth = 0;
    bool m_udsCheckActive = false;
};

} // namespace kitbox
