// "kitbox32-cli tables" over a scripted runtime and locator.
#include "cli/TablesCommand.h"
#include "CatalogueTestSupport.h"

#include <QFile>

using namespace kitbox;
using namespace kitbox::test;

namespace {

struct CommandRun {
    int code = 0;
    QString out;
    QString err;
};

class TablesCommandTest : public CatalogueFixture {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        api.setJobResults(s("D_MOTOR"), s("_JOBS"), jobsAnswer(s("D_MOTOR"), {s("IDENT")}));
        api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({}));
        describe(motor, infoBlock({s("JOBNAME:IDENT")}),
                 {{s("TAB_A"), 2, 1, tableBytes({s("X"), s("Y"), s("1;2"), s("b")})},
                  {s("SG_FUNKTIONEN"), 1, 2, tableBytes({s("ARG"), s("DREHZAHL"), s("say \"hi\"")})}});
    }

    CommandRun run(const QStringList &words)
    {
        CommandRun r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        auto request = parseTablesArguments(words);
        if (!request) {
            r.code = -1;
            r.err = QString::fromStdString(request.error());
            return r;
        }
        request.value().settingsFilePath = dir.filePath(s("kitbox32.INI"));
        r.code = runTablesCommand(request.value(), api, sifter, dialogs, out, err);
        out.flush();
        err.flush();
        return r;
    }

    const QString motor = dir.filePath(s("D_MOTOR.prg"));
};

} // namespace

TEST_F(TablesCommandTest, ListsOneTableInEachFormatAndRefusesWhatIsNotThere)
{
    struct Case {
        QStringList words;
        int code;
        const char *out;
    } cases[] = {
        {{motor}, 0, "SG_FUNKTIONEN[1][2]\nTAB_A[2][1]\n"},
        {{motor, s("--table"), s("tab_a")}, 0, "X    Y\r\n1;2  b\r\n"},
        {{motor, s("--table"), s("SG_FUNKTIONEN"), s("--format"), s("csv")}, 0, "ARG\r\nDREHZAHL\r\n\"say \"\"hi\"\"\"\r\n"},
        {{motor, s("--table"), s("TAB_A"), s("--format"), s("JSON")}, 0,
         "{\"table\": \"TAB_A\",\n \"columns\": [\"X\", \"Y\"],\n \"rows\": [\n  [\"1;2\", \"b\"]]}\n"},
        {{motor, s("--table"), s("NOPE")}, 1, ""},
        {{dir.filePath(s("MISSING.prg"))}, 1, ""},
        {{motor, s("--format"), s("csv")}, -1, ""},
        {{motor, s("--table"), s("TAB_A"), s("--format"), s("xml")}, -1, ""},
        {{motor, s("--bogus")}, -1, ""},
        {{}, -1, ""},
    };
    for (const Case &c : cases) {
        const CommandRun r = run(c.words);
        EXPECT_EQ(r.code, c.code) << c.words.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, s(c.out)) << c.words.join(u' ').toStdString();
        // Loading reports through the dialogs (the command line's print to the error stream).
        EXPECT_EQ(r.err.isEmpty() && dialogs.messages().isEmpty(), c.code == 0) << c.words.join(u' ').toStdString();
        dialogs.clear();
    }
}

TEST_F(TablesCommandTest, OutputFileIsWrittenWholeOrNotAtAll)
{
    const QString path = dir.filePath(s("out.csv"));
    EXPECT_EQ(run({motor, s("--table"), s("TAB_A"), s("--format"), s("csv"), s("--output"), path}).code, 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("X,Y\r\n\"1;2\",b\r\n"));
    EXPECT_EQ(run({motor, s("--table"), s("TAB_A"), s("--output"), dir.filePath(s("no/dir/t.txt"))}).code, 1);
}
