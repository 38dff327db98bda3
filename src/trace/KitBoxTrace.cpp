#include "trace/KitBoxTrace.h"

#include "catalogue/KitBoxCatalogue.h"
#include "runtime/RuntimeSession.h"
#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"
#include "trace/Ifh_Form.h"
#include "trace/Sim_Form.h"
#include "trace/SimulationRecorder.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>

namespace kitbox {

KitBoxTrace::KitBoxTrace(KitBox &kitbox, const KitBoxServices &services, KitBoxCatalogue &catalogue, QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services), m_catalogue(catalogue),
      m_viewer(services.runtime, services.dialogs, services.texts),
      m_editor(services.runtime, services.dialogs, services.texts)
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("IfhTraceAnzeigen")))
        connect(a, &QAction::triggered, this, &KitBoxTrace::showTrace);
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("IfhTraceLöschen")))
        connect(a, &QAction::triggered, this, &KitBoxTrace::clearTrace);
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("SimulationSpeichern")))
        connect(a, &QAction::triggered, this, [this] { (void)saveSimulation(false); });
    if (QMenu *trace = m_kitbox.menu(QStringLiteral("Trace"))) {
        m_record = trace->addAction(m_services.texts.text(21502));
        m_record->setObjectName(QStringLiteral("IfhTraceAufzeichnen"));
        connect(m_record, &QAction::triggered, this, &KitBoxTrace::recordSimulation);
        // The caption follows a language switch the next time the menu opens.
        connect(trace, &QMenu::aboutToShow, this, [this] { m_record->setText(m_services.texts.text(21502)); });
    }
    connect(&m_catalogue, &KitBoxCatalogue::descriptionLoaded, this, &KitBoxTrace::loadSimulation);
    m_editor.afterLoad = [] { QCoreApplication::processEvents(); };
    m_kitbox.addUnloadStep([this] {
        if (!saveSimulation(true))
            return false;
        if (m_sim) {
            m_sim->allowClose();
            m_sim->storePlacement();
        }
        if (m_ifh)
            m_ifh->storePlacement();
        return true;
    });
}

KitBoxTrace::~KitBoxTrace() = default;

Ifh_Form *KitBoxTrace::ensureTraceWindow()
{
    if (m_ifh)
        return m_ifh;
    m_kitbox.showStartPicture(false);
    auto *form = new Ifh_Form(m_services.settings, m_services.texts);
    m_kitbox.mdiArea()->addSubWindow(form);
    form->load();
    connect(form, &Ifh_Form::printSourceChanged, &m_kitbox, &KitBox::setPrintSource);
    connect(form, &Ifh_Form::editorStatusChanged, &m_kitbox, &KitBox::setEditorStatus);
    connect(form, &Ifh_Form::reloadRequested, this, [this] {
        // With the trace on the runtime holds the file; the window says so.
        showTrace();
    });
    m_ifh = form;
    return form;
}

void KitBoxTrace::showTrace()
{
    Ifh_Form *form = ensureTraceWindow();
    form->showTrace(m_viewer.show(), m_services.runtime.traceFilePath());
    if (!form->isMinimized())
        m_kitbox.mdiArea()->setActiveSubWindow(form);
}

void KitBoxTrace::clearTrace()
{
    if (!m_viewer.clear())
        return;
    m_kitbox.updateTraceMenu();
    showTrace();
}

Sim_Form *KitBoxTrace::ensureSimulationWindow()
{
    if (m_sim)
        return m_sim;
    auto *form = new Sim_Form(m_services.settings, m_services.texts);
    m_kitbox.mdiArea()->addSubWindow(form);
    form->load();
    connect(form, &Sim_Form::printSourceChanged, &m_kitbox, &KitBox::setPrintSource);
    connect(form, &Sim_Form::editorStatusChanged, &m_kitbox, &KitBox::setEditorStatus);
    connect(form, &Sim_Form::textEdited, this, &KitBoxTrace::simulationEdited);
    connect(form, &Sim_Form::fileDropped, &m_kitbox, &KitBox::openFile);
    m_sim = form;
    return form;
}

void KitBoxTrace::setSaveEnabled(bool enabled)
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("SimulationSpeichern")))
        a->setEnabled(enabled);
}

void KitBoxTrace::simulationEdited()
{
    if (!m_sim || m_sim->simFile()->isReadOnly())
        return;
    m_editor.markChanged();
    if (m_editor.changed())
        setSaveEnabled(true);
}

void KitBoxTrace::loadSimulation()
{
    const QString description = m_catalogue.catalogue().loadedName;
    if (description.isEmpty())
        return;
    Sim_Form *form = ensureSimulationWindow();
    const SimulationView view = m_editor.load(description, m_catalogue.udsCheckActive(), form->text());
    // Showing the editor, even minimised, would make it the active window and
    // take the keyboard from the window the user works in.
    QMdiSubWindow *active = m_kitbox.mdiArea()->currentSubWindow();
    form->showView(view);
    if (active && active != form && m_kitbox.mdiArea()->currentSubWindow() != active)
        m_kitbox.mdiArea()->setActiveSubWindow(active);
    form->setFaults(m_editor.faults());
    setSaveEnabled(false);
    m_kitbox.setHint(m_editor.faultSummary());
}

bool KitBoxTrace::saveSimulation(bool ask)
{
    if (!m_sim)
        return true;
    const bool goOn = m_editor.save(ask, m_sim->text());
    if (!m_editor.changed())
        m_sim->setUnmodified();
    setSaveEnabled(m_editor.changed());
    m_sim->setFaults(m_editor.faults());
    m_kitbox.setHint(m_editor.faultSummary());
    return goOn;
}

void KitBoxTrace::recordSimulation()
{
    const TextCatalogue &texts = m_services.texts;
    DialogService &dialogs = m_services.dialogs;
    const QString title = texts.text(21503);
    const QString description = m_catalogue.catalogue().loadedName;
    if (description.isEmpty()) {
        dialogs.message(texts.text(21510), title, MessageIcon::Information);
        return;
    }
    QFile file(m_services.runtime.traceFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs.message(texts.text(502) + file.fileName() + QLatin1Char(' ') + texts.text(70), title,
                        MessageIcon::Warning);
        return;
    }
    const QByteArray trace = file.readAll();
    const Result<Recording> recording = SimulationRecorder::record(trace, description);
    if (!recording) {
        dialogs.message(file.fileName() + QStringLiteral(": ") + QString::fromStdString(recording.error()), title,
                        MessageIcon::Warning);
        return;
    }
    const QString proposed = SimulationEditor::simulationFilePath(
        m_services.runtime.configValue(QStringLiteral("SimulationPath")), description);
    const QString target = dialogs.saveFileName(title, proposed, texts.text(21504));
    if (target.isEmpty())
        return;
    // The save dialog has asked before replacing a file.
    const Status written = SimulationRecorder::write(target, recording.value(), true);
    if (!written) {
        dialogs.message(QString::fromStdString(written.error()), title, MessageIcon::Critical);
        return;
    }
    dialogs.message(SimulationRecorder::summary(recording.value(), texts), title, MessageIcon::Information);
    // A recording into the file the editor shows is shown at once.
    if (m_sim && target.compare(m_editor.filePath()) == 0)
        loadSimulation();
}

} // namespace kitbox
