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

using namespace Qt::StringLiterals;

namespace {

const QString program = QStringLiteral(KITBOX_BIN_DIR "/kitbox32");

QProcessEnvironment isolatedEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
    env.insert(u"TMPDIR"_s, home + u"/tmp"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.remove(u"VEDAMIS_CONFIG_DIR"_s);
    env.remove(u"windir"_s);
    env.remove(u"KITBOX_EXIT_WHEN_SHOWN"_s);
    return env;
}

} // namespace

TEST(KitBoxProgram, VersionAndHelpNeedNoDisplay)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"nonexistent-platform"_s);
    p.setProcessEnvironment(env);
    const auto output = [&p](const QString &option) {
        p.start(program, {option});
        EXPECT_TRUE(p.waitForFinished(10000) && p.exitCode() == 0) << option.toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    EXPECT_EQ(output(u"--version"_s).trimmed(), QStringLiteral("kitbox32 " KITBOX_VERSION));
    const QString help = output(u"--help"_s);
    EXPECT_TRUE(help.contains(u"--version"_s) && help.contains(u"-INTERFACE"_s)) << help.toStdString();
}

TEST(KitBoxProgram, SecondStartActivatesTheFirstAndEndsWithoutWritingSettings)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir().mkpath(home.path() + u"/tmp"_s);
    const QString ini = home.path() + u"/.config/kitbox32/kitbox32.INI"_s;

    QProcess first;
    first.setProcessEnvironment(isolatedEnvironment(home.path()));
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(10000));

    // The first instance answers under the program title once it runs.
    InstanceRegistry probe(kitbox::programTitle(), nullptr, home.path() + u"/tmp"_s);
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
