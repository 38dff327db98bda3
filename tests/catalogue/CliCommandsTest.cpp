// "kitbox32-cli jobs" and "kitbox32-cli tables" over a scripted runtime and locator.
#include "CatalogueTestSupport.h"
#include "cli/JobsCommand.h"
#include "cli/TablesCommand.h"

#include <QFile>

using namespace kitbox;
using namespace kitbox::test;

namespace {

struct CommandRun {
    int code = 0;
    QString out;
    QString err;
};

class CliCommandsTest : public CatalogueFixture {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        api.setJobResults(s("D_MOTOR"), s("_JOBS"), jobsAnswer(s("D_MOTOR"), {s("IDENT"), s("STATUS")}));
        api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({}));
        describe(
            motor,
            infoBlock({s("JOBNAME:IDENT"), s("JOBNAME:STATUS"), s("ARG:MODE"), s("RESULT:STAT_A"), s("RESULT:STAT_B")}),
            {{s("TAB_A"), 2, 1, tableBytes({s("X"), s("Y"), s("1;2"), s("b")})},
             {s("SG_FUNKTIONEN"), 1, 2, tableBytes({s("ARG"), s("DREHZAHL"), s("say \"hi\"")})}});
    }

    template <typename Command> CommandRun run(Command command)
    {
        CommandRun r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        r.code = command(out, err);
        out.flush();
        err.flush();
        return r;
    }
    CommandRun jobs(const QString &file, const QString &job = QString())
    {
        return run([&](QTextStream &out, QTextStream &err) {
            return runJobsCommand({file, job, dir.filePath(s("kitbox32.INI"))}, api, sifter, dialogs, out, err);
        });
    }
    CommandRun tables(const QStringList &words)
    {
        auto request = parseTablesArguments(words);
        if (!request)
            return {-1, QString(), QString::fromStdString(request.error())};
        request.value().settingsFilePath = dir.filePath(s("kitbox32.INI"));
        return run([&](QTextStream &out, QTextStream &err) {
            return runTablesCommand(request.value(), api, sifter, dialogs, out, err);
        });
    }

    const QString motor = dir.filePath(s("D_MOTOR.prg"));
};

} // namespace

TEST_F(CliCommandsTest, JobsListsJobsShowsOneJobAndReportsLoadingFailures)
{
    const CommandRun list = jobs(motor);
    EXPECT_EQ(std::pair(list.code, list.out), std::pair(0, s("ident\nstatus\n")));

    const CommandRun job = jobs(motor, s("STATUS"));
    EXPECT_EQ(job.code, 0) << job.err.toStdString();
    EXPECT_EQ(job.out, s("Arguments:\nArgumente:  1 \nmode\nResults:\nstat_a\nstat_b\nInformation:\n"
                         "name      : STATUS\n\nargument  : MODE\n\nresult    : STAT_A\n\nresult    : STAT_B\n"));

    const CommandRun unknown = jobs(motor, s("nope"));
    EXPECT_TRUE(unknown.code != 0 && unknown.err.contains(s("nope")));

    const QString broken = dir.filePath(s("BROKEN.PRG"));
    writeDescriptionFile(broken, {}, {});
    api.setJobError(s("BROKEN"), s("_JOBS"), 21, s("description invalid"));
    const CommandRun failed = jobs(broken);
    EXPECT_EQ(std::tuple(failed.code, failed.out, failed.err),
              std::tuple(1, QString(), s("VEDAMIS Fehler 21 : description invalid\n")));
}

TEST_F(CliCommandsTest, TablesListsOneTableInEachFormatAndRefusesWhatIsNotThere)
{
    struct Case {
        QStringList words;
        int code;
        const char *out;
    } cases[] = {
        {{motor}, 0, "SG_FUNKTIONEN[1][2]\nTAB_A[2][1]\n"},
        {{motor, s("--table"), s("tab_a")}, 0, "X    Y\r\n1;2  b\r\n"},
        {{motor, s("--table"), s("TAB_A"), s("--format"), s("JSON")},
         0,
         "{\"table\": \"TAB_A\",\n \"columns\": [\"X\", \"Y\"],\n \"rows\": [\n  [\"1;2\", \"b\"]]}\n"},
        {{motor, s("--table"), s("NOPE")}, 1, ""},
        {{dir.filePath(s("MISSING.prg"))}, 1, ""},
        {{motor, s("--format"), s("csv")}, -1, ""},
        {{motor, s("--table"), s("TAB_A"), s("--format"), s("xml")}, -1, ""},
        {{motor, s("--bogus")}, -1, ""},
        {{}, -1, ""},
    };
    for (const Case &c : cases) {
        const CommandRun r = tables(c.words);
        const std::string line = c.words.join(u' ').toStdString();
        EXPECT_EQ(r.code, c.code) << line << r.err.toStdString();
        EXPECT_EQ(r.out, s(c.out)) << line;
        // Loading reports through the dialogs (the command line's print to the error stream).
        EXPECT_EQ(r.err.isEmpty() && dialogs.messages().isEmpty(), c.code == 0) << line;
        dialogs.clear();
    }

    // An output file is written whole or not at all.
    const QString path = dir.filePath(s("out.csv"));
    EXPECT_EQ(tables({motor, s("--table"), s("TAB_A"), s("--format"), s("csv"), s("--output"), path}).code, 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("X,Y\r\n\"1;2\",b\r\n"));
    EXPECT_EQ(tables({motor, s("--table"), s("TAB_A"), s("--output"), dir.filePath(s("no/dir/t.txt"))}).code, 1);
}
