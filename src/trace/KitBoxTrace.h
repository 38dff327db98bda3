#pragma once
// The main window's side of the trace and simulation windows: the two Trace
// menu entries and the recording entry, the simulation editor following
// every description load, its save entry and tool-bar button, and its
// question at the end of the program.
#include "shell/KitBox.h"
#include "trace/Ifh_Form.h"
#include "trace/Sim_Form.h"
#include "trace/SimulationEditor.h"
#include "trace/TraceViewer.h"

#include <QObject>
#include <QPointer>

class QAction;

namespace kitbox {

class KitBoxCatalogue;

class KitBoxTrace : public QObject {
    Q_OBJECT
public:
    KitBoxTrace(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue,
                QObject *parent = nullptr);
    ~KitBoxTrace() override;

    // IfhTraceAnzeigen, and after every trace change.
    void showTrace();
    // IfhTraceLöschen.
    void clearTrace();
    // Follows a description load or a switch of the simulation.
    void loadSimulation();
    // SimulationSpeichern and the tool-bar button; true when the caller may go on.
    bool saveSimulation(bool ask);
    // The Trace menu's recording entry: the trace into a simulation file.
    void recordSimulation();

    Ifh_Form *traceWindow() const { return m_ifh; }
    Sim_Form *simulationWindow() const { return m_sim; }
    SimulationEditor &editor() { return m_editor; }
    QAction *recordAction() const { return m_record; }

private:
    Ifh_Form *ensureTraceWindow();
    Sim_Form *ensureSimulationWindow();
    void setSaveEnabled(bool enabled);
    void simulationEdited();

    KitBox &m_kitbox;
    KitBoxServices m_services;
    KitBoxCatalogue &m_catalogue;
    TraceViewer m_viewer;
    SimulationEditor m_editor;
    QPointer<Ifh_Form> m_ifh;
    QPointer<Sim_Form> m_sim;
    QAction *m_record = nullptr;
};

} // namespace kitbox
