#pragma once
// Runs the installed-style command-line program as a user would.
#include <QProcess>
#include <QStringList>

namespace kitbox::testing {

struct CliRun {
    int exitCode = -1; // -1: crashed or did not finish
    QByteArray out;
    QByteArray err;
};

// The runtime's defaults: no INI file, no other runtime library.
inline QProcessEnvironment defaultCliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VEDAMIS_INI"), QString());
    env.remove(QStringLiteral("KITBOX_RUNTIME_LIBRARY"));
    return env;
}

inline CliRun runCli(const QStringList &arguments, const QProcessEnvironment &env = defaultCliEnvironment())
{
    QProcess process;
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
