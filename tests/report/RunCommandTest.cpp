// The headless run command: its command line and the program's exit codes
// and options against the demo description. Its output is compared with the
// results window in the window tests.
#include "cli/RunCommand.h"

#include <gtest/gtest.h>

#include "CliProcess.h"
#include "Support.h"

#include <prg/Prg.h>
#include <vedamis/Compiler.h>

#include <QTemporaryDir>

#include <vector>

using namespace kitbox;
using namespace kitbox::testing;

namespace {

QStringList words(const std::vector<const char *> &list)
{
    QStringList out;
    for (const char *w : list)
        out << QString::fromUtf8(w);
    return out;
}

CliRun run(const QStringList &arguments)
{
    return runCli(QStringList{QStringLiteral("run")} + arguments);
}

const QString kDemoFile = QStringLiteral(KITBOX_DATA_DIR "/ecu/D_MOTOR.prg");

} // namespace

TEST(RunArguments, PositionalsAndOptions)
{
    const auto r =
        parseRunArguments(words({"d_motor.prg", "status", "a;b", "X;Y", "--data", "--sort-by", "b; a", "--uds-filter",
                                 "einh,TEXT", "--language", "EN", "--repeat", "3", "--pause", "250"}));
    ASSERT_TRUE(r.ok()) << r.error();
    const RunRequest &q = r.value();
    ASSERT_TRUE(q.udsHidden.has_value());
    // The sort list is trimmed, the filter names and the language are normalised.
    EXPECT_EQ((QStringList{q.file, q.job, q.arguments, q.results, q.sortBy.join(u'|'), q.udsHidden->join(u'|'),
                           q.language, QString::number(q.repeat), QString::number(q.pauseMs)}),
              words({"d_motor.prg", "status", "a;b", "X;Y", "b|a", "EINH|TEXT", "en", "3", "250"}));
    EXPECT_TRUE(q.data);

    const auto plain = parseRunArguments(words({"F", "J"}));
    ASSERT_TRUE(plain.ok());
    EXPECT_FALSE(plain.value().data);
    EXPECT_FALSE(plain.value().udsHidden.has_value());
    EXPECT_EQ(plain.value().repeat, 1);
    // An empty filter list shows every UDS result.
    EXPECT_TRUE(parseRunArguments(words({"F", "J", "--uds-filter", ""})).value().udsHidden->isEmpty());
}

TEST(RunArguments, WrongCommandLinesAreRefusedWithAReason)
{
    const std::pair<std::vector<const char *>, const char *> cases[] = {
        {{"F"}, "FILE and JOB"},
        {{"F", "J", "a", "r", "extra"}, "at most"},
        {{"F", "J", "--repeat"}, "needs a value"},
        {{"F", "J", "--repeat", "0"}, "--repeat"},
        {{"F", "J", "--repeat", "x"}, "--repeat"},
        {{"F", "J", "--pause", "-1"}, "--pause"},
        {{"F", "J", "--language", "fr"}, "de or en"},
        {{"F", "J", "--uds-filter", "EINH,UNIT"}, "UNIT"},
        {{"F", "J", "--verbose"}, "unknown option"},
    };
    for (const auto &[line, reason] : cases) {
        const auto r = parseRunArguments(words(line));
        ASSERT_FALSE(r.ok()) << reason;
        EXPECT_NE(r.error().find(reason), std::string::npos) << r.error();
    }
}

TEST(RunCli, ExitCodeTwoOnlyForARuntimeErrorLine)
{
    const CliRun failing =
        run({kDemoFile, QStringLiteral("fehler_job"), QStringLiteral("--language"), QStringLiteral("en")});
    EXPECT_EQ(failing.exitCode, 2);
    EXPECT_TRUE(failing.out.contains("\r\nVEDAMIS Error ")) << failing.out.toStdString();

    const CliRun unknown = run({kDemoFile, QStringLiteral("kein_job")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.out.isEmpty());

    const CliRun badLine = run({kDemoFile});
    EXPECT_EQ(badLine.exitCode, 1);
    EXPECT_TRUE(badLine.err.contains("usage"));

    // A filtered report is no error; each repetition prints its own report.
    const CliRun filtered = run({kDemoFile, QStringLiteral("status_motor"), QStringLiteral("--uds-filter"),
                                 QStringLiteral("TEXT"), QStringLiteral("--repeat"), QStringLiteral("2")});
    EXPECT_EQ(filtered.exitCode, 0);
    EXPECT_FALSE(filtered.out.contains("_TEXT "));
    EXPECT_EQ(filtered.out.count(">>> Results sind gefiltert"), 2);
}

TEST(RunCli, SystemJobsInheritedJobsAndTextsWithNul)
{
    // A description of its own that only inherits, with no revision, and a
    // job whose text result holds a NUL byte.
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("d_kind.vds"));
    const QString kind = dir.filePath(QStringLiteral("D_KIND.prg"));
    kitbox::test::writeFile(source,
                            "ecu { name = \"D_KIND\", uses = { \"D_BASIS\" } }\n"
                            "job \"ROH\" { run = function() result(\"ROH_TEXT\", \"text\", \"vor\\0nach\") end }\n");
    const kitbox::Status compiled = vedamis::compileFile(source.toStdString(), kind.toStdString());
    ASSERT_TRUE(compiled.ok()) << compiled.error();
    // The base is looked up beside it.
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(KITBOX_DATA_DIR "/ecu/D_BASIS.prg"), dir.filePath(QStringLiteral("D_BASIS.prg"))));

    // A result line of the report: the name in its column, then the value.
    const auto line = [](const char *name, const QByteArray &value) -> QByteArray {
        return QByteArray(name).leftJustified(31) + " = " + value;
    };
    const struct {
        std::vector<const char *> words;
        QString file;
        QByteArray part; // of standard output
    } cases[] = {
        {{"jobs"}, kind, "---- uses: d_basis\nident\n"},
        {{"run", "ROH"}, kind, line("ROH_TEXT", QByteArray("vor\0nach\r\n", 10))},
        {{"run", "_JOBS"}, kDemoFile, line("JOBNAME", "STATUS_MOTOR\r\n")},
        {{"run", "_versioninfo"}, kDemoFile, line("REVISION", "")},
        {{"run", "_VERSIONINFO"}, kind, line("USES0", "D_BASIS\r\n")},
        // A binary too long for the plain read is read whole, without an error line.
        {{"run", "BINAER_GROSS"}, kDemoFile, line("DATEN", "1500 Bytes\r\n    0000 : 00 07")},
    };
    for (const auto &c : cases) {
        QStringList arguments = words(c.words);
        arguments.insert(1, c.file);
        const CliRun r = runCli(arguments);
        const std::string what = arguments.join(u' ').toStdString();
        EXPECT_EQ(r.exitCode, 0) << what << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << what << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(c.part)) << what << "\n" << r.out.toStdString();
    }
}

TEST(RunCli, AScriptTheRuntimeRefusesIsReportedWithItsReason)
{
    // The container and its info block are sound, so the job list reads;
    // the script is not. The user must learn why, not that a result set of
    // the version job is missing.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("D_DEFEKT.prg"));
    prg::Description d;
    d.infoBlock = "ECU:D_DEFEKT\nJOBNAME:IDENT\n";
    d.script = "ecu { name = \"D_DEFEKT\" }\n"
               "job \"IDENT\" { results = { { name = \"S\", type = \"string\" } }, run = function() end }\n";
    const kitbox::Status written = prg::writeFile(file.toStdString(), d);
    ASSERT_TRUE(written.ok()) << written.error();

    const CliRun r = runCli({QStringLiteral("jobs"), file});
    EXPECT_EQ(r.out, "ident\n");
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("VEDAMIS Fehler 21 : description invalid: ") && r.err.contains("'string'"))
        << r.err.toStdString();
}
