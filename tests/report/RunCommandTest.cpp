// The headless run command: its command line, and its output against the
// text the run control puts into the results window for the same job.
#include "cli/RunCommand.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <vector>

#include "FakeRunHost.h"
#include "execution/JobRunner.h"
#include "execution/RunFlags.h"
#include "runtime/InProcessVedamisApi.h"
#include "shell/FakeClock.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

using namespace kitbox;

namespace {

QStringList words(const std::vector<const char *> &list)
{
    QStringList out;
    for (const char *w : list)
        out << QString::fromUtf8(w);
    return out;
}

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VEDAMIS_INI"), QString());
    env.remove(QStringLiteral("KITBOX_RUNTIME_LIBRARY"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KITBOX_BIN_DIR "/kitbox32-cli"), QStringList{QStringLiteral("run")} + arguments);
    CliRun r;
    if (!process.waitForFinished(60000)) {
        process.kill();
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

const QString kDemoFile = QStringLiteral(KITBOX_DATA_DIR "/ecu/D_MOTOR.prg");

}  // namespace

TEST(RunArguments, PositionalsAndOptions)
{
    const auto r = parseRunArguments(words({"d_motor.prg", "status", "a;b", "X;Y", "--data", "--sort-by", "b; a",
                                            "--uds-filter", "einh,TEXT", "--language", "EN", "--repeat", "3",
                                            "--pause", "250"}));
    ASSERT_TRUE(r.ok()) << r.error();
    const RunRequest &q = r.value();
    EXPECT_EQ(q.file, QStringLiteral("d_motor.prg"));
    EXPECT_EQ(q.job, QStringLiteral("status"));
    EXPECT_EQ(q.arguments, QStringLiteral("a;b"));
    EXPECT_EQ(q.results, QStringLiteral("X;Y"));
    EXPECT_TRUE(q.data);
    EXPECT_EQ(q.sortBy, (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    ASSERT_TRUE(q.udsHidden.has_value());
    EXPECT_EQ(*q.udsHidden, (QStringList{QStringLiteral("EINH"), QStringLiteral("TEXT")}));
    EXPECT_EQ(q.language, QStringLiteral("en"));
    EXPECT_EQ(q.repeat, 3);
    EXPECT_EQ(q.pauseMs, 250);

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

TEST(RunCli, PrintsTheResultsWindowTextWithCrLf)
{
    // What F5 puts into the results window for the same job, through the
    // run control, with the demo description loaded.
    TextCatalogue texts;
    ASSERT_TRUE(texts.loadBuiltIn().ok());
    InProcessVedamisApi api;
    ASSERT_TRUE(api.apiInit());
    ASSERT_TRUE(api.apiSetConfig(QStringLiteral("EcuPath"), QStringLiteral(KITBOX_DATA_DIR "/ecu")));
    ASSERT_TRUE(api.apiSetConfig(QStringLiteral("SimulationPath"), QStringLiteral(KITBOX_DATA_DIR "/sim")));
    FakeClock clock;
    RunFlags flags;
    kitbox::testing::FakeRunHost host;
    host.description = QStringLiteral("D_MOTOR");
    host.uds = true;
    host.selection.entry = QStringLiteral("mehrere_saetze");
    host.selection.index = 0;
    ScriptedDialogService dialogs;
    ShellOptions options;
    JobRunner runner(api, clock, flags, host, dialogs, texts, options);
    runner.starteJob();
    const QString window = host.output.text();
    api.apiEnd();
    ASSERT_TRUE(window.contains(u"Satz : 5"));

    const CliRun cli = runCli({kDemoFile, QStringLiteral("MEHRERE_SAETZE")});
    EXPECT_EQ(cli.exitCode, 0) << cli.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(cli.out), window);
    EXPECT_TRUE(cli.out.contains("\r\nSatz : 1\r\n"));
    EXPECT_FALSE(QByteArray(cli.out).replace("\r\n", "").contains('\n'));
}

TEST(RunCli, ExitCodeTwoOnlyForARuntimeErrorLine)
{
    const CliRun failing = runCli({kDemoFile, QStringLiteral("fehler_job"), QStringLiteral("--language"),
                                   QStringLiteral("en")});
    EXPECT_EQ(failing.exitCode, 2);
    EXPECT_TRUE(failing.out.contains("\r\nVEDAMIS Error ")) << failing.out.toStdString();

    const CliRun unknown = runCli({kDemoFile, QStringLiteral("kein_job")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.out.isEmpty());

    const CliRun badLine = runCli({kDemoFile});
    EXPECT_EQ(badLine.exitCode, 1);
    EXPECT_TRUE(badLine.err.contains("usage"));
}

TEST(RunCli, DataBytesFilterAndRepeat)
{
    const CliRun data = runCli({kDemoFile, QStringLiteral("daten_schreiben"), QStringLiteral("0102"),
                                QStringLiteral("--data")});
    EXPECT_EQ(data.exitCode, 0) << data.err.toStdString();
    EXPECT_TRUE(data.out.startsWith("apiJobData(\"D_MOTOR\",\"daten_schreiben\",{DATA}, 2,\"\")\r\n  {DATA}: 2 Bytes\r\n"));

    const CliRun text = runCli({kDemoFile, QStringLiteral("daten_schreiben"), QStringLiteral("0102")});
    EXPECT_TRUE(text.out.startsWith("apiJob(\"D_MOTOR\",\"daten_schreiben\",\"0102\",\"\")\r\n"));

    const CliRun filtered = runCli({kDemoFile, QStringLiteral("status_motor"), QStringLiteral("--uds-filter"),
                                    QStringLiteral("TEXT")});
    EXPECT_FALSE(filtered.out.contains("_TEXT "));
    EXPECT_TRUE(filtered.out.endsWith(">>> Results sind gefiltert (siehe Men\xc3\xbc Konfiguration >Kitbox >UDS Ausgabe) <<<\r\n"))
        << filtered.out.toStdString();

    const CliRun twice = runCli({kDemoFile, QStringLiteral("status_motor"), QStringLiteral("--repeat"),
                                 QStringLiteral("2")});
    EXPECT_EQ(twice.out.count("apiJob("), 2);
}
