// The job window and the catalogue side of the main window as a user meets
// them, offscreen, with a scripted runtime, locator, dialogs and clock.
#include "CatalogueTestSupport.h"
#include "catalogue/Job_Form.h"
#include "catalogue/KitBoxCatalogue.h"
#include "runtime/RuntimeSession.h"
#include "shell/FakeClock.h"
#include "shell/InstanceRegistry.h"
#include "shell/KitBox.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace kitbox;
using namespace kitbox::test;

namespace {

class JobFormTest : public CatalogueFixture {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        catalogue.jobList = {s("ident"), s("status_lesen"), s("---- uses: d_basis"), s("init")};
        catalogue.resetJobTexts(4);
        catalogue.jobInfo[1] = s("name      : STATUS_LESEN\r\n");
        catalogue.argSummary[1] = s("Argumente:  2 \r\nwhat; mode");
        catalogue.resultNames[1] = s("stat_a\r\nstat_b\r\n");
        catalogue.jobInfo[2] = s("\r\n");
        catalogue.isUdsSgbd = true;
        form = std::make_unique<Job_Form>(catalogue, settings, texts, dialogs, clock);
        form->show();
        form->showJobs(catalogue.jobList);
        jobs = child<QListWidget>(*form, "JobListe");
        field = child<QComboBox>(*form, "ArgumentEingabe");
    }

    void select(int row)
    {
        jobs->setCurrentRow(row);
        clock.advance(Job_Form::delayMs);
        ASSERT_TRUE(form->pollDelay());
    }

    Settings settings;
    FakeClock clock;
    std::unique_ptr<Job_Form> form;
    QListWidget *jobs = nullptr;
    QComboBox *field = nullptr;
};

} // namespace

TEST_F(JobFormTest, DetailsFollowTheSelectionAfterTheDelay)
{
    auto *arguments = child<QLabel>(*form, "ArgumentListe");
    auto *results = child<QListWidget>(*form, "ResultListe");
    auto *filter = child<QComboBox>(*form, "ResultEingabe");
    EXPECT_EQ(jobs->currentRow(), 0);

    jobs->setCurrentRow(1);
    EXPECT_TRUE(child<QTimer>(*form, "Verzögerung")->isActive());
    clock.advance(Job_Form::delayMs - 1);
    EXPECT_FALSE(form->pollDelay());
    EXPECT_TRUE(arguments->isHidden());
    clock.advance(1);
    EXPECT_TRUE(form->pollDelay());
    EXPECT_FALSE(arguments->isHidden());
    EXPECT_EQ(arguments->text(), s("Argumente:  2 \nwhat; mode"));
    ASSERT_EQ(results->count(), 2);
    EXPECT_EQ(results->item(1)->text(), s("stat_b"));
    EXPECT_TRUE(filter->isHidden());

    // The separator shows empty details.
    select(2);
    EXPECT_TRUE(arguments->isHidden());
    EXPECT_TRUE(results->isHidden());
    EXPECT_FALSE(filter->isHidden());

    // The UDS result preview appends its lines for the job and argument.
    form->setResultPreview([](const QString &job, const QString &argument) {
        return job == s("status_lesen") && argument == s("ARG;X")
                   ? QStringList{s("------ arg=x (id) ------"), s("stat_x")}
                   : QStringList();
    });
    field->setEditText(s("ARG;X"));
    select(1);
    ASSERT_EQ(results->count(), 4);
    EXPECT_EQ(results->item(2)->text(), s("------ arg=x (id) ------"));
    results->item(2)->setSelected(true);
    results->item(1)->setSelected(true);
    // The walk stops at the preview's header line.
    EXPECT_EQ(form->resultFilter(), s("stat_b"));
    form->setResultPreview({});

    // With the argument and result information off the panes stay hidden.
    settings.options().argInfo = 0;
    settings.options().resInfo = 0;
    select(0);
    select(1);
    EXPECT_TRUE(arguments->isHidden());
    EXPECT_TRUE(results->isHidden());
}

TEST_F(JobFormTest, ArgumentFieldTabsHistoryAndClear)
{
    field->setEditText(s("1\t2\t"));
    EXPECT_EQ(field->currentText(), s("1;2;"));
    EXPECT_TRUE(form->delayPending());

    for (const char *text : {"other", " 1;2 "}) {
        field->setEditText(s(text));
        QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    }
    EXPECT_EQ(settings.argumentHistory(), (QStringList{s("1;2"), s("other")}));
    EXPECT_EQ(field->itemText(0), s("1;2"));

    QTest::mouseClick(child<QPushButton>(*form, "btnArgumentClear"), Qt::LeftButton);
    EXPECT_EQ(field->currentText(), QString());

    field->setEditText(s("a;b"));
    form->argumentTooltip();
    EXPECT_EQ(field->toolTip(), s("a;b"));
    // Closing keeps the drop-down contents as history.
    form->close();
    EXPECT_EQ(settings.argumentHistory(), (QStringList{s("1;2"), s("other")}));
}

TEST_F(JobFormTest, ResultSelectionBeyond255CharactersIsRefused)
{
    catalogue.resultNames[1] = QString(120, QLatin1Char('a')) + kCrLf + QString(120, QLatin1Char('b')) + kCrLf +
                               QString(20, QLatin1Char('c')) + kCrLf;
    select(1);
    auto *results = child<QListWidget>(*form, "ResultListe");
    auto *filter = child<QComboBox>(*form, "ResultEingabe");
    const QString twoNames = QString(120, QLatin1Char('a')) + s(";") + QString(120, QLatin1Char('b'));
    for (int row : {0, 1, 2})
        results->setCurrentRow(row, QItemSelectionModel::Select);
    EXPECT_FALSE(results->item(2)->isSelected());
    EXPECT_EQ(filter->currentText(), twoNames);
    EXPECT_EQ(form->resultFilter(), twoNames);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].text, s("Resultstring zu lange ( max. 255 Byte )"));
}

TEST_F(JobFormTest, SearchSelectsByPrefixAndRightClickCopiesTheCurrentEntry)
{
    auto *search = child<QLineEdit>(*form, "Suchstring");
    search->setText(s("in"));
    EXPECT_EQ(jobs->currentRow(), 3);
    // A text that matches nothing shrinks back.
    QTest::keyClick(search, Qt::Key_X);
    EXPECT_EQ(search->text(), s("in"));
    EXPECT_EQ(jobs->currentRow(), 3);

    int command = 3;
    form->setEditMenuHandler([&command](const QPoint &) { return command; });
    jobs->setCurrentRow(1);
    emit jobs->customContextMenuRequested(QPoint(1, 1));
    EXPECT_EQ(QApplication::clipboard()->text(), s("status_lesen"));
    command = 0;
    jobs->setCurrentRow(0);
    emit jobs->customContextMenuRequested(QPoint(1, 1));
    EXPECT_EQ(QApplication::clipboard()->text(), s("status_lesen"));
}

TEST_F(JobFormTest, ComposeButtonOnlyForTheUdsJobsAndTheAssistantReplacesTheText)
{
    auto *compose = child<QPushButton>(*form, "btnArgumentCompose");
    EXPECT_FALSE(compose->isEnabled());
    jobs->setCurrentRow(1);
    EXPECT_TRUE(compose->isEnabled());
    QString handed;
    form->setAssistantHandler([&handed](JobWindowRules::Assistant a, const QString &, const QString &argument) {
        handed = argument;
        return a == JobWindowRules::Assistant::StatusRead ? s("ARG;DREHZAHL") : QString();
    });
    field->setEditText(s("old"));
    QTest::mouseClick(compose, Qt::LeftButton);
    EXPECT_EQ(handed, s("old"));
    EXPECT_EQ(form->argumentText(), s("ARG;DREHZAHL"));
    catalogue.isUdsSgbd = false;
    jobs->setCurrentRow(0);
    jobs->setCurrentRow(1);
    EXPECT_FALSE(compose->isEnabled());
}

// ---------------------------------------------------------------------------
// Loading through the main window's menu.

namespace {
class WorkbenchTest : public CatalogueFixture {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        locations.userConfigDir = dir.filePath(s("config"));
        locations.programDirectory = dir.filePath(s("bin"));
        locations.fileName = s("kitbox32.INI");
        session = std::make_unique<RuntimeSession>(api, dialogs, texts);
        const KitBoxServices services{settings, texts, dialogs,   *session,
                                      registry, clock, locations, [] { return false; }};
        window = std::make_unique<KitBox>(services);
        side = std::make_unique<KitBoxCatalogue>(*window, services, api, sifter);
        window->show();
    }

    Settings settings;
    FakeClock clock;
    InstanceRegistry registry{programTitle(), nullptr, QDir::tempPath()};
    SettingsLocations locations;
    std::unique_ptr<RuntimeSession> session;
    std::unique_ptr<KitBox> window;
    std::unique_ptr<KitBoxCatalogue> side;
};

} // namespace

TEST_F(WorkbenchTest, MenuLoadFillsTheJobWindowAndReportsTableErrorsAtTheNextTick)
{
    api.setJobResults(s("D_MOTOR"), s("_JOBS"), jobsAnswer(s("D_MOTOR"), {s("IDENT"), s("STATUS")}));
    api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({}));
    const QString motor = dir.filePath(s("D_MOTOR.prg"));
    sifter.setFile(motor, writeDescriptionFile(motor, {}, {{s("T"), 1, 0, tableBytes({s("bad\x03")})}}));
    QAction *load = window->menuAction(s("SGBDLaden"));
    ASSERT_TRUE(load->isEnabled());
    dialogs.setNextFileName(motor);
    load->trigger();

    Job_Form *form = side->jobForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), s("D_MOTOR: Jobauswahl"));
    auto *jobs = child<QListWidget>(*form, "JobListe");
    ASSERT_EQ(jobs->count(), 2);
    EXPECT_TRUE(window->menuAction(s("StarteJob"))->isEnabled());
    EXPECT_TRUE(window->menuAction(s("EcuInfo"))->isEnabled());
    EXPECT_EQ(settings.recentFiles().value(0), motor);

    // The ERR file lies beside the settings file; the next tick offers to open it.
    ASSERT_TRUE(side->catalogue().tableErrorFileWritten);
    EXPECT_TRUE(side->catalogue().tableErrorFilePath.endsWith(s("/kitbox32.ERR")));
    dialogs.clear();
    dialogs.setNextAnswer(DialogAnswer::No);
    side->timerTick();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].title, s("Unzulässiges Zeichen (<0x20) in Tabelle gefunden."));
    EXPECT_EQ(dialogs.messages()[0].text, s("Details gespeichert in Datei\r\n") + side->catalogue().tableErrorFilePath +
                                              s("\r\n\r\nSoll die Datei geöffnet werden?"));
    side->timerTick();
    EXPECT_EQ(dialogs.messages().size(), 1);

    // Closing the job window disables the run commands and unloads the runtime.
    form->close();
    EXPECT_FALSE(window->menuAction(s("StarteJob"))->isEnabled());
    EXPECT_EQ(window->menuAction(s("StarteJobEndlos"))->text(), s("&Job dauernd ausführen"));
    EXPECT_EQ(api.calls().mid(api.calls().size() - 2),
              (QStringList{s("apiJob($$$$$$$$,$$$$$$$$,,)"), s("apiResultSets()")}));
}

TEST_F(WorkbenchTest, RefusedDescriptionShowsTheErrorInTheResultsWindow)
{
    side->sgbdLaden(dir.filePath(s("GONE.PRG")));
    EXPECT_EQ(side->jobForm(), nullptr);
    const QString broken = dir.filePath(s("BROKEN.PRG"));
    writeDescriptionFile(broken, {}, {});
    api.setJobError(s("BROKEN"), s("_JOBS"), 98, s("not a description"));
    side->sgbdLaden(broken);
    ASSERT_NE(side->jobForm(), nullptr);
    EXPECT_EQ(child<QListWidget>(*side->jobForm(), "JobListe")->count(), 0);
    EXPECT_FALSE(window->menuAction(s("StarteJob"))->isEnabled());
    EXPECT_EQ(window->results().text(), s("VEDAMIS Fehler 98 : not a description\r\n"));
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
