// The main window and the results window as a user meets them, offscreen,
// with a scripted runtime and scripted dialogs.
#include "shell/KitBox.h"
#include "execution/Res_Form.h"
#include "runtime/FakeVedamisApi.h"
#include "runtime/RuntimeSession.h"
#include "shell/FakeClock.h"
#include "shell/InstanceRegistry.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace kitbox;

namespace {

QString readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// One program instance: its own settings, runtime, dialogs and registry,
// sharing the settings directory and socket directory of the test.
struct Instance {
    Instance(const QString &home, const QString &sockets) : registry(programTitle(), nullptr, sockets)
    {
        EXPECT_TRUE(texts.loadBuiltIn().ok());
        locations.userConfigDir = home + QStringLiteral("/.config/kitbox32");
        locations.programDirectory = home + QStringLiteral("/bin");
        locations.fileName = QStringLiteral("kitbox32.INI");
    }

    KitBox &window()
    {
        if (!box) {
            session = std::make_unique<RuntimeSession>(api, dialogs, texts);
            box = std::make_unique<KitBox>(
                KitBoxServices{settings, texts, dialogs, *session, registry, clock, locations, [this] {
                                   ++printerQueries;
                                   return printer;
                               }});
        }
        return *box;
    }
    QString iniPath() const { return locations.userConfigDir + QStringLiteral("/kitbox32.INI"); }

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
    std::unique_ptr<KitBox> box;
};

struct KitBoxFixture : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dir.path() + QStringLiteral("/sockets")));
    }
    std::unique_ptr<Instance> instance()
    {
        return std::make_unique<Instance>(dir.path(), dir.path() + QStringLiteral("/sockets"));
    }
    QString iniPath() const { return dir.path() + QStringLiteral("/.config/kitbox32/kitbox32.INI"); }
    QTemporaryDir dir;
};

QAction *action(KitBox &w, const char *name)
{
    QAction *a = w.menuAction(QString::fromUtf8(name));
    EXPECT_NE(a, nullptr) << name;
    return a;
}

} // namespace

TEST_F(KitBoxFixture, FreshStartShowsTheGermanMenuTreeAndSavesOnExit)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Kitbox32"));
    EXPECT_TRUE(p->api.calls().contains(QStringLiteral("apiInit()")));

    EXPECT_EQ(w.menu(QStringLiteral("Datei"))->title(), QStringLiteral("&Datei"));
    EXPECT_EQ(w.menu(QStringLiteral("Konfig"))->title(), QStringLiteral("&Konfiguration"));
    EXPECT_EQ(w.menu(QStringLiteral("MenuHelp"))->title(), QStringLiteral("&Hilfe"));
    EXPECT_EQ(action(w, "SGBDLaden")->text(), QStringLiteral("SGBD, Gruppendatei Laden"));
    EXPECT_EQ(action(w, "SGBDLaden")->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_TRUE(action(w, "SGBDLaden")->isEnabled());
    EXPECT_EQ(action(w, "Beenden")->text(), QStringLiteral("Programm &beenden"));
    EXPECT_EQ(action(w, "StarteJob")->text(), QStringLiteral("Job &einmal ausführen"));
    EXPECT_EQ(action(w, "StarteJob")->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(action(w, "TestLaden")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F3));
    EXPECT_EQ(action(w, "About")->text(), QStringLiteral("&About"));
    for (const char *off : {"SimulationSpeichern", "TestSpeichern", "TestSpeichernUnter", "UDS_Check_Single",
                            "PrintFile", "EcuInfo", "Jobauswahl", "StarteJob", "StarteJobEndlos", "TestBearbeiten",
                            "StarteTestschritt", "StarteTest", "IfhTraceAnzeigen", "IfhTraceLöschen"})
        EXPECT_FALSE(action(w, off)->isEnabled()) << off;
    EXPECT_FALSE(action(w, "UDS_Check_List")->isVisible());
    EXPECT_FALSE(action(w, "Trennlinie")->isVisible());
    EXPECT_TRUE(action(w, "Trennlinie11")->isSeparator());
    // The edit menu is a menu of its own, not part of the menu bar.
    EXPECT_EQ(w.editMenu()->objectName(), QStringLiteral("RechteMausMenu"));
    EXPECT_EQ(w.menuBar()->actions().size(), 7);

    // Toolbar: 13 buttons, their state following their commands.
    const QList<QToolButton *> buttons = w.findChildren<QToolButton *>(QStringLiteral("ToolbarKnopf"));
    EXPECT_EQ(buttons.size(), 13);
    EXPECT_EQ(w.toolbarButton(12), nullptr);
    EXPECT_TRUE(w.toolbarButton(0)->isEnabled());
    EXPECT_FALSE(w.toolbarButton(6)->isEnabled());
    const auto *logo = w.findChild<QLabel *>(QStringLiteral("LOGO"));
    ASSERT_NE(logo, nullptr);
    EXPECT_FALSE(logo->pixmap().isNull());
    EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("Datum"))->text(), QStringLiteral("17.05.2024"));
    EXPECT_TRUE(w.findChild<QLabel *>(QStringLiteral("Version"))->text().startsWith(QStringLiteral("Version ")));
    EXPECT_TRUE(w.startPictureShown());
    EXPECT_TRUE(w.findChild<QWidget *>(QStringLiteral("BilderRahmen"))->isVisible());
    // The start picture is drawn once it is seen, at the size it is shown.
    const auto *startPicture = w.findChild<QLabel *>(QStringLiteral("StartBild"));
    ASSERT_NE(startPicture, nullptr);
    ASSERT_FALSE(startPicture->pixmap().isNull());
    EXPECT_EQ(startPicture->pixmap().deviceIndependentSize().toSize(), startPicture->size());

    EXPECT_FALSE(QFile::exists(p->iniPath()));
    w.close();
    const QString ini = readFile(p->iniPath());
    EXPECT_TRUE(ini.contains(QStringLiteral("[Programm]")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Name=Kitbox")));
    EXPECT_TRUE(ini.contains(QStringLiteral("LANGUAGE=D")));
    EXPECT_TRUE(ini.contains(QStringLiteral("MULTIINSTANZ=N")));
    EXPECT_TRUE(ini.contains(QStringLiteral("APP_WIDTH=")));
    EXPECT_TRUE(ini.contains(QStringLiteral("RES_HEIGHT=3555")));
    // Settings are written before the runtime session ends.
    EXPECT_EQ(p->api.calls().last(), QStringLiteral("apiEnd()"));
}

TEST_F(KitBoxFixture, EnglishLanguageSettingGivesEnglishCaptionsAndKeepsForeignLines)
{
    const QByteArray original = "; written by hand\r\n"
                                "[Programm]\r\nName=Kitbox\r\n"
                                "[KONFIGURATION]\r\nLANGUAGE=english\r\nFREMDER_SCHLUESSEL=bleibt\r\n"
                                "[Fremd]\r\nX = 1 ; kept as is\r\n";
    writeFile(iniPath(), original);
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    EXPECT_EQ(w.menu(QStringLiteral("Datei"))->title(), QStringLiteral("&File"));
    EXPECT_EQ(action(w, "SGBDLaden")->text(), QStringLiteral("Load SGBD, Group file "));
    EXPECT_EQ(action(w, "Beenden")->text(), QStringLiteral("&Close"));
    EXPECT_EQ(w.toolbarButton(6)->toolTip(), QStringLiteral("Start Job once only"));
    w.close();

    const QString ini = readFile(iniPath());
    EXPECT_TRUE(ini.contains(QStringLiteral("LANGUAGE=E\r\n")));
    EXPECT_FALSE(ini.contains(QStringLiteral("english")));
    EXPECT_TRUE(ini.startsWith(QStringLiteral("; written by hand\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("FREMDER_SCHLUESSEL=bleibt\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("[Fremd]\r\nX = 1 ; kept as is\r\n")));
}

TEST_F(KitBoxFixture, SecondStartWithoutMultiInstanceActivatesTheFirstAndSavesNothing)
{
    auto first = instance();
    ASSERT_EQ(first->window().load(QString()), StartSequence::Outcome::Run);
    QSignalSpy raised(&first->registry, &InstanceRegistry::raiseRequested);

    auto second = instance();
    EXPECT_EQ(second->window().load(QString()), StartSequence::Outcome::ActivatedOther);
    EXPECT_TRUE(raised.wait(2000) || raised.count() > 0);
    // The second one never opened the runtime and never writes the settings.
    EXPECT_TRUE(second->api.calls().isEmpty());
    second->window().close();
    EXPECT_FALSE(QFile::exists(iniPath()));
    first->window().close();
    EXPECT_TRUE(QFile::exists(iniPath()));
}

TEST_F(KitBoxFixture, MultiInstanceModeNumbersTheCaptions)
{
    writeFile(iniPath(), "[Programm]\nName=Kitbox\n[KONFIGURATION]\nMULTIINSTANZ=Ja\nINTERFACE02=SIM,,KB,\n");
    auto first = instance();
    ASSERT_EQ(first->window().load(QString()), StartSequence::Outcome::Run);
    EXPECT_EQ(first->window().windowTitle(), QStringLiteral("Kitbox32 : 1"));
    EXPECT_FALSE(first->window().windowState().testFlag(Qt::WindowMaximized));

    auto second = instance();
    ASSERT_EQ(second->window().load(QString()), StartSequence::Outcome::Run);
    EXPECT_EQ(second->window().windowTitle(), QStringLiteral("Kitbox32 : 2"));
    EXPECT_EQ(second->api.calls().value(0), QStringLiteral("enableServer(0)"));
    EXPECT_EQ(second->api.calls().value(1), QStringLiteral("apiInitExt(SIM,,KB,)"));
    second->window().close();
    first->window().close();
    const QString ini = readFile(iniPath());
    EXPECT_TRUE(ini.contains(QStringLiteral("[KONFIGURATION_02]")));
    EXPECT_TRUE(ini.contains(QStringLiteral("MULTIINSTANZ=J")));
}

TEST_F(KitBoxFixture, InterfaceOptionAboveNineShowsText49AndEnds)
{
    auto p = instance();
    EXPECT_EQ(p->window().load(QStringLiteral("-INTERFACE10=a,b,c,d")), StartSequence::Outcome::Failed);
    ASSERT_EQ(p->dialogs.messages().size(), 1);
    EXPECT_EQ(p->dialogs.messages()[0].text, QStringLiteral("Instanz bereits benutzt (Command())"));
    EXPECT_TRUE(p->api.calls().isEmpty());
    p->window().close();
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(KitBoxFixture, InterfaceOptionOpensThatInstanceWithItsTexts)
{
    auto p = instance();
    ASSERT_EQ(p->window().load(QStringLiteral("\"-INTERFACE03=IFH,1,KB\" /ecu/D_MOTOR.prg")),
              StartSequence::Outcome::Run);
    EXPECT_EQ(p->window().windowTitle(), QStringLiteral("Kitbox32 : 3"));
    EXPECT_TRUE(p->api.calls().contains(QStringLiteral("apiInitExt(IFH,1,KB,)")));
    EXPECT_EQ(p->window().commandLine(), QStringLiteral("/ecu/D_MOTOR.prg"));
    p->window().close();
    const QString ini = readFile(iniPath());
    EXPECT_TRUE(ini.contains(QStringLiteral("INTERFACE03=IFH,1,KB,\r\n")) ||
                ini.contains(QStringLiteral("INTERFACE03=IFH,1,KB,\n")));
}

TEST_F(KitBoxFixture, RefusedRuntimeStartShowsTheBoxAndSavesNothing)
{
    auto p = instance();
    p->api.refuseInit(123, QStringLiteral("Interface nicht gefunden"));
    EXPECT_EQ(p->window().load(QString()), StartSequence::Outcome::Failed);
    ASSERT_EQ(p->dialogs.messages().size(), 1);
    const ShownDialog box = p->dialogs.messages()[0];
    EXPECT_EQ(box.title, QStringLiteral("Fehler in apiInit()"));
    EXPECT_EQ(box.text.split(QStringLiteral("\r\n")),
              (QStringList{QStringLiteral("VEDAMIS Fehler 123"), QStringLiteral("Interface nicht gefunden"),
                           QStringLiteral("Das Programm wird abgebrochen!")}));
    EXPECT_EQ(box.icon, MessageIcon::Critical);
    p->window().close();
    EXPECT_FALSE(QFile::exists(iniPath()));
    // The failed instance does not hold an instance number either.
    auto next = instance();
    EXPECT_EQ(next->window().load(QString()), StartSequence::Outcome::Run);
    next->window().close();
}

TEST_F(KitBoxFixture, WindowSpringsBackTo3700TwipsInHeight)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.showNormal();
    w.setWindowState(Qt::WindowNoState);
    w.resize(w.toPixels(20000), w.toPixels(1000));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.height(), w.toPixels(3700));
    EXPECT_GE(w.width(), w.toPixels(w.minimumWidthTwips()) - 1);
    w.resize(w.toPixels(100), w.toPixels(5000));
    QCoreApplication::processEvents();
    EXPECT_GE(w.width(), w.toPixels(w.minimumWidthTwips()) - 1);
    EXPECT_GT(w.minimumWidthTwips(), 960);
    w.close();
}

TEST_F(KitBoxFixture, ToolbarHintsAndUnknownIndex)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    auto *hint = w.findChild<QLabel *>(QStringLiteral("HinweiszeileLabel"));
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(w.toolbarButton(6), &enter);
    EXPECT_EQ(hint->text(), QStringLiteral("Job einmal ausführen"));
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.findChild<QWidget *>(QStringLiteral("ToolBar")), &move);
    EXPECT_TRUE(hint->text().isEmpty());

    w.toolbarClicked(12);
    ASSERT_EQ(p->dialogs.messages().size(), 1);
    EXPECT_EQ(p->dialogs.messages()[0].text, QStringLiteral("unbekannter Index: 12"));

    // A button runs the command of its row.
    QSignalSpy triggered(action(w, "SGBDLaden"), &QAction::triggered);
    w.toolbarButton(0)->click();
    EXPECT_EQ(triggered.count(), 1);
    w.close();
}

TEST_F(KitBoxFixture, EditorStatusGoesToTheHintLine)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.setHint(QStringLiteral("hint"));
    w.setEditorStatus(true, false, true, 4, 12, 7);
    EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("Editormode"))->text(), QStringLiteral("überschreiben"));
    EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("Editorposition"))->text(),
              QStringLiteral(" Zeile=4 von 12 Spalte=7"));
    w.setEditorStatus(false, false, false, 0, 0, 0);
    EXPECT_TRUE(w.findChild<QLabel *>(QStringLiteral("Editormode"))->text().isEmpty());
    EXPECT_TRUE(w.findChild<QLabel *>(QStringLiteral("HinweiszeileLabel"))->text().isEmpty());
    w.close();
}

TEST_F(KitBoxFixture, CommandLineFileIsOpenedAfterTheFirstResizeAndTraceLevelsAreSet)
{
    auto p = instance();
    KitBox &w = p->window();
    QSignalSpy tests(&w, &KitBox::testFileRequested);
    ASSERT_EQ(w.load(QStringLiteral("/tests/RUN.tst 3 1")), StartSequence::Outcome::Run);
    w.show();
    ASSERT_TRUE(tests.wait(2000) || tests.count() == 1);
    EXPECT_EQ(tests.first().first().toString(), QStringLiteral("/tests/RUN.tst"));
    EXPECT_EQ(p->api.configValue(QStringLiteral("ApiTrace")), QStringLiteral("3"));
    EXPECT_EQ(p->api.configValue(QStringLiteral("IfhTrace")), QStringLiteral("1"));
    // With a command line the start picture stays away.
    EXPECT_FALSE(w.findChild<QWidget *>(QStringLiteral("BilderRahmen"))->isVisible());
    w.close();
}

TEST_F(KitBoxFixture, DroppedDescriptionIsOpenedAndHidesTheStartPicture)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    QSignalSpy descriptions(&w, &KitBox::descriptionRequested);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/ecu/D_MOTOR.prg"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
    ASSERT_EQ(descriptions.count(), 1);
    EXPECT_EQ(descriptions.first().first().toString(), QStringLiteral("/ecu/D_MOTOR.prg"));
    EXPECT_FALSE(w.startPictureShown());
    w.close();
}

TEST_F(KitBoxFixture, WithoutPrinterThePrintEntryAndButtonAreAbsent)
{
    auto p = instance();
    p->printer = false;
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    // The printing system is asked once the window is on screen.
    EXPECT_TRUE(QTest::qWaitFor([&w] { return w.printerChecked(); }, 5000));
    EXPECT_EQ(p->printerQueries, 1);
    EXPECT_FALSE(action(w, "PrintFile")->isVisible());
    EXPECT_FALSE(w.toolbarButton(13)->isVisible());
    EXPECT_TRUE(w.toolbarButton(11)->isVisible());
    w.close();
}

TEST_F(KitBoxFixture, ResultsWindowPauseLabelAndPrintSource)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    Res_Form *form = w.resultsWindow(true);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->ausgabe()->toPlainText(), QStringLiteral("Result Ausgabe/output"));
    EXPECT_TRUE(form->ausgabe()->isReadOnly());
    EXPECT_EQ(form->ausgabe()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(QFontInfo(form->ausgabe()->font()).fixedPitch());
    EXPECT_TRUE(action(w, "PrintFile")->isEnabled());
    EXPECT_FALSE(w.startPictureShown());

    form->delayTime()->setValue(1234);
    EXPECT_EQ(form->delay(), 1250);
    EXPECT_EQ(form->delayText()->text(), QStringLiteral("Pause : 1.25 s"));
    form->delayTime()->setValue(1224);
    EXPECT_EQ(form->delay(), 1200);
    form->delayTime()->setValue(10000);
    EXPECT_EQ(form->delayText()->text(), QStringLiteral("Pause : 10.00 s"));

    // A runtime error after loading lands in the results window and becomes the print source.
    p->api.setJobError(QStringLiteral("D_X"), QStringLiteral("_JOBS"), 20, QStringLiteral("not found"));
    p->api.apiJob(QStringLiteral("D_X"), QStringLiteral("_JOBS"), QString(), QString());
    ASSERT_TRUE(p->session->reportRuntimeError(w.results(), false));
    EXPECT_EQ(form->text(), QStringLiteral("VEDAMIS Fehler 20 : not found\r\n"));
    EXPECT_EQ(form->ausgabe()->toPlainText(), QStringLiteral("VEDAMIS Fehler 20 : not found\n"));
    w.close();
    const QString ini = readFile(iniPath());
    EXPECT_TRUE(ini.contains(QStringLiteral("RES_WINDOW=0")))
        << ini.toStdString() << p->dialogs.shown().size() << " " << p->dialogs.shown().value(0).text.toStdString();
}

TEST_F(KitBoxFixture, ResultsWindowCloseBoxDuringContinuousRunMinimises)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    Res_Form *form = w.resultsWindow(true);
    w.runFlags().continuousRun = true;
    form->close();
    QCoreApplication::processEvents();
    ASSERT_EQ(w.resultsWindow(false), form);
    EXPECT_TRUE(form->isMinimized());
    EXPECT_TRUE(w.runFlags().continuousRun);

    w.runFlags().continuousRun = false;
    form->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.resultsWindow(false), nullptr);
    // The next report brings a new one up.
    w.results().setText(QStringLiteral("report"));
    ASSERT_NE(w.resultsWindow(false), nullptr);
    EXPECT_EQ(w.resultsWindow(false)->text(), QStringLiteral("report"));
    w.close();
}

TEST_F(KitBoxFixture, EqualReportDoesNotReplaceThePrintSource)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    Res_Form *form = w.resultsWindow(true);
    QSignalSpy changes(form, &Res_Form::printSourceChanged);
    form->setText(QStringLiteral("A\r\nB"));
    form->setText(QStringLiteral("A\r\nB"));
    EXPECT_EQ(changes.count(), 1);
    w.close();
}

TEST_F(KitBoxFixture, SettingsThatCannotBeWrittenAreReported)
{
    auto p = instance();
    // A plain file where the settings directory should be, and no program directory.
    writeFile(dir.path() + QStringLiteral("/blocked"), "not a directory");
    p->locations.userConfigDir = dir.path() + QStringLiteral("/blocked/kitbox32");
    p->locations.programDirectory = dir.path() + QStringLiteral("/missing/bin");
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.close();
    ASSERT_EQ(p->dialogs.messages().size(), 1);
    const ShownDialog box = p->dialogs.messages()[0];
    EXPECT_EQ(box.title, QStringLiteral("Save_Ini"));
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Fehler beim Speichern"))) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("kitbox32.INI"))) << box.text.toStdString();
    // The runtime is ended all the same.
    EXPECT_EQ(p->api.calls().last(), QStringLiteral("apiEnd()"));
}

TEST_F(KitBoxFixture, BatchEndTimerEndsTheProgramOnceNoTestRuns)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    auto *timer = w.findChild<QTimer *>(QStringLiteral("Timer_CASCADE_TEST"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(timer->interval(), 200);
    EXPECT_EQ(w.findChild<QTimer *>(QStringLiteral("datum_timer"))->interval(), 1000);

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

TEST_F(KitBoxFixture, EditMenuReportsTheChosenCommand)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.show();
    QMenu *menu = w.editMenu();
    QAction *copy = menu->findChild<QAction *>(QStringLiteral("Kopieren"));
    ASSERT_NE(copy, nullptr);
    QTimer::singleShot(
        100, menu, [menu, copy] { QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(copy).center()); });
    EXPECT_EQ(w.popupEditMenu(w.mapToGlobal(QPoint(50, 50))), 3);
    EXPECT_EQ(w.editCommand(), 3);
    QTimer::singleShot(100, menu, [menu] { menu->close(); });
    EXPECT_EQ(w.popupEditMenu(w.mapToGlobal(QPoint(50, 50))), 0);
    w.close();
}

TEST_F(KitBoxFixture, WindowsArrangeOneBelowTheOther)
{
    auto p = instance();
    KitBox &w = p->window();
    ASSERT_EQ(w.load(QString()), StartSequence::Outcome::Run);
    w.showNormal();
    w.resize(900, 700);
    Res_Form *form = w.resultsWindow(true);
    auto *second = new QMdiSubWindow;
    second->setWindowTitle(QStringLiteral("second"));
    w.mdiArea()->addSubWindow(second);
    second->show();
    QCoreApplication::processEvents();
    w.menuAction(QStringLiteral("FensterUntereinander"))->trigger();
    const QSize area = w.mdiArea()->viewport()->size();
    EXPECT_EQ(form->geometry().width(), area.width());
    EXPECT_EQ(form->geometry().height() + second->geometry().height(), area.height());
    w.menuAction(QStringLiteral("FensterNebeneinander"))->trigger();
    EXPECT_EQ(form->geometry().height(), area.height());
    EXPECT_EQ(form->geometry().width() + second->geometry().width(), area.width());

    // The window menu lists the open windows.
    QMenu *windows = w.menu(QStringLiteral("Fenster"));
    emit windows->aboutToShow();
    QStringList titles;
    for (QAction *a : windows->actions())
        titles << a->text();
    EXPECT_TRUE(titles.contains(QStringLiteral("&2 second"))) << titles.join(QLatin1Char('|')).toStdString();
    w.close();
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
