// Names built from upper-cased description names are found without regard to
// case; the directory listings kept between lookups must never hide a file
// that is there now, nor give one that has gone.
#include "catalogue/FileLookup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using kitbox::findFileIgnoringCase;

namespace {

struct Step {
    const char *create; // file made before the lookup, or null
    const char *remove; // file removed before the lookup, or null
    const char *wanted;
    const char *found; // the name the lookup must give
};

TEST(FileLookup, KeptListingsFollowTheDirectory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Step steps[] = {
        {"d_motor.prg", nullptr, "D_MOTOR.PRG", "d_motor.prg"}, // lists the directory
        {"D_ALT.prg", nullptr, "D_ALT.PRG", "D_ALT.prg"},       // made after the listing was kept
        {nullptr, "d_motor.prg", "D_MOTOR.PRG", "D_MOTOR.PRG"}, // gone: the name as built
        {"D_Motor.Prg", nullptr, "D_MOTOR.PRG", "D_Motor.Prg"}, // back in another spelling
        {nullptr, nullptr, "D_Motor.Prg", "D_Motor.Prg"},       // the exact spelling
        {nullptr, nullptr, "NIRGENDS.PRG", "NIRGENDS.PRG"},
    };
    for (const Step &step : steps) {
        ASSERT_TRUE(!step.create || QFile(dir.filePath(QString::fromLatin1(step.create))).open(QIODevice::WriteOnly));
        ASSERT_TRUE(!step.remove || QFile::remove(dir.filePath(QString::fromLatin1(step.remove))));
        EXPECT_EQ(findFileIgnoringCase(dir.path(), QString::fromLatin1(step.wanted)),
                  dir.filePath(QString::fromLatin1(step.found)))
            << step.wanted;
    }
}

// More directories than listings are kept, looked up in turn: each answer
// comes from its own directory.
TEST(FileLookup, ManyDirectoriesInTurn)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(QDir(root.path()).mkpath(QString::number(i)));
        ASSERT_TRUE(QFile(root.filePath(QStringLiteral("%1/d_%1.prg").arg(i))).open(QIODevice::WriteOnly));
    }
    for (int n = 0; n < 14; ++n) { // two rounds
        const QString dir = root.filePath(QString::number(n % 7)), other = QStringLiteral("D_%1.PRG").arg((n + 1) % 7);
        EXPECT_EQ(findFileIgnoringCase(dir, QStringLiteral("D_%1.PRG").arg(n % 7)),
                  dir + QStringLiteral("/d_%1.prg").arg(n % 7));
        EXPECT_EQ(findFileIgnoringCase(dir, other), dir + u'/' + other);
    }
}

} // namespace
