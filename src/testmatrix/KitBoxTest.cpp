#include "testmatrix/KitBoxTest.h"

#include "execution/Res_Form.h"
#include "execution/ResultsOutput.h"
#include "runtime/RuntimeSession.h"
#include "shell/DialogService.h"
#include "shell/KitBoxFonts.h"
#include "shell/KitBoxPictures.h"
#include "shell/KitBoxPrinting.h"
#include "shell/StartArguments.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestEditing.h"
#include "testmatrix/Tst_Form.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

namespace kitbox {

namespace {

// The main window prints this print source through gridPrintRequested.
const QString kTestPrintSource = QStringLiteral("Tabelle_test");
constexpr int testButton = 10;
constexpr int textTestIdle = 110;
constexpr int textTestRunning = 111;

} // namespace

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
    on("TestBearbeiten", [this] {
        if (m_form)
            showDocument();
    });
    on("StarteTest", [this] { starteTest(false); });
    on("StarteTestschritt", [this] { starteTest(true); });
    connect(&m_kitbox, &KitBox::testFileRequested, this, &KitBoxTest::openTestFile);
    connect(&m_kitbox, &KitBox::gridPrintRequested, this, &KitBoxTest::printTable);
    connect(m_kitbox.mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *window) {
        if (window != nullptr && window == m_window)
            m_kitbox.setPrintSource(QString(), kTestPrintSource);
    });
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
    auto *form = new Tst_Form(m_services.texts, m_document.matrix());
    m_form = form;
    QMdiSubWindow *window = m_kitbox.mdiArea()->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    window->installEventFilter(this);
    m_window = window;
    const WindowPlacement place = m_services.settings.window(QStringLiteral("TST"));
    if (place.width > 0 && place.height > 0)
        window->setGeometry(m_kitbox.toPixels(place.left), m_kitbox.toPixels(place.top),
                            m_kitbox.toPixels(place.width), m_kitbox.toPixels(place.height));
    connect(form, &Tst_Form::edited, this, &KitBoxTest::edited);
    // A dropped file opens as it would from the recent files: a description,
    // a group file or a test file.
    connect(form, &Tst_Form::fileDropped, this, [this](const QString &path) {
        const QString file = droppedFileName(path);
        if (!file.isEmpty())
            m_kitbox.openFile(file);
    });
    form->setEditMenuHandler([this](const QPoint &at, bool selectAll) { return popupEditMenu(at, selectAll); });
    return form;
}

int KitBoxTest::popupEditMenu(const QPoint &globalPosition, bool selectAll)
{
    if (QMenu *menu = m_kitbox.editMenu())
        for (QAction *a : menu->actions()) {
            // The grid has no undo.
            const QString name = a->objectName();
            if (!a->isSeparator())
                a->setEnabled(name == u"Alles_markieren" ? selectAll : name != u"Rueckgaengig");
        }
    return m_kitbox.popupEditMenu(globalPosition);
}

bool KitBoxTest::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close) {
        if (!m_document.changeCheck()) {
            event->ignore();
            return true;
        }
        unloadTest();
    }
    return QObject::eventFilter(watched, event);
}

void KitBoxTest::unloadTest()
{
    if (m_kitbox.runFlags().testRun) {
        m_kitbox.runFlags().testRun = false;
        setTestCommand(Command::Idle);
    }
    m_document.unload();
    // The window deletes itself once closed; the commands that need it go off now.
    m_form = nullptr;
    m_window = nullptr;
    m_kitbox.clearPrintSource();
    updateCommands();
    TestRun::unloadDescriptions(m_services.runtime.api());
}

void KitBoxTest::printTable(const QString &caption)
{
    if (caption != kTestPrintSource || !m_form)
        return;
    QAction *print = m_kitbox.menuAction(QStringLiteral("PrintFile"));
    if (print)
        print->setEnabled(false);
    const Status printed = printText(caption, TestEditing::printText(m_document.matrix(), m_document.path()),
                                     fixedPitchFont(10, QStringLiteral("Courier New")));
    if (!printed)
        m_services.dialogs.message(QString::fromStdString(printed.error()), m_document.caption(),
                                   MessageIcon::Information);
    if (print)
        print->setEnabled(true);
}

void KitBoxTest::showDocument()
{
    m_kitbox.showStartPicture(false);
    Tst_Form *form = ensureEditor();
    form->showMatrix();
    form->setWindowTitle(m_document.caption());
    if (m_window) {
        m_window->setWindowTitle(m_document.caption());
        if (m_window->isMinimized())
            m_window->showNormal();
        m_window->show();
        m_kitbox.mdiArea()->setActiveSubWindow(m_window);
        m_kitbox.setPrintSource(QString(), kTestPrintSource);
    }
    updateCommands();
}

void KitBoxTest::updateCommands()
{
    const bool editing = m_form != nullptr;
    for (const char *name : {"TestSpeichern", "TestSpeichernUnter", "TestBearbeiten", "StarteTest", "StarteTestschritt"})
        if (QAction *a = m_kitbox.menuAction(QString::fromLatin1(name)))
            a->setEnabled(editing);
}

void KitBoxTest::edited()
{
    m_document.setChanged();
}

void KitBoxTest::starteTest(bool singleStep)
{
    if (!m_form)
        return;
    m_run.setUdsFilter(TestRun::udsFilterFor(m_services.settings.options(), m_udsDescription && m_udsDescription()));
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
    const bool running = command == Command::Running;
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("StarteTest")))
        a->setText(command == Command::IdleAfterSingleStep
                       ? QStringLiteral("Single Test ausführen")
                       : QStringLiteral("&") + m_services.texts.text(running ? textTestRunning : textTestIdle));
    if (QToolButton *button = m_kitbox.toolbarButton(testButton)) {
        button->setIcon(QIcon(picture(running ? QStringLiteral("stop-test") : QStringLiteral("run-test"),
                                      button->iconSize(), button->devicePixelRatioF())));
        button->setProperty("running", running);
    }
}

void KitBoxTest::continuousRunEnded()
{
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("StarteJobEndlos")))
        a->setText(QStringLiteral("&") + m_services.texts.text(112));
}

} // namespace kitbox
