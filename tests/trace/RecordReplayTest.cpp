// A session recorded as a user records it: demo jobs run with the interface
// trace on, record-sim turns the trace into a simulation file, and the same
// jobs run again against that file alone must give the same reports.
#include "CliProcess.h"
#include "Support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kitbox::testing;
using namespace kitbox::test;
using namespace Qt::StringLiterals;

namespace {

struct Sandbox {
    Sandbox()
    {
        EXPECT_TRUE(dir.isValid());
        for (const char *sub : {"trace", "sim", "config", "cache"})
            QDir().mkpath(dir.filePath(QString::fromLatin1(sub)));
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    // A runtime INI with these lines, and an environment that reads it.
    QProcessEnvironment environment(const QByteArray &ini) const
    {
        writeFile(path(u"vedamis.ini"_s), ini);
        QProcessEnvironment env = defaultCliEnvironment();
        env.insert(u"VEDAMIS_INI"_s, path(u"vedamis.ini"_s));
        env.insert(u"VEDAMIS_CONFIG_DIR"_s, path(u"config"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
        env.insert(u"XDG_CACHE_HOME"_s, path(u"cache"_s));
        return env;
    }
    QTemporaryDir dir;
};

// The report without its date lines, the one thing a replay may change.
QByteArray withoutDates(const QByteArray &report)
{
    QByteArray kept;
    for (const QByteArray &line : report.split('\n'))
        if (!line.startsWith("Datum:"))
            kept += line + '\n';
    return kept;
}

TEST(RecordReplay, ARecordedSessionReplaysWithTheSameReports)
{
    // Cycling answers, composed UDS arguments, a negative response, the
    // fault memory with its detail jobs and a job inherited from D_BASIS.
    const QList<QStringList> jobs = {
        {u"ident"_s},
        {u"status_motor"_s, u""_s, u""_s, u"--repeat"_s, u"3"_s},
        {u"STATUS_LESEN"_s, u"LABEL;Motordrehzahl;Motorstatus;Saugrohrdruck"_s, u""_s, u"--repeat"_s, u"2"_s},
        {u"STEUERN_IO"_s, u"ARG;LUEFTER;STA;STUFE2"_s},
        {u"STEUERN"_s, u"ARG;LEERLAUF_SOLLDREHZAHL;1;1500"_s},
        {u"STEUERN_ROUTINE"_s, u"ARG;LAMBDASONDE_TEST;STR;10;VOR_KAT"_s},
        {u"fs_lesen"_s, u""_s, u""_s, u"--fault-mode"_s, u"3967"_s},
        {u"fehler_job"_s},
        {u"seriennummer_lesen"_s},
    };
    Sandbox box;
    const QString trace = box.path(u"trace"_s);
    const QProcessEnvironment recording = box.environment("IfhTrace = 2\nTracePath = " + trace.toUtf8() + "\n");
    QList<CliRun> recorded;
    for (const QStringList &job : jobs) {
        recorded << runCli(QStringList{u"run"_s, u"D_MOTOR"_s} + job, recording);
        ASSERT_NE(recorded.last().exitCode, -1) << job.join(u' ').toStdString();
        ASSERT_NE(recorded.last().exitCode, 1) << recorded.last().err.toStdString();
    }

    const QString sim = box.path(u"sim/D_MOTOR.SIM"_s);
    const CliRun record = runCli({u"record-sim"_s, trace + u"/IFH.TRC"_s, u"-o"_s, sim}, recording);
    ASSERT_EQ(record.exitCode, 0) << record.err.toStdString();
    ASSERT_FALSE(readAll(sim).isEmpty());

    const QProcessEnvironment replay = box.environment("SimulationPath = " + box.path(u"sim"_s).toUtf8() + "\n");
    for (qsizetype i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(jobs.at(i).join(u' ').toStdString());
        const CliRun again = runCli(QStringList{u"run"_s, u"D_MOTOR"_s} + jobs.at(i), replay);
        EXPECT_EQ(again.exitCode, recorded.at(i).exitCode);
        EXPECT_EQ(withoutDates(again.out), withoutDates(recorded.at(i).out));
        EXPECT_FALSE(again.out.contains("VEDAMIS Fehler 50")) << again.out.toStdString();
    }
    // The replay answered from the recording alone: a request nobody recorded
    // finds no answer there, while the demo simulation has one.
    const CliRun unrecorded = runCli({u"run"_s, u"D_MOTOR"_s, u"is_lesen"_s}, replay);
    EXPECT_TRUE(unrecorded.out.contains("VEDAMIS Fehler 50")) << unrecorded.out.toStdString();
    EXPECT_FALSE(runCli({u"run"_s, u"D_MOTOR"_s, u"is_lesen"_s}).out.contains("VEDAMIS Fehler"));
}

TEST(RecordReplay, RecordSimExitCodesAndBrokenTraces)
{
    Sandbox box;
    const QProcessEnvironment env = box.environment("");
    const QString good = box.path(u"good.trc"_s);
    const QString broken = box.path(u"broken.trc"_s);
    const QString out = box.path(u"sim/D_MOTOR.SIM"_s);
    writeFile(good, "; IFH.TRC trace level 2 from 2026-12-05 19:52:55\n"
                    "19:52:55.001 JOB D_MOTOR IDENT ARG \"\"\n"
                    "19:52:55.002 REQ 22 F1 87\n19:52:55.003 RSP 62 F1 87 30\n"
                    "19:52:55.004 END D_MOTOR IDENT sets 1 error 0\n");
    writeFile(broken, "; IFH.TRC trace level 1 from 2026-12-05 19:52:55\n19:52:55.002 REQ 22 F1 87\n"
                      "19:52:55.003 RSP 62 F1 8");
    const struct {
        const char *name;
        QStringList words;
        int exitCode;
        const char *says; // on stderr, or on stdout for exit code 0
        QByteArray file;  // the output afterwards
    } cases[] = {
        {"help", {u"--help"_s}, 0, "exit codes", {}},
        {"no output named", {good}, 2, "-o FILE", {}},
        {"unknown option", {good, u"-o"_s, out, u"--quick"_s}, 2, "--quick", {}},
        {"missing trace", {box.path(u"none.trc"_s), u"-o"_s, out}, 1, "none.trc", {}},
        {"written", {good, u"-o"_s, out}, 0, "1 Telegramme, 1 Anfragen", "22 F1 87 = 62 F1 87 30"},
        {"broken trace: line named, file kept", {broken, u"-o"_s, out}, 1, "line 3:", "22 F1 87 = 62 F1 87 30"},
        {"no overwrite without --force",
         {good, u"-o"_s, out, u"--description"_s, u"D_ALT"_s},
         1,
         "D_ALT",
         "22 F1 87 = 62 F1 87 30"},
        {"refuses to overwrite", {good, u"-o"_s, out}, 3, "--force", "22 F1 87 = 62 F1 87 30"},
        {"--force replaces", {good, u"-o"_s, out, u"--force"_s}, 0, "", "22 F1 87 = 62 F1 87 30"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun r = runCli(QStringList{u"record-sim"_s} + c.words, env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE((c.exitCode == 0 ? r.out : r.err).contains(c.says)) << r.out.toStdString() << r.err.toStdString();
        const QByteArray file = readAll(out);
        if (c.file.isEmpty())
            EXPECT_FALSE(QFile::exists(out));
        else
            EXPECT_TRUE(file.contains(c.file)) << file.toStdString();
    }
}

} // namespace
