#include "execution/ReportFormat.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace kitbox::report;

namespace {

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}
QStringList dumpLines(const QByteArray &data)
{
    return hexDump(data).split(QStringLiteral("\r\n"));
}

} // namespace

TEST(TextAuffuellen, PadsShortTextsNeverCutsAndCountsCharacters)
{
    EXPECT_EQ(textAuffuellen(u"ab", 5), s(u"ab   "));
    EXPECT_EQ(textAuffuellen(u"abcdefg", 5), s(u"abcdefg"));
    // An umlaut and a character outside the basic plane are one column each.
    EXPECT_EQ(characterCount(textAuffuellen(u"\u00e4\U0001F600", 4)), 4);
}

TEST(HexZeichen, PairsRightAlignedThenCharacters)
{
    // Words and integers ("002A", "FFFF") are checked in the report's integer lines.
    EXPECT_EQ(hexZeichen(u"41424344"), s(u"41 42 43 44  ABCD    "));
    EXPECT_EQ(hexZeichen(u"12345"), s(u"   01 23 45  .#E     ")); // odd length: a "0" in front
    EXPECT_EQ(hexZeichen(u"ZZ41"), s(u"      ZZ 41  .A      "));  // no hex number: "."
}

TEST(HexDump, FullLineFollowsTheColumnMap)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data.append(char(0x30 + i));
    const QString line = hexDump(data);
    ASSERT_EQ(line.size(), 80);
    EXPECT_EQ(line.left(10), s(u"    0000 :"));
    for (int j = 0; j < 16; ++j) {
        const int column = j < 8 ? 12 + 3 * j : 14 + 3 * j; // counted from 1
        EXPECT_EQ(line.mid(column - 1, 2), QString::number(0x30 + j, 16).toUpper()) << j;
    }
    EXPECT_EQ(line.mid(34, 3), s(u"   "));
    EXPECT_EQ(line.mid(60), s(u"  01234567  89:;<=>?"));
}

TEST(HexDump, ShortLinesKeepTheCharacterColumn)
{
    EXPECT_TRUE(hexDump(QByteArray()).isEmpty());
    EXPECT_EQ(hexDump(QByteArray("ABCDEFGH")),
              QString(u"    0000 : 41 42 43 44 45 46 47 48" + QString(26, u' ') + u"  ABCDEFGH  "));
    QByteArray seventeen(17, 'x');
    seventeen[0] = 0x0A;
    seventeen[16] = char(0xC4);
    const QStringList lines = dumpLines(seventeen);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].mid(62, 8), s(u".xxxxxxx"));
    EXPECT_EQ(lines[1], QString(u"    0010 : C4" + QString(47, u' ') + u"  \u00c4  "));
}

TEST(HexDump, OffsetsUpTo64KiBHaveFourDigitsAndGrowBeyond)
{
    const QStringList lines = dumpLines(QByteArray(65537, '\0'));
    EXPECT_EQ(lines[10].mid(4, 4), s(u"00A0"));
    EXPECT_EQ(lines[4095].mid(4, 4), s(u"FFF0"));
    EXPECT_EQ(lines.last().mid(4, 6), s(u"10000 "));
}
