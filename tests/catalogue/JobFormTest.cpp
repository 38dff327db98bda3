// The job window and the catalogue side of the main window as a user meets
// them, offscreen, with a scripted runtime, locator, dialogs and clock.
#include "CatalogueTestSupport.h"
#include "catalogue/Job_Form.h"
#include "catalogue/KitBoxCatalogue.h"
#include "runtime/RuntimeSession.h"
#include "shell/FakeClock.h"
#include "shell/InstanceRegistry.h"
#include "shell/KitBox.h"
#include "shell/Settings.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace kitbox;
using namespace kitbox::test;

namespace {

class JobFormTest : public CatalogueFixture {
protected:
    Settings settings;
    FakeClock clock;
};

} // namespace

// The rules themselves are JobWindowRulesTest's; here the window applies them
// to what the user does.
TEST_F(JobFormTest, WindowAppliesTheRulesToWhatTheUserDoes)
{
    catalogue.jobList = {s("ident"), s("status_lesen"), s("---- uses: d_basis"), s("init")};
    catalogue.resetJobTexts(4);
    catalogue.argSummary[1] = s("Argumente:  2 \r\nwhat; mode");
    catalogue.resultNames[1] = s("stat_a\r\nstat_b\r\n");
    catalogue.isUdsSgbd = true;
    Job_Form form(catalogue, settings, texts, dialogs, clock);
    form.show();
    form.showJobs(catalogue.jobList);
    auto *jobs = child<QListWidget>(form, "JobListe");
    auto *field = child<QComboBox>(form, "ArgumentEingabe");
    auto *arguments = child<QLabel>(form, "ArgumentListe");
    auto *results = child<QListWidget>(form, "ResultListe");
    // The details follow the selection only after the delay; a preview adds its lines.
    form.setResultPreview([](const QString &job, const QString &) {
        return job == s("status_lesen") ? QStringList{s("------ arg=x (id) ------")} : QStringList();
    });
    jobs->setCurrentRow(1);
    clock.advance(Job_Form::delayMs - 1);
    EXPECT_FALSE(form.pollDelay());
    EXPECT_TRUE(arguments->isHidden());
    clock.advance(1);
    ASSERT_TRUE(form.pollDelay());
    EXPECT_EQ(arguments->text(), s("Argumente:  2 \nwhat; mode"));
    ASSERT_EQ(results->count(), 3);
    EXPECT_TRUE(child<QComboBox>(form, "ResultEingabe")->isHidden());

    // TABs become separators; Enter keeps the trimmed text as history.
    field->setEditText(s(" 1\t2 "));
    EXPECT_EQ(field->currentText(), s(" 1;2 "));
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(settings.argumentHistory(), QStringList{s("1;2")});

    // A selection beyond 255 characters takes back the last click and says so.
    catalogue.resultNames[1] = QString(120, u'a') + kCrLf + QString(120, u'b') + kCrLf + QString(20, u'c') + kCrLf;
    clock.advance(Job_Form::delayMs); // the edit above restarted the delay
    ASSERT_TRUE(form.pollDelay());
    for (int row : {0, 1, 2})
        results->setCurrentRow(row, QItemSelectionModel::Select);
    EXPECT_FALSE(results->item(2)->isSelected());
    EXPECT_EQ(form.resultFilter(), QString(120, u'a') + s(";") + QString(120, u'b'));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].text, s("Resultstring zu lange ( max. 255 Byte )"));

    // A search text that matches nothing shrinks back to one that does.
    auto *search = child<QLineEdit>(form, "Suchstring");
    search->setText(s("inx"));
    EXPECT_EQ(std::pair(search->text(), jobs->currentRow()), std::pair(s("in"), 3));

    // The assistant's text replaces the argument; the edit menu copies the entry.
    jobs->setCurrentRow(1);
    form.setAssistantHandler(
        [](JobWindowRules::Assistant, const QString &, const QString &argument) -> QString {
            return argument + s(";DREHZAHL");
        });
    field->setEditText(s("ARG"));
    QTest::mouseClick(child<QPushButton>(form, "btnArgumentCompose"), Qt::LeftButton);
    EXPECT_EQ(form.argumentText(), s("ARG;DREHZAHL"));
    form.setEditMenuHandler([](const QPoint &) { return 3; });
    emit jobs->customContextMenuRequested(QPoint(1, 1));
    EXPECT_EQ(QApplication::clipboard()->text(), s("status_lesen"));
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
    dialogs.setNextFileName(motor);
    window->menuAction(s("SGBDLaden"))->trigger();

    Job_Form *form = side->jobForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), s("D_MOTOR: Jobauswahl"));
    EXPECT_EQ(child<QListWidget>(*form, "JobListe")->count(), 2);
    EXPECT_TRUE(window->menuAction(s("StarteJob"))->isEnabled());
    EXPECT_EQ(settings.recentFiles().value(0), motor);

    // The ERR file lies beside the settings file; the next tick offers to open it, once.
    EXPECT_TRUE(side->catalogue().tableErrorFilePath.endsWith(s("/kitbox32.ERR")));
    dialogs.clear();
    dialogs.setNextAnswer(DialogAnswer::No);
    side->timerTick();
    side->timerTick();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].text.contains(side->catalogue().tableErrorFilePath));

    // Closing the job window disables the run commands and unloads the runtime.
    form->close();
    EXPECT_FALSE(window->menuAction(s("StarteJob"))->isEnabled());
    EXPECT_EQ(api.calls().mid(api.calls().size() - 2),
              (QStringList{s("apiJob($$$$$$$$,$$$$$$$$,,)"), s("apiResultSets()")}));
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
