#include "testmatrix/KitBoxTest.h"

#include "execution/Res_Form.h"
#include "execution/ResultsOutput.h"
#include "runtime/RuntimeSession.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/Tst_Form.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

namespace kitbox {

KitBoxTest::KitBoxTest(KitBox &kitbox, const KitBoxServices &services, QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services),
      m_document(services.dialogs, services.texts, services.runtime.api()),
      m_run(services.runtime.api(), services.clock, kitbox.runFlags(), *this, services.texts)
{
    auto on = [this](const char *name, auto slot) {
        if (QAction *a = m_kitbox.menuAction(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, slot);
    };
    on("TestNeu", [this] {
        if (m_document.testNeu())
            showDocument();
    });
    on("TestLaden", [this] {
        if (m_document.testLaden()) {
            m_kitbox.addRecentFile(m_document.path());
            showDocument();
        }
    });
    on("TestSpeichern", [this] {
        if (m_document.testSpeichern())
            m_kitbox.addRecentFile(m_document.path());
        showDocument();
    });
    on("TestSpeichernUnter", [this] {
        if (m_document.testSpeichernUnter())
            m_kitbox.addRecentFile(m_document.path());
        showDocument();
    });
    on("StarteTest", [this] { starteTest(false); });
    on("StarteTestschritt", [this] { starteTest(true); });
    connect(&m_kitbox, &KitBox::testFileRequested, this, &KitBoxTest::openTestFile);
    // The batch run: the file is loaded by then; the end timer closes the
    // program once the run is over.
    connect(&m_kitbox, &KitBox::batchTestRequested, this, [this](const QString &) {
        m_kitbox.startBatchEndTimer();
        QTimer::singleShot(0, this, [this] { starteTest(false); });
    });
    // Ending the program stops a running test and asks about a changed one.
    m_kitbox.addUnloadStep([this] {
        m_kitbox.runFlags().testRun = false;
        return m_document.changeCheck();
    });
    updateCommands();
}

KitBoxTest::~KitBoxTest() = default;

bool KitBoxTest::openTestFile(const QString &path)
{
    if (!m_document.openFile(path))
        return false;
    m_kitbox.addRecentFile(m_document.path());
    showDocument();
    return true;
}

Tst_Form *KitBoxTest::ensureEditor()
{
    if (m_form)
        return m_form;
    auto *form = new Tst_Form(m_services.texts);
    m_form = form;
    QMdiSubWindow *window = m_kitbox.mdiArea()->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    m_window = window;
    const WindowPlacement place = m_services.settings.window(QStringLiteral("TST"));
    if (place.width > 0 && place.height > 0)
        window->setGeometry(m_kitbox.toPixels(place.left), m_kitbox.toPixels(place.top),
                            m_kitbox.toPixels(place.width), m_kitbox.toPixels(place.height));
    connect(form, &Tst_Form::cellEdited, this, &KitBoxTest::cellEdited);
    connect(form, &Tst_Form::fileDropped, this, &KitBoxTest::openTestFile);
    return form;
}

void KitBoxTest::showDocument()
{
    m_kitbox.showStartPicture(false);
    Tst_Form *form = ensureEditor();
    form->showMatrix(m_document.matrix());
    form->setWindowTitle(m_document.caption());
    if (m_window) {
        m_window->setWindowTitle(m_document.caption());
        m_window->show();
        m_kitbox.mdiArea()->setActiveSubWindow(m_window);
    }
    m_kitbox.setPrintSource(m_document.matrix().serialise(), m_document.caption());
    updateCommands();
}

void KitBoxTest::updateCommands()
{
    const bool editing = m_form != nullptr;
    for (const char *name : {"TestSpeichern", "TestSpeichernUnter", "StarteTest", "StarteTestschritt"})
        if (QAction *a = m_kitbox.menuAction(QString::fromLatin1(name)))
            a->setEnabled(editing);
}

void KitBoxTest::cellEdited(int row, int column, const QString &text)
{
    if (m_document.matrix().cell(row, column) == text)
        return;
    m_document.matrix().setCell(row, column, text);
    m_document.setChanged();
    m_kitbox.setPrintSource(m_document.matrix().serialise(), m_document.caption());
}

void KitBoxTest::starteTest(bool singleStep)
{
    if (!m_form)
        return;
    m_run.starte(m_document.matrix(), m_document.caption(), singleStep);
}

void KitBoxTest::startLog(const QString &text)
{
    ResultsOutput &results = m_kitbox.results();
    results.showNormal();
    results.setText(text);
}

void KitBoxTest::appendLog(const QString &text)
{
    m_kitbox.results().appendText(text);
}

void KitBoxTest::setActivity(ResultsWindowRules::Activity activity)
{
    if (Res_Form *form = m_kitbox.resultsWindow(false))
        form->setActivity(activity);
}

void KitBoxTest::keepAlive()
{
    QCoreApplication::processEvents();
    QEventLoop wait;
    QTimer::singleShot(1, &wait, &QEventLoop::quit);
    wait.exec();
}

void KitBoxTest::showStep(int row)
{
    if (m_form)
        m_form->setCurrentStep(row);
}

int KitBoxTest::cursorStep()
{
    return m_form ? m_form->currentStep() : 1;
}

void KitBoxTest::setCursorStep(int row)
{
    if (m_form)
        m_form->setCurrentStep(row);
}

void KitBoxTest::setTestCommand(Command command)
{
    const TextCatalogue &texts = m_services.texts;
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("StarteTest")))
        a->setText(QStringLiteral("&") + texts.text(command == Command::Running ? 111 : 110));
}

void KitBoxTest::continuousRunEnded()
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("StarteJobEndlos")))
        a->setText(QStringLiteral("&") + m_services.texts.text(112));
}

} // namespace kitbox
