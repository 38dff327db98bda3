// The built program as a user starts it: version and help, and a second start
// that hands over to the running instance.
#include "shell/InstanceRegistry.h"
#include "shell/StartSequence.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString program = QStringLiteral(KITBOX_BIN_DIR "/kitbox32");

QProcessEnvironment isolatedEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("VEDAMIS_CONFIG_DIR"));
    env.remove(QStringLiteral("windir"));
    env.remove(QStringLiteral("KITBOX_EXIT_WHEN_SHOWN"));
    return env;
}

} // namespace

TEST(KitBoxProgram, VersionAndHelpNeedNoDisplay)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("nonexistent-platform"));
    p.setProcessEnvironment(env);
    p.start(program, {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), QStringLiteral("kitbox32 " KITBOX_VERSION));

    p.start(program, {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(help.contains(QStringLiteral("--version")));
    EXPECT_TRUE(help.contains(QStringLiteral("-INTERFACE")));
}

TEST(KitBoxProgram, SecondStartActivatesTheFirstAndEndsWithoutWritingSettings)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir().mkpath(home.path() + QStringLiteral("/tmp"));
    const QString ini = home.path() + QStringLiteral("/.config/kitbox32/kitbox32.INI");

    QProcess first;
    first.setProcessEnvironment(isolatedEnvironment(home.path()));
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(10000));

    // The first instance answers under the program title once it runs.
    InstanceRegistry probe(kitbox::programTitle(), nullptr, home.path() + QStringLiteral("/tmp"));
    QDeadlineTimer deadline(20000);
    while (!probe.isTaken(0) && !deadline.hasExpired() && first.state() == QProcess::Running)
        QThread::msleep(100);
    ASSERT_TRUE(probe.isTaken(0)) << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(isolatedEnvironment(home.path()));
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(ini));
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(5000);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
