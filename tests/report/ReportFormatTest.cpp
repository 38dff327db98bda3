#include "execution/ReportFormat.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace kitbox::report;

namespace {

QString s(const char16_t *text) { return QString::fromUtf16(text); }

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Column (counted from 1) of the first character of the byte pair j in a dump line.
int pairColumn(int j) { return j < 8 ? 12 + 3 * j : 14 + 3 * j; }

}  // namespace

TEST(TextAuffuellen, PadsShortTextsAndNeverCutsLongOnes)
{
    EXPECT_EQ(textAuffuellen(u"ab", 5), s(u"ab   "));
    EXPECT_EQ(textAuffuellen(u"abcde", 5), s(u"abcde"));
    EXPECT_EQ(textAuffuellen(u"abcdefg", 5), s(u"abcdefg"));
    EXPECT_EQ(textAuffuellen(u"", 3), s(u"   "));
}

TEST(TextAuffuellen, CountsCharactersNotCodeUnits)
{
    // Umlaut and a character outside the basic plane each count as one column.
    EXPECT_EQ(characterCount(u"\u00e4\U0001F600x"), 3);
    const QString padded = textAuffuellen(u"\u00e4\U0001F600", 4);
    EXPECT_EQ(characterCount(padded), 4);
    EXPECT_TRUE(padded.endsWith(u"  "));
}

TEST(HexZeichen, WordValueGivesRightAlignedPairsAndCharacters)
{
    // 42 as a word: "002A" -> six blanks, "00 2A", two blanks, ".*" and six blanks.
    EXPECT_EQ(hexZeichen(u"002A"), s(u"      00 2A  .*      "));
    EXPECT_EQ(hexZeichen(u"002A").size(), 21);
}

TEST(HexZeichen, MinusOneAsIntegerShowsCode255Twice)
{
    EXPECT_EQ(hexZeichen(u"FFFF"), s(u"      FF FF  \u00ff\u00ff      "));
}

TEST(HexZeichen, OddLengthGetsLeadingZeroAndFourPairsFillTheColumn)
{
    EXPECT_EQ(hexZeichen(u"A"), s(u"         0A  .       "));
    EXPECT_EQ(hexZeichen(u"41424344"), s(u"41 42 43 44  ABCD    "));
    EXPECT_EQ(hexZeichen(u"12345"), s(u"   01 23 45  .#E     "));
    // Lower-case digits are read too; a pair that is no hex number shows ".".
    EXPECT_EQ(hexZeichen(u"6a"), s(u"         6a  j       "));
    EXPECT_EQ(hexZeichen(u"ZZ41"), s(u"      ZZ 41  .A      "));
}

TEST(HexDump, EmptyGivesEmptyText)
{
    EXPECT_TRUE(hexDump(QByteArray()).isEmpty());
}

TEST(HexDump, ThreeBytes)
{
    const QString dump = hexDump(bytes({0x01, 0x02, 0x41}));
    EXPECT_EQ(dump, QString(u"    0000 : 01 02 41" + QString(41, u' ') + u"  ..A  "));
}

TEST(HexDump, EightBytesEndWithTheirCharactersAndTwoBlanks)
{
    const QString dump = hexDump(QByteArray("ABCDEFGH"));
    EXPECT_TRUE(dump.endsWith(u"  ABCDEFGH  ")) << dump.toStdString();
    EXPECT_EQ(dump.size(), 4 + 4 + 2 + 50 + 2 + 8 + 2);
    EXPECT_FALSE(dump.contains(u"\r\n"));
}

TEST(HexDump, FullLineFollowsTheColumnMap)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data.append(char(0x30 + i));
    const QString line = hexDump(data);
    ASSERT_EQ(line.size(), 80);
    EXPECT_EQ(line.mid(0, 4), s(u"    "));
    EXPECT_EQ(line.mid(4, 4), s(u"0000"));
    EXPECT_EQ(line.mid(8, 2), s(u" :"));
    for (int j = 0; j < 16; ++j) {
        const int col = pairColumn(j);
        EXPECT_EQ(line.mid(col - 1, 2), QString::number(0x30 + j, 16).toUpper()) << "byte " << j;
        EXPECT_EQ(line.at(col - 2), u' ') << "byte " << j;
    }
    // Three blanks between the 8th and 9th pair.
    EXPECT_EQ(line.mid(34, 3), s(u"   "));
    EXPECT_EQ(line.mid(60, 2), s(u"  "));
    EXPECT_EQ(line.mid(62, 8), s(u"01234567"));
    EXPECT_EQ(line.mid(70, 2), s(u"  "));
    EXPECT_EQ(line.mid(72, 8), s(u"89:;<=>?"));
}

TEST(HexDump, SeventeenBytesGiveTwoLinesWithAlignedCharacters)
{
    QByteArray data(17, 'x');
    data[0] = 0x0A;  // below 32: shown as "."
    data[16] = char(0xC4);
    const QStringList lines = hexDump(data).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 80);
    EXPECT_TRUE(lines[0].startsWith(u"    0000 : 0A 78"));
    EXPECT_EQ(lines[0].mid(62, 8), s(u".xxxxxxx"));
    EXPECT_TRUE(lines[1].startsWith(u"    0010 : C4"));
    // The single character stands in the same column as the first line's.
    EXPECT_EQ(lines[1].at(62), QChar(0xC4));
    EXPECT_EQ(lines[1], QString(u"    0010 : C4" + QString(47, u' ') + u"  \u00c4  "));
}

TEST(HexDump, OffsetsAreFourUpperCaseDigitsUpTo64KiB)
{
    const QStringList lines = hexDump(QByteArray(65536, '\0')).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4096);
    EXPECT_EQ(lines[10].mid(4, 4), s(u"00A0"));
    EXPECT_EQ(lines.last().mid(4, 4), s(u"FFF0"));
    // Beyond that the offset grows instead of wrapping to 0000.
    const QStringList longer = hexDump(QByteArray(65537, '\0')).split(QStringLiteral("\r\n"));
    EXPECT_EQ(longer.last().mid(4, 6), s(u"10000 "));
}
