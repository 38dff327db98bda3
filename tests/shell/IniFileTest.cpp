#include "shell/IniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

const QByteArray sample = "; written by hand\r\n"
                          "[Programm]\r\n"
                          "Name=Kitbox\r\n"
                          "\r\n"
                          "[KONFIGURATION]\r\n"
                          "LANGUAGE = english   \r\n"
                          "SomethingElse=kept as is ; really\r\n"
                          "# a comment with = inside\r\n"
                          "TOOLBAR=0\r\n"
                          "\r\n"
                          "[Fremd]\r\n"
                          "x=\"quoted\"\r\n"
                          "not an entry\r\n";

} // namespace

TEST(IniFile, ReadsWithoutRegardToCaseAndWithoutQuoting)
{
    IniFile ini;
    ini.loadFromData(sample);
    EXPECT_EQ(ini.value(QStringLiteral("konfiguration"), QStringLiteral("language")), QStringLiteral("english"));
    EXPECT_EQ(ini.value(QStringLiteral("FREMD"), QStringLiteral("X")), QStringLiteral("\"quoted\""));
    EXPECT_EQ(ini.value(QStringLiteral("KONFIGURATION"), QStringLiteral("SomethingElse")),
              QStringLiteral("kept as is ; really"));
    EXPECT_EQ(ini.value(QStringLiteral("KONFIGURATION"), QStringLiteral("missing"), QStringLiteral("dflt")),
              QStringLiteral("dflt"));
    EXPECT_EQ(ini.value(QStringLiteral("Nowhere"), QStringLiteral("Name"), QStringLiteral("d")), QStringLiteral("d"));
    // A comment line is never an entry even when it holds "=".
    EXPECT_FALSE(ini.contains(QStringLiteral("KONFIGURATION"), QStringLiteral("# a comment with")));
    // A key of another section is not found in this one.
    EXPECT_FALSE(ini.contains(QStringLiteral("Programm"), QStringLiteral("TOOLBAR")));
    EXPECT_EQ(ini.keys(QStringLiteral("konfiguration")),
              QStringList({QStringLiteral("LANGUAGE"), QStringLiteral("SomethingElse"), QStringLiteral("TOOLBAR")}));
}

TEST(IniFile, FirstOfDuplicateSectionsAndKeysWins)
{
    IniFile ini;
    ini.loadFromData("[A]\nk=1\nK=2\n[a]\nk=3\n");
    EXPECT_EQ(ini.value(QStringLiteral("a"), QStringLiteral("k")), QStringLiteral("1"));
    ini.setValue(QStringLiteral("A"), QStringLiteral("K"), QStringLiteral("9"));
    EXPECT_EQ(ini.toData(), QByteArray("[A]\nk=9\nK=2\n[a]\nk=3\n"));
}

TEST(IniFile, IntegerReadingTakesLeadingDigits)
{
    IniFile ini;
    ini.loadFromData("[S]\na=-1\nb=abc\nc=12abc\nd=\ne= +7 \nf=99999999999\n");
    const QString s = QStringLiteral("S");
    EXPECT_EQ(ini.intValue(s, QStringLiteral("a"), 5), -1);
    EXPECT_EQ(ini.intValue(s, QStringLiteral("b"), 5), 0);
    EXPECT_EQ(ini.intValue(s, QStringLiteral("c"), 5), 12);
    EXPECT_EQ(ini.intValue(s, QStringLiteral("d"), 5), 0);
    EXPECT_EQ(ini.intValue(s, QStringLiteral("e"), 5), 7);
    EXPECT_EQ(ini.intValue(s, QStringLiteral("f"), 5), 2147483647);
    EXPECT_EQ(ini.intValue(s, QStringLiteral("missing"), 5), 5);
}

TEST(IniFile, WritingKeepsEveryOtherLineByteForByte)
{
    IniFile ini;
    ini.loadFromData(sample);
    // Writing the value a key already has changes nothing, not even the blanks around it.
    ini.setValue(QStringLiteral("konfiguration"), QStringLiteral("LANGUAGE"), QStringLiteral("english"));
    ini.setValue(QStringLiteral("Programm"), QStringLiteral("Name"), QStringLiteral("Kitbox"));
    EXPECT_EQ(ini.toData(), sample);

    ini.setValue(QStringLiteral("KONFIGURATION"), QStringLiteral("language"), QStringLiteral("E"));
    ini.setValue(QStringLiteral("KONFIGURATION"), QStringLiteral("NEWKEY"), QStringLiteral("v"));
    ini.setValue(QStringLiteral("Neu"), QStringLiteral("k"), QStringLiteral("w"));
    const QByteArray expected = "; written by hand\r\n"
                                "[Programm]\r\n"
                                "Name=Kitbox\r\n"
                                "\r\n"
                                "[KONFIGURATION]\r\n"
                                "LANGUAGE = E\r\n"
                                "SomethingElse=kept as is ; really\r\n"
                                "# a comment with = inside\r\n"
                                "TOOLBAR=0\r\n"
                                "NEWKEY=v\r\n"
                                "\r\n"
                                "[Fremd]\r\n"
                                "x=\"quoted\"\r\n"
                                "not an entry\r\n"
                                "\r\n"
                                "[Neu]\r\n"
                                "k=w\r\n";
    EXPECT_EQ(ini.toData(), expected);
}

TEST(IniFile, LineEndingsFollowTheFile)
{
    IniFile lf;
    lf.loadFromData("[A]\nx=1"); // no line break after the last line
    lf.setValue(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("2"));
    lf.setValue(QStringLiteral("B"), QStringLiteral("z"), QStringLiteral("line\r\nbreak"));
    EXPECT_EQ(lf.toData(), QByteArray("[A]\nx=1\ny=2\n\n[B]\nz=line break\n"));

    IniFile fresh;
    fresh.setValue(QStringLiteral("Programm"), QStringLiteral("Name"), QStringLiteral("Kitbox"));
    EXPECT_EQ(fresh.toData(), QByteArray("[Programm]\r\nName=Kitbox\r\n"));
}

TEST(IniFile, NotUtf8IsReadAsLatin1AndKeptSo)
{
    const QByteArray latin1 = "[S]\nstreet=Stra\xDF"
                              "e\nother=x\n";
    IniFile ini;
    ini.loadFromData(latin1);
    EXPECT_EQ(ini.value(QStringLiteral("S"), QStringLiteral("street")), QString::fromUtf8("Straße"));
    ini.setValue(QStringLiteral("S"), QStringLiteral("other"), QString::fromUtf8("ä"));
    EXPECT_EQ(ini.toData(), QByteArray("[S]\nstreet=Stra\xDF"
                                       "e\nother=\xE4\n"));
    // A value Latin-1 cannot hold turns the file into UTF-8 rather than losing it.
    ini.setValue(QStringLiteral("S"), QStringLiteral("other"), QString::fromUtf8("€"));
    EXPECT_EQ(ini.toData(), QByteArray("[S]\nstreet=Stra\xC3\x9F"
                                       "e\nother=\xE2\x82\xAC\n"));

    IniFile latin1Bom;
    latin1Bom.loadFromData("\xEF\xBB\xBF[S]\nk=\xE4\n");
    EXPECT_EQ(latin1Bom.value(QStringLiteral("s"), QStringLiteral("k")), QString::fromUtf8("ä"));
    EXPECT_EQ(latin1Bom.toData(), QByteArray("\xEF\xBB\xBF[S]\nk=\xE4\n"));

    IniFile bom;
    bom.loadFromData("\xEF\xBB\xBF[S]\nk=\xC3\xA4\n");
    EXPECT_EQ(bom.value(QStringLiteral("s"), QStringLiteral("k")), QString::fromUtf8("ä"));
    EXPECT_EQ(bom.toData(), QByteArray("\xEF\xBB\xBF[S]\nk=\xC3\xA4\n"));
}

TEST(IniFile, LoadAndSaveOnDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kitbox32.INI"));

    IniFile missing;
    ASSERT_TRUE(missing.load(path).ok());
    EXPECT_TRUE(missing.sections().isEmpty());
    missing.setValue(QStringLiteral("Programm"), QStringLiteral("Name"), QStringLiteral("Kitbox"));
    ASSERT_TRUE(missing.save().ok());

    writeAll(path, sample);
    IniFile ini;
    ASSERT_TRUE(ini.load(path).ok());
    ASSERT_TRUE(ini.save().ok());
    EXPECT_EQ(readAll(path), sample);

    IniFile directory;
    const kitbox::Status status = directory.load(dir.path());
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.error().find("directory"), std::string::npos);
}

TEST(IniFile, FailedSaveReportsAndLeavesTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A regular file where the directory should be cannot hold the settings,
    // whoever runs the test.
    const QString blocker = dir.filePath(QStringLiteral("notadir"));
    writeAll(blocker, "x");
    IniFile ini;
    ASSERT_TRUE(ini.load(blocker + QStringLiteral("/kitbox32.INI")).ok());
    ini.setValue(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c"));
    const kitbox::Status status = ini.save();
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("notadir/kitbox32.INI"), std::string::npos) << status.error();
    EXPECT_EQ(readAll(blocker), QByteArray("x"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("notadir")});
}

TEST(IniFile, AnyBytesSurviveUnchangedAndTakeNewValues)
{
    // Random files built from the characters that matter to the format.
    const QByteArray alphabet("[]=;# \t\r\n\r\nSKsk\xFF\xC3\xA4\xEF\xBB\xBF");
    std::mt19937 random(20261205);
    for (int round = 0; round < 3000; ++round) {
        QByteArray data;
        const int length = int(random() % 60);
        for (int i = 0; i < length; ++i)
            data += alphabet.at(int(random() % alphabet.size()));
        IniFile ini;
        ini.loadFromData(data);
        ASSERT_EQ(ini.toData(), data) << data.toHex().toStdString();

        const QString value = QStringLiteral("v") + QString::number(round);
        ini.setValue(QStringLiteral("s"), QStringLiteral("k"), value);
        ini.setValue(QStringLiteral("New"), QStringLiteral("K"), QStringLiteral("w"));
        IniFile back;
        back.loadFromData(ini.toData());
        ASSERT_EQ(back.value(QStringLiteral("S"), QStringLiteral("K")), value) << data.toHex().toStdString();
        ASSERT_EQ(back.value(QStringLiteral("new"), QStringLiteral("k")), QStringLiteral("w"))
            << data.toHex().toStdString();
    }
}
