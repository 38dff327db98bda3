// The main window and the results window as a user meets them, offscreen,
// with a scripted runtime and scripted dialogs.
#include "shell/KitBox.h"
#include "../shell/Support.h"
#include "execution/Res_Form.h"
#include "runtime/FakeVedamisApi.h"
#include "runtime/RuntimeSession.h"
#include "shell/FakeClock.h"
#include "shell/InstanceRegistry.h"
#include "shell/MainMenuModel.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/KitBoxTest.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

using namespace kitbox;

namespace {

// One program instance: its own settings, runtime, dialogs and registry,
// sharing the settings directory and socket directory of the test.
struct Instance {
    Instance(const QString &home, const QString &sockets) : registry(programTitle(), nullptr, sockets)
    {
        EXPECT_TRUE(texts.loadBuiltIn().ok());
        locations.userConfigDir = home + u"/.config/kitbox32"_s;
        locations.programDirectory = home + u"/bin"_s;
        locations.fileName = u"kitbox32.INI"_s;
    }

    KitBox &window()
    {
        if (!box) {
            session = std::make_unique<RuntimeSession>(api, dialogs, texts);
            services = std::make_unique<KitBoxServices>(
                KitBoxServices{settings, texts, dialogs, *session, registry, clock, locations, [this] {
                                   ++printerQueries;
                                   return printer;
                               }});
            box = std::make_unique<KitBox>(*services);
        }
        return *box;
    }
    // The test matrices on the window, for the tests that need them.
    KitBoxTest &tests()
    {
        if (!testMatrix)
            testMatrix = std::make_unique<KitBoxTest>(window(), *services);
        return *testMatrix;
    }
    // The window loaded with a command line that lets it run, and shown.
    KitBox &started(const QString &commandLine = QString())
    {
        EXPECT_EQ(window().load(commandLine), StartSequence::Outcome::Run);
        box->show();
        return *box;
    }

    FakeVedamisApi api;
    ScriptedDialogService dialogs;
    TextCatalogue texts;
    Settings settings;
    FakeClock clock{QDateTime(QDate(2024, 5, 17), QTime(9, 30))};
    InstanceRegistry registry;
    SettingsLocations locations;
    bool printer = true;
    int printerQueries = 0;
    std::unique_ptr<RuntimeSession> session;
    std::unique_ptr<KitBoxServices> services;
    std::unique_ptr<KitBox> box;
    std::unique_ptr<KitBoxTest> testMatrix;
};

struct KitBoxFixture : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dir.path() + u"/sockets"_s));
    }
    std::unique_ptr<Instance> instance() { return std::make_unique<Instance>(dir.path(), dir.path() + u"/sockets"_s); }
    QString iniPath() const { return dir.path() + u"/.config/kitbox32/kitbox32.INI"_s; }
    QTemporaryDir dir;
};

// Each of the lines is in the settings file as written.
void expectLines(const QString &path, std::initializer_list<QString> lines)
{
    const QString ini = QString::fromUtf8(readAll(path));
    for (const QString &line : lines)
        EXPECT_TRUE(ini.contains(line)) << line.toStdString() << " not in\n" << ini.toStdString();
}

QAction *action(KitBox &w, const char *name)
{
    QAction *a = w.menuAction(QString::fromUtf8(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

} // namespace

TEST_F(KitBoxFixture, FreshStartShowsMenusToolbarAndHintsTakesDropsAndSavesOnExit)
{
    auto p = instance();
    KitBox &w = p->started();
    EXPECT_EQ(w.windowTitle(), u"Kitbox32"_s);
    // Every command as the menu table has it: caption, key and start state.
    for (const MenuEntry &e : MainMenuModel::entries()) {
        if (e.kind != MenuEntry::Kind::Command)
            continue;
        const QAction *a = action(w, e.objectName.toUtf8().constData());
        ASSERT_NE(a, nullptr);
        const std::string name = e.objectName.toStdString();
        EXPECT_EQ(a->text(), MainMenuModel::caption(e, p->texts)) << name;
        EXPECT_EQ(a->shortcut(), QKeySequence(e.shortcut)) << name;
        EXPECT_EQ(a->isEnabled(), e.startState == MenuEntry::StartState::Enabled) << name;
        EXPECT_EQ(a->isVisible(), e.startState != MenuEntry::StartState::Hidden) << name;
    }
    EXPECT_FALSE(action(w, "Trennlinie")->isVisible()); // no recent files yet

    // Toolbar buttons follow their commands' state and run the command of their row.
    EXPECT_FALSE(w.toolbarButton(6)->isEnabled());
    QSignalSpy triggered(action(w, "SGBDLaden"), &QAction::triggered);
    w.toolbarButton(0)->click();
    EXPECT_EQ(triggered.count(), 1);
    w.toolbarClicked(12);
    ASSERT_EQ(p->dialogs.messages().size(), 1);
    EXPECT_EQ(p->dialogs.messages()[0].text, u"unbekannter Index: 12"_s);
    EXPECT_EQ(w.findChild<QLabel *>(u"Datum"_s)->text(), u"17.05.2024"_s);
    // The start picture is drawn once it is seen, at the size it is shown.
    EXPECT_TRUE(w.startPictureShown());
    EXPECT_TRUE(w.findChild<QWidget *>(u"BilderRahmen"_s)->isVisible());
    const auto *startPicture = w.findChild<QLabel *>(u"StartBild"_s);
    ASSERT_FALSE(startPicture->pixmap().isNull());
    EXPECT_EQ(startPicture->pixmap().deviceIndependentSize().toSize(), startPicture->size());

    // The hint line names the button under the mouse and clears when it leaves.
    auto *hint = w.findChild<QLabel *>(u"HinweiszeileLabel"_s);
    QEvent hover(QEvent::Enter);
    QCoreApplication::sendEvent(w.toolbarButton(6), &hover);
    EXPECT_EQ(hint->text(), u"Job einmal ausführen"_s);
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.findChild<QWidget *>(u"ToolBar"_s), &move);
    EXPECT_TRUE(hint->text().isEmpty());

    // A dropped description is opened and hides the start picture.
    QSignalSpy descriptions(&w, &KitBox::descriptionRequested);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(u"/ecu/D_MOTOR.prg"_s)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
    EXPECT_EQ(descriptions.value(0).value(0).toString(), u"/ecu/D_MOTOR.prg"_s);
    EXPECT_FALSE(w.startPictureShown());

    EXPECT_FALSE(QFile::exists(iniPath()));
    w.close();
    expectLines(iniPath(), {u"[Programm]"_s, u"Name=Kitbox"_s, u"LANGUAGE=D"_s, u"MULTIINSTANZ=N"_s, u"APP_WIDTH="_s,
                            u"RES_HEIGHT=3555"_s});
    // Settings are written before the runtime session ends.
    EXPECT_TRUE(p->api.calls().contains(u"apiInit()"_s));
    EXPECT_EQ(p->api.calls().last(), u"apiEnd()"_s);
}

TEST_F(KitBoxFixture, LanguageMultiInstanceModeAndTheInterfaceOptionReachTheWindow)
{
    writeAll(iniPath(),
             "[Programm]\nName=Kitbox\n[KONFIGURATION]\nMULTIINSTANZ=Ja\nINTERFACE02=SIM,,KB,\nLANGUAGE=en\n");
    auto first = instance();
    EXPECT_EQ(first->started().windowTitle(), u"Kitbox32 : 1"_s);
    EXPECT_EQ(first->window().menu(u"Datei"_s)->title(), u"&File"_s);
    EXPECT_EQ(first->window().toolbarButton(6)->toolTip(), u"Start Job once only"_s);
    EXPECT_FALSE(first->window().windowState().testFlag(Qt::WindowMaximized));
    auto second = instance();
    EXPECT_EQ(second->started().windowTitle(), u"Kitbox32 : 2"_s);
    EXPECT_EQ(second->api.calls().mid(0, 2), (QStringList{u"enableServer(0)"_s, u"apiInitExt(SIM,,KB,)"_s}));
    // The option takes the instance it names, with its own interface texts.
    auto third = instance();
    KitBox &w = third->started(u"\"-INTERFACE03=IFH,1,KB\" /ecu/D_MOTOR.prg"_s);
    EXPECT_EQ(w.windowTitle(), u"Kitbox32 : 3"_s);
    EXPECT_TRUE(third->api.calls().contains(u"apiInitExt(IFH,1,KB,)"_s));
    EXPECT_EQ(w.commandLine(), u"/ecu/D_MOTOR.prg"_s);
    for (auto *p : {third.get(), second.get(), first.get()})
        p->window().close();
    expectLines(iniPath(),
                {u"[KONFIGURATION_02]"_s, u"MULTIINSTANZ=J"_s, u"INTERFACE03=IFH,1,KB,\n"_s, u"LANGUAGE=E\n"_s});
}

// A start that fails shows its box, saves no settings and holds no instance number.
TEST_F(KitBoxFixture, FailedStartAndFailedSaveShowTheirBoxes)
{
    auto p = instance();
    EXPECT_EQ(p->window().load(u"-INTERFACE10=a,b,c,d"_s), StartSequence::Outcome::Failed);
    ASSERT_EQ(p->dialogs.messages().size(), 1);
    EXPECT_EQ(p->dialogs.messages()[0].text, u"Instanz bereits benutzt (Command())"_s);
    EXPECT_TRUE(p->api.calls().isEmpty());
    p->window().close();
    EXPECT_FALSE(QFile::exists(iniPath()));

    // The next start runs; settings that cannot be written (a plain file where the settings directory
    // should be, and no program directory) are reported, and the runtime is ended all the same.
    auto next = instance();
    writeAll(dir.path() + u"/blocked"_s, "not a directory");
    next->locations.userConfigDir = dir.path() + u"/blocked/kitbox32"_s;
    next->locations.programDirectory = dir.path() + u"/missing/bin"_s;
    next->started().close();
    ASSERT_EQ(next->dialogs.messages().size(), 1);
    EXPECT_TRUE(next->dialogs.messages()[0].text.startsWith(u"Fehler beim Speichern"_s));
    EXPECT_EQ(next->api.calls().last(), u"apiEnd()"_s);
}

TEST_F(KitBoxFixture, CommandLineFileIsOpenedAfterTheFirstResizeAndTraceLevelsAreSet)
{
    auto p = instance();
    QSignalSpy tests(&p->window(), &KitBox::testFileRequested);
    KitBox &w = p->started(u"/tests/RUN.tst 3 1"_s);
    ASSERT_TRUE(tests.wait(2000) || tests.count() == 1);
    EXPECT_EQ(tests.first().first().toString(), u"/tests/RUN.tst"_s);
    EXPECT_EQ(p->api.configValue(u"ApiTrace"_s) + p->api.configValue(u"IfhTrace"_s), u"31"_s);
    // With a command line the start picture stays away.
    EXPECT_FALSE(w.findChild<QWidget *>(u"BilderRahmen"_s)->isVisible());
    w.close();
}

TEST_F(KitBoxFixture, WithoutPrinterOnlyPrintingToAPdfFileStays)
{
    auto p = instance();
    p->printer = false;
    KitBox &w = p->started();
    // The printing system is asked once the window is on screen.
    EXPECT_TRUE(QTest::qWaitFor([&w] { return w.printerChecked(); }, 5000));
    EXPECT_EQ(p->printerQueries, 1);
    EXPECT_FALSE(action(w, "PrintFile")->isVisible());
    EXPECT_FALSE(w.toolbarButton(13)->isVisible());
    // The PDF entry stays and follows the print source.
    QAction *pdf = action(w, "PrintPdf");
    EXPECT_FALSE(pdf->isEnabled());
    ASSERT_NE(w.resultsWindow(true), nullptr);
    EXPECT_TRUE(pdf->isEnabled());
    const QString path = dir.filePath(u"out.pdf"_s);
    p->dialogs.setNextFileName(QString()); // cancelled: nothing written
    pdf->trigger();
    EXPECT_FALSE(QFile::exists(path));
    p->dialogs.setNextFileName(path);
    pdf->trigger();
    EXPECT_TRUE(readAll(path).startsWith("%PDF-"));
    w.close();
}

// The results window reports going inactive from its own destructor, not
// from the base class's after its own part is gone (and the main window, too,
// closes its child windows while it is still whole).
TEST_F(KitBoxFixture, SizeChildWindowsAndTheResultsWindowAsPrintSourceWhoseGoingClearsTheEditorStatus)
{
    auto p = instance();
    KitBox &w = p->started();
    w.showNormal();
    w.resize(w.toPixels(20000), w.toPixels(1000));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.height(), w.toPixels(3700));
    w.resize(900, 700);
    Res_Form *form = w.resultsWindow(true);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(QFontInfo(form->ausgabe()->font()).fixedPitch());
    EXPECT_TRUE(action(w, "PrintFile")->isEnabled());
    EXPECT_FALSE(w.startPictureShown());
    auto *second = new QMdiSubWindow;
    second->setWindowTitle(u"second"_s);
    w.mdiArea()->addSubWindow(second);
    second->show();
    QCoreApplication::processEvents();
    w.menuAction(u"FensterUntereinander"_s)->trigger();
    EXPECT_EQ(form->geometry().height() + second->geometry().height(), w.mdiArea()->viewport()->height());
    // The window menu lists the open windows.
    QMenu *windows = w.menu(u"Fenster"_s);
    emit windows->aboutToShow();
    QStringList titles;
    for (QAction *a : windows->actions())
        titles << a->text();
    EXPECT_TRUE(titles.contains(u"&2 second"_s)) << titles.join(QLatin1Char('|')).toStdString();

    w.mdiArea()->setActiveSubWindow(form);
    ASSERT_TRUE(form->windowState().testFlag(Qt::WindowActive));
    auto *mode = w.findChild<QLabel *>(u"Editormode"_s);
    w.setEditorStatus(true, false, true, 1, 1, 1);
    ASSERT_FALSE(mode->text().isEmpty());
    delete form;
    EXPECT_TRUE(mode->text().isEmpty());
    EXPECT_EQ(w.resultsWindow(false), nullptr);
    // The next report brings a new one.
    w.results().setText(u"report"_s);
    ASSERT_NE(w.resultsWindow(false), nullptr);
    EXPECT_EQ(w.resultsWindow(false)->text(), u"report"_s);
    w.mdiArea()->setActiveSubWindow(w.resultsWindow(false));
    w.close();
    expectLines(iniPath(), {u"RES_WINDOW=0"_s});
}

TEST_F(KitBoxFixture, BatchEndTimerEndsTheProgramOnceNoTestRuns)
{
    auto p = instance();
    KitBox &w = p->started();
    auto *timer = w.findChild<QTimer *>(u"Timer_CASCADE_TEST"_s);
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    w.runFlags().testRun = true;
    w.startBatchEndTimer();
    QTest::qWait(450);
    // A running test keeps the program alive.
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(QFile::exists(iniPath()));
    w.runFlags().testRun = false;
    EXPECT_TRUE(QTest::qWaitFor([&w] { return !w.isVisible(); }, 3000));
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(QFile::exists(iniPath()));
}

namespace {

// Opens a test file in the editor of a started window.
Tst_Form *openTest(Instance &p, const QString &path, const QByteArray &content)
{
    writeAll(path, content);
    EXPECT_TRUE(p.tests().openTestFile(path));
    return p.tests().editor();
}

// Right-clicks the grid, chooses the entry (none: closes the menu) and
// returns whether "select all" was offered.
bool chooseInEditMenu(KitBox &w, Tst_Form *editor, const char *entry)
{
    QMenu *menu = w.editMenu();
    bool selectAll = false;
    QTimer::singleShot(50, menu, [&] {
        selectAll = menu->findChild<QAction *>(u"Alles_markieren"_s)->isEnabled();
        if (QAction *a = entry ? menu->findChild<QAction *>(QString::fromUtf8(entry)) : nullptr)
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        else
            menu->close();
    });
    QWidget *viewport = editor->findChild<QTableWidget *>(u"TestMatrix"_s)->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(viewport, &click);
    return selectAll;
}

} // namespace

// Copy, paste and selection are the matrix's own; the window offers them, asks about changes and unloads on close.
TEST_F(KitBoxFixture, TestEditorTakesMenuChoicesAndUnloadsOnClose)
{
    auto p = instance();
    KitBox &w = p->started();
    Tst_Form *editor = openTest(*p, dir.filePath(u"A.TST"_s), "1|D_MOTOR|IDENT\r\n2|D_MOTOR|STATUS\r\n");
    ASSERT_NE(editor, nullptr);
    editor->setSelection({1, 2, 2, 3});
    EXPECT_TRUE(chooseInEditMenu(w, editor, "Kopieren"));
    EXPECT_EQ(QApplication::clipboard()->text(), u"D_MOTOR\tIDENT\r\nD_MOTOR\tSTATUS"_s);
    editor->setCurrentCell(4, 2);
    chooseInEditMenu(w, editor, "Einfuegen");
    EXPECT_EQ(editor->findChild<QTableWidget *>(u"TestMatrix"_s)->item(4, 2)->text(), u"STATUS"_s);
    // Once everything is selected, the menu no longer offers it; closed without a choice, it does nothing.
    EXPECT_TRUE(chooseInEditMenu(w, editor, "Alles_markieren"));
    EXPECT_FALSE(chooseInEditMenu(w, editor, nullptr));
    EXPECT_EQ(w.editCommand(), 0);

    auto *window = qobject_cast<QMdiSubWindow *>(editor->parentWidget());
    ASSERT_NE(window, nullptr);
    p->dialogs.setNextAnswer(DialogAnswer::Cancel);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(p->tests().editor(), editor);
    p->api.clearCalls();
    p->dialogs.setNextAnswer(DialogAnswer::No);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(p->tests().editor(), nullptr);
    EXPECT_FALSE(action(w, "StarteTest")->isEnabled());
    EXPECT_EQ(p->api.calls().mid(0, 2), (QStringList{u"apiJob($$$$$$$$,$$$$$$$$,,)"_s, u"apiResultSets()"_s}));
    w.close();
}

// Loops, stops and branches are the test run's own; the window runs it, shows it running and steps.
TEST_F(KitBoxFixture, TestRunAndSingleStepFromTheWindow)
{
    auto p = instance();
    KitBox &w = p->started();
    const QString path = dir.filePath(u"RUN.TST"_s);
    Tst_Form *editor = openTest(*p, path, "1|D|J\r\n1|D|J|||||||1\r\n");
    ASSERT_NE(editor, nullptr);
    QAction *run = action(w, "StarteTest");
    QString captionWhileRunning;
    bool pictureWhileRunning = false;
    QTimer::singleShot(0, &w, [&] {
        captionWhileRunning = run->text();
        pictureWhileRunning = w.toolbarButton(10)->property("running").toBool();
        run->trigger(); // the same command stops the loop
    });
    run->trigger();
    EXPECT_EQ(captionWhileRunning, u"&Test stoppen"_s);
    EXPECT_TRUE(pictureWhileRunning);
    EXPECT_EQ(run->text(), u"&Test ausführen"_s);
    EXPECT_FALSE(w.toolbarButton(10)->property("running").toBool());
    EXPECT_FALSE(w.runFlags().testRun);
    EXPECT_TRUE(w.resultsWindow(false)->text().startsWith(u"Testdatei : "_s + path));
    // A single step runs the step under the cursor and moves it on, along the branch.
    editor->setCurrentStep(2);
    action(w, "StarteTestschritt")->trigger();
    EXPECT_EQ(editor->currentStep(), 1);
    EXPECT_EQ(run->text(), u"Single Test ausführen"_s);
    w.close();
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
