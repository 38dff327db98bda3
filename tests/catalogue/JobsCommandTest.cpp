// "kitbox32-cli jobs" over a scripted runtime and locator.
#include "cli/JobsCommand.h"
#include "CatalogueTestSupport.h"

using namespace kitbox;
using namespace kitbox::test;

namespace {

struct CommandRun {
    int code = 0;
    QString out;
    QString err;
};

class JobsCommandTest : public CatalogueFixture {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        api.setJobResults(s("D_MOTOR"), s("_JOBS"), jobsAnswer(s("D_MOTOR"), {s("IDENT"), s("STATUS")}));
        api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({}));
        describe(
            motor,
            infoBlock({s("JOBNAME:IDENT"), s("JOBNAME:STATUS"), s("ARG:MODE"), s("RESULT:STAT_A"), s("RESULT:STAT_B")}),
            {});
    }

    CommandRun run(const QString &file, const QString &job = QString())
    {
        CommandRun r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        JobsRequest request{file, job, dir.filePath(s("kitbox32.INI"))};
        r.code = runJobsCommand(request, api, sifter, dialogs, out, err);
        out.flush();
        err.flush();
        return r;
    }

    const QString motor = dir.filePath(s("D_MOTOR.prg"));
};

} // namespace

TEST_F(JobsCommandTest, ListsJobsAndShowsOneJob)
{
    const CommandRun list = run(motor);
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.out, s("ident\nstatus\n"));

    const CommandRun job = run(motor, s("STATUS"));
    EXPECT_EQ(job.code, 0) << job.err.toStdString();
    EXPECT_EQ(job.out, s("Arguments:\nArgumente:  1 \nmode\nResults:\nstat_a\nstat_b\nInformation:\n"
                         "name      : STATUS\n\nargument  : MODE\n\nresult    : STAT_A\n\nresult    : STAT_B\n"));

    const CommandRun unknown = run(motor, s("nope"));
    EXPECT_NE(unknown.code, 0);
    EXPECT_TRUE(unknown.err.contains(s("nope")));
}

TEST_F(JobsCommandTest, LoadingFailuresEndWithAnErrorText)
{
    EXPECT_EQ(run(dir.filePath(s("MISSING.PRG"))).code, 1);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].text.startsWith(s("SGBD, Gruppendatei nicht gefunden.")));

    const QString broken = dir.filePath(s("BROKEN.PRG"));
    writeDescriptionFile(broken, {}, {});
    api.setJobError(s("BROKEN"), s("_JOBS"), 21, s("description invalid"));
    const CommandRun failed = run(broken);
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.out, QString());
    EXPECT_EQ(failed.err, s("VEDAMIS Fehler 21 : description invalid\n"));
}
