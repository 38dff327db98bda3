#include "shell/IniFile.h"
#include "Support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

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

IniFile parsed(const QByteArray &data)
{
    IniFile ini;
    ini.loadFromData(data);
    return ini;
}

} // namespace

TEST(IniFile, ReadsWithoutRegardToCaseAndWithoutQuotingAndTheFirstDuplicateWins)
{
    IniFile ini = parsed(sample);
    EXPECT_EQ(ini.value(u"konfiguration"_s, u"language"_s), u"english"_s);
    EXPECT_EQ(ini.value(u"FREMD"_s, u"X"_s), u"\"quoted\""_s);
    EXPECT_EQ(ini.value(u"KONFIGURATION"_s, u"SomethingElse"_s), u"kept as is ; really"_s);
    EXPECT_EQ(ini.value(u"KONFIGURATION"_s, u"missing"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(ini.value(u"Nowhere"_s, u"Name"_s, u"d"_s), u"d"_s);
    // A comment line is never an entry even when it holds "=", nor is a key of another section.
    EXPECT_FALSE(ini.contains(u"KONFIGURATION"_s, u"# a comment with"_s));
    EXPECT_FALSE(ini.contains(u"Programm"_s, u"TOOLBAR"_s));
    EXPECT_EQ(ini.keys(u"konfiguration"_s), QStringList({u"LANGUAGE"_s, u"SomethingElse"_s, u"TOOLBAR"_s}));

    ini = parsed("[A]\nk=1\nK=2\n[a]\nk=3\n");
    EXPECT_EQ(ini.value(u"a"_s, u"k"_s), u"1"_s);
    ini.setValue(u"A"_s, u"K"_s, u"9"_s);
    EXPECT_EQ(ini.toData(), QByteArray("[A]\nk=9\nK=2\n[a]\nk=3\n"));
}

TEST(IniFile, IntegerReadingTakesLeadingDigits)
{
    const IniFile ini = parsed("[S]\na=-1\nb=abc\nc=12abc\nd=\ne= +7 \nf=99999999999\n");
    for (const auto &[key, value] :
         {std::pair("a", -1), {"b", 0}, {"c", 12}, {"d", 0}, {"e", 7}, {"f", 2147483647}, {"missing", 5}})
        EXPECT_EQ(ini.intValue(u"S"_s, QString::fromLatin1(key), 5), value) << key;
}

TEST(IniFile, WritingKeepsEveryOtherLineByteForByte)
{
    IniFile ini = parsed(sample);
    // Writing the value a key already has changes nothing, not even the blanks around it.
    ini.setValue(u"konfiguration"_s, u"LANGUAGE"_s, u"english"_s);
    ini.setValue(u"Programm"_s, u"Name"_s, u"Kitbox"_s);
    EXPECT_EQ(ini.toData(), sample);

    ini.setValue(u"KONFIGURATION"_s, u"language"_s, u"E"_s);
    ini.setValue(u"KONFIGURATION"_s, u"NEWKEY"_s, u"v"_s);
    ini.setValue(u"Neu"_s, u"k"_s, u"w"_s);
    QByteArray expected = sample;
    expected.replace("LANGUAGE = english   ", "LANGUAGE = E").replace("TOOLBAR=0\r\n", "TOOLBAR=0\r\nNEWKEY=v\r\n");
    expected += "\r\n[Neu]\r\nk=w\r\n";
    EXPECT_EQ(ini.toData(), expected);
}

TEST(IniFile, LineEndingsFollowTheFile)
{
    IniFile lf = parsed("[A]\nx=1"); // no line break after the last line
    lf.setValue(u"A"_s, u"y"_s, u"2"_s);
    lf.setValue(u"B"_s, u"z"_s, u"line\r\nbreak"_s);
    EXPECT_EQ(lf.toData(), QByteArray("[A]\nx=1\ny=2\n\n[B]\nz=line break\n"));

    IniFile fresh;
    fresh.setValue(u"Programm"_s, u"Name"_s, u"Kitbox"_s);
    EXPECT_EQ(fresh.toData(), QByteArray("[Programm]\r\nName=Kitbox\r\n"));
}

TEST(IniFile, NotUtf8IsReadAsLatin1AndKeptSo)
{
    const QByteArray latin1 = "[S]\nstreet=Stra\xDF"
                              "e\nother=x\n";
    IniFile ini = parsed(latin1);
    EXPECT_EQ(ini.value(u"S"_s, u"street"_s), QString::fromUtf8("Straße"));
    ini.setValue(u"S"_s, u"other"_s, QString::fromUtf8("ä"));
    EXPECT_EQ(ini.toData(), QByteArray("[S]\nstreet=Stra\xDF"
                                       "e\nother=\xE4\n"));
    // A value Latin-1 cannot hold turns the file into UTF-8 rather than losing it.
    ini.setValue(u"S"_s, u"other"_s, QString::fromUtf8("€"));
    EXPECT_EQ(ini.toData(), QByteArray("[S]\nstreet=Stra\xC3\x9F"
                                       "e\nother=\xE2\x82\xAC\n"));

    // Behind a byte order mark either encoding is read, and kept as it is.
    for (const QByteArray &data :
         {QByteArray("\xEF\xBB\xBF[S]\nk=\xE4\n"), QByteArray("\xEF\xBB\xBF[S]\nk=\xC3\xA4\n")}) {
        const IniFile bom = parsed(data);
        EXPECT_EQ(bom.value(u"s"_s, u"k"_s), QString::fromUtf8("ä"));
        EXPECT_EQ(bom.toData(), data);
    }
}

// A save that fails is checked with the settings, which find the next place to save.
TEST(IniFile, LoadAndSaveOnDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"kitbox32.INI"_s);
    IniFile ini;
    ASSERT_TRUE(ini.load(path).ok());
    EXPECT_TRUE(ini.sections().isEmpty()); // a missing file is an empty one
    writeAll(path, sample);
    ASSERT_TRUE(ini.load(path).ok());
    ASSERT_TRUE(ini.save().ok());
    EXPECT_EQ(readAll(path), sample);

    const kitbox::Status directory = IniFile().load(dir.path());
    EXPECT_FALSE(directory.ok());
    EXPECT_NE(directory.error().find("directory"), std::string::npos);
}
