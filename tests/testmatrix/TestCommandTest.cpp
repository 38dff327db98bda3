// kitbox32-cli test: its command line, and the program against the demo
// fleet's test files and the simulation.
#include "cli/TestCommand.h"

#include "CliProcess.h"
#include "Support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::testing;

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

const QString demoTests = QStringLiteral(KITBOX_DATA_DIR "/tst");

CliRun testCommand(const QStringList &arguments)
{
    return runCli(QStringList{q("test")} + arguments);
}

// The test cases of a JUnit report, or -1 when it is no well-formed XML.
int junitCases(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    QXmlStreamReader reader(&f);
    int cases = 0;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"testcase")
            ++cases;
    return reader.hasError() ? -1 : cases;
}

} // namespace

TEST(TestArguments, CommandLine)
{
    const struct {
        QStringList words;
        bool ok;
        int step;
    } cases[] = {
        {{q("a.tst")}, true, 0},
        {{q("a.tst"), q("--step"), q("15"), q("--junit"), q("r.xml"), q("--language"), q("EN")}, true, 15},
        {{q("a.tst"), q("--step"), q("16")}, false, 0},
        {{q("a.tst"), q("--step"), q("zwei")}, false, 0},
        {{q("a.tst"), q("--language"), q("fr")}, false, 0},
        {{q("a.tst"), q("--junit")}, false, 0},
        {{q("a.tst"), q("b.tst")}, false, 0},
        {{}, false, 0},
        {{q("a.tst"), q("--repeat"), q("2")}, false, 0},
    };
    for (const auto &c : cases) {
        const auto r = parseTestArguments(c.words);
        EXPECT_EQ(r.ok(), c.ok) << c.words.join(u' ').toStdString();
        if (r.ok()) {
            EXPECT_EQ(r.value().step, c.step);
        }
    }
}

// Every demo test file names descriptions and jobs that exist, with arguments
// the jobs accept: each runs without a failed step.
TEST(TestProgram, DemoTestsPassAndWriteJunit)
{
    QTemporaryDir dir;
    const QStringList names = QDir(demoTests).entryList({q("*.TST")}, QDir::Files);
    EXPECT_GE(names.size(), 5);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString file = demoTests + u'/' + name, report = dir.filePath(name + u".xml");
        const CliRun r = testCommand({file, q("--junit"), report});
        EXPECT_EQ(r.exitCode, testPassed) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QByteArray("Testdatei : " + file.toUtf8() + "\r\nStart     : ")));
        EXPECT_TRUE(r.out.contains("\r\nStop      : "));
        EXPECT_FALSE(r.out.contains("VEDAMIS Fehler"));
        EXPECT_GT(junitCases(report), 3);
    }
}

TEST(TestProgram, FailuresAndMissingFiles)
{
    QTemporaryDir dir;
    const QString failing = dir.filePath(q("FAIL.TST"));
    kitbox::test::writeFile(failing, "1|d_motor|ident\r\n1|d_motor|fehler_job\r\n1|d_motor|ident\r\n");
    const CliRun failed = testCommand({failing, q("--language"), q("en")});
    EXPECT_EQ(failed.exitCode, testFailed) << failed.err.toStdString();
    EXPECT_TRUE(failed.out.startsWith("Test file : ")) << failed.out.left(40).toStdString();
    EXPECT_EQ(failed.out.count("apiJob("), 3) << "a failing step does not stop the run";

    const CliRun single = testCommand({failing, q("--step"), q("3")});
    EXPECT_EQ(single.exitCode, testPassed) << "only step 3 runs";
    EXPECT_EQ(single.out.count("apiJob("), 1);

    const CliRun missing = testCommand({dir.filePath(q("NONE.TST"))});
    EXPECT_EQ(missing.exitCode, testNotRun);
    EXPECT_TRUE(missing.err.contains(dir.filePath(q("NONE.TST")).toUtf8())) << missing.err.toStdString();

    const CliRun notWritable = testCommand({failing, q("--junit"), dir.filePath(q("no/such/r.xml"))});
    EXPECT_EQ(notWritable.exitCode, testNotRun);

    const CliRun help = testCommand({q("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("Exit code"));
}
