#include "catalogue/DescriptionLoader.h"
#include "CatalogueTestSupport.h"
#include "catalogue/EcuInfo.h"

using namespace kitbox;
using namespace kitbox::test;

namespace {

class DescriptionLoaderTest : public CatalogueFixture {
protected:
    // D_MOTOR uses D_BASIS and redefines its job IDENT.
    void demoFleet()
    {
        api.setJobResults(s("D_MOTOR"), s("_JOBS"), jobsAnswer(s("D_MOTOR"), {s("IDENT"), s("STATUS_LESEN")}));
        api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({s("d_basis")}));
        api.setJobResults(s("D_BASIS"), s("_JOBS"), jobsAnswer(s("D_BASIS"), {s("INIT"), s("IDENT"), s("RESET")}));
        describe(dir.filePath(s("D_MOTOR.prg")),
                 infoBlock({s("JOBNAME:IDENT"), s("JOBNAME:STATUS_LESEN"), s("ARG:WHAT")}),
                 {{s("SG_FUNKTIONEN"), 1, 0, tableBytes({s("ARG")})}});
        describe(dir.filePath(s("D_BASIS.PRG")),
                 infoBlock({s("JOBNAME:INIT"), s("JOBCOMMENT:starts"), s("JOBNAME:IDENT"), s("ARG:LOST"),
                            s("JOBNAME:RESET"), s("RESULT:DONE")}),
                 {});
    }

    bool load(const QString &name)
    {
        DescriptionLoader loader(api, sifter, dialogs, texts, host);
        return loader.load(catalogue, name, options);
    }
};

} // namespace

TEST_F(DescriptionLoaderTest, NamesFromPaths)
{
    EXPECT_EQ(DescriptionLoader::loadedNameOf(s("/ecu/abc.prg")), s("ABC"));
    EXPECT_EQ(DescriptionLoader::loadedNameOf(s("/e.cu/d_motor.v2.prg")), s("D_MOTOR"));
    EXPECT_EQ(DescriptionLoader::directoryOf(s("/home/u/Ecu/abc.prg")), s("/home/u/Ecu"));
}

TEST_F(DescriptionLoaderTest, LoadsOwnAndBaseJobsWithTheirTexts)
{
    demoFleet();
    ASSERT_TRUE(load(dir.filePath(s("D_MOTOR.prg"))));

    EXPECT_EQ(catalogue.jobList,
              (QStringList{s("ident"), s("status_lesen"), s("---- uses: d_basis"), s("init"), s("reset")}));
    EXPECT_EQ(host.shownJobs, catalogue.jobList);
    EXPECT_EQ(host.caption, s("D_MOTOR: Jobauswahl"));
    EXPECT_EQ(api.configValue(s("EcuPath")), dir.path());
    EXPECT_EQ(catalogue.jobInfo[3], s("---- uses : D_BASIS\r\nname      : INIT\r\n  comment : starts\r\n"));
    EXPECT_TRUE(catalogue.isUdsSgbd);
    EXPECT_TRUE(host.events.contains(s("recent ") + dir.filePath(s("D_MOTOR.prg"))));
    // The runtime is emptied before the description's jobs are asked for.
    const qsizetype unload = api.calls().indexOf(s("apiJob($$$$$$$$,$$$$$$$$,,)"));
    ASSERT_GE(unload, 0);
    EXPECT_LT(unload, api.calls().indexOf(s("apiJob(D_MOTOR,_JOBS,,)")));
}

TEST_F(DescriptionLoaderTest, GroupFileShowsTheVariantAndReadsItsFile)
{
    api.setJobResults(s("D_GRUPPE"), s("_JOBS"), jobsAnswer(s("D_MOTOR2"), {s("IDENT")}));
    const QString group = dir.filePath(s("D_GRUPPE.grp"));
    writeDescriptionFile(group, {}, {});
    const QString variant = dir.filePath(s("D_MOTOR2.PRG"));
    sifter.setFile(variant, writeDescriptionFile(variant, infoBlock({s("JOBNAME:IDENT")}), {}));

    ASSERT_TRUE(load(group));
    EXPECT_EQ(std::pair(host.caption, catalogue.descriptionPath),
              std::pair(s("D_GRUPPE: Jobauswahl --> D_MOTOR2"), variant));
    EXPECT_EQ(catalogue.jobInfo[0], s("name      : IDENT\r\n"));
    EXPECT_TRUE(host.ecuInfoEnabled);
}

TEST_F(DescriptionLoaderTest, MissingFileShowsText507AndLoadsNothing)
{
    const QString missing = dir.filePath(s("NOPE.PRG"));
    EXPECT_FALSE(load(missing));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].text, s("SGBD, Gruppendatei nicht gefunden.\r\n") + missing);
    EXPECT_EQ(api.callCount(s("apiJob")), 0);
}

TEST_F(DescriptionLoaderTest, DialogAsksAgainForAnInvalidNameAndCancelLoadsNothing)
{
    dialogs.setNextFileName(dir.filePath(s("notes.txt")));
    dialogs.setNextFileName(QString());
    EXPECT_FALSE(load(QString()));
    ASSERT_EQ(dialogs.shown().size(), 3);
    EXPECT_EQ(dialogs.shown()[0].text, dir.path());
    EXPECT_TRUE(dialogs.shown()[0].filter.contains(s("Gruppendatei *.grp")));
    EXPECT_EQ(dialogs.shown()[1].text, s("Kein gültiger Name.\r\n") + dir.filePath(s("notes.txt")));
    EXPECT_EQ(std::pair(dialogs.shown()[2].kind, api.callCount(s("apiJob"))),
              std::pair(ShownDialog::Kind::OpenFile, 0));
}

TEST_F(DescriptionLoaderTest, RefusedDescriptionGivesAnEmptyListAndAReportedError)
{
    const QString broken = dir.filePath(s("BROKEN.PRG"));
    writeDescriptionFile(broken, {}, {});
    api.setJobError(s("BROKEN"), s("_JOBS"), 98, s("description corrupt"));
    ASSERT_TRUE(load(broken));
    EXPECT_TRUE(host.shownJobs.isEmpty() && host.events.contains(s("closeDetailWindows")));
    EXPECT_EQ(host.runtimeErrors, QStringList{s("98 : description corrupt")});
    EXPECT_EQ(sifter.calls(), QStringList());
}

TEST_F(DescriptionLoaderTest, FailingBaseContributesNoSeparator)
{
    api.setJobResults(s("D_MOTOR"), s("_JOBS"), jobsAnswer(s("D_MOTOR"), {s("IDENT")}));
    api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({s("D_GONE"), s("D_BASIS")}));
    api.setJobError(s("D_GONE"), s("_JOBS"), 20, s("file not found"));
    api.setJobResults(s("D_BASIS"), s("_JOBS"), jobsAnswer(s("D_BASIS"), {s("INIT")}));
    const QString motor = dir.filePath(s("D_MOTOR.PRG"));
    sifter.setFile(motor, writeDescriptionFile(motor, {}, {}));
    ASSERT_TRUE(load(motor));
    EXPECT_EQ(catalogue.jobList, (QStringList{s("ident"), s("---- uses: d_basis"), s("init")}));
    EXPECT_EQ(host.runtimeErrors, QStringList{s("20 : file not found")});
}

TEST_F(DescriptionLoaderTest, EcuInfoShowsTheFixedBlockAndTheComments)
{
    api.setJobResults(
        s("D_MOTOR"), s("_VERSIONINFO"),
        {FakeResultSet{},
         FakeResultSet{text(s("ECU"), s("D_MOTOR")), text(s("REVISION"), s("1.20")), text(s("AUTHOR"), s("Demo team")),
                       text(s("ECUCOMMENT0"), s("first")), text(s("ECUCOMMENT1"), s("second"))}});
    EXPECT_EQ(EcuInfo::text(api, s("D_MOTOR")), s("ECU            \t: D_MOTOR\n\nRevision    \t: 1.20\n"
                                                  "Author      \t: Demo team\n\nECUCOMMENT0 \t: first\n"
                                                  "ECUCOMMENT1 \t: second\n\n"));
    EcuInfo::show(api, dialogs, texts, QString());
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].text, s("Keine ECU-Datei ausgewählt!"));
}
