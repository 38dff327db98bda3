#pragma once
// Runs the installed-style command-line program as a user would, with the
// runtime's defaults (no INI file, no other runtime library).
#include <QProcess>
#include <QStringList>

namespace kitbox::testing {

struct CliRun {
    int exitCode = -1; // -1: crashed or did not finish
    QByteArray out;
    QByteArray err;
};

inline CliRun runCli(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VEDAMIS_INI"), QString());
    env.remove(QStringLiteral("KITBOX_RUNTIME_LIBRARY"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KITBOX_BIN_DIR "/kitbox32-cli"), arguments);
    CliRun r;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

} // namespace kitbox::testing
