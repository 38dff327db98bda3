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
        if (step.create) {
            QFile file(dir.filePath(QString::fromLatin1(step.create)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        if (step.remove) {
            ASSERT_TRUE(QFile::remove(dir.filePath(QString::fromLatin1(step.remove))));
        }
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
    QStringList dirs;
    for (int i = 0; i < 7; ++i) {
        dirs << root.filePath(QStringLiteral("ecu%1").arg(i));
        ASSERT_TRUE(QDir().mkpath(dirs.last()));
        QFile file(dirs.last() + QStringLiteral("/d_%1.prg").arg(i));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(findFileIgnoringCase(dirs.at(i), QStringLiteral("D_%1.PRG").arg(i)),
                      dirs.at(i) + QStringLiteral("/d_%1.prg").arg(i));
            EXPECT_EQ(findFileIgnoringCase(dirs.at(i), QStringLiteral("D_%1.PRG").arg((i + 1) % 7)),
                      dirs.at(i) + QStringLiteral("/D_%1.PRG").arg((i + 1) % 7));
        }
}

} // namespace
