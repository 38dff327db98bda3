#include "execution/ReportFormat.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace kitbox::report;

namespace {

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

} // namespace

TEST(ReportFormat, PaddingAndHexCharacterColumns)
{
    EXPECT_EQ(textAuffuellen(u"ab", 5), s(u"ab   "));
    EXPECT_EQ(textAuffuellen(u"abcdefg", 5), s(u"abcdefg"));
    // An umlaut and a character outside the basic plane are one column each.
    EXPECT_EQ(characterCount(textAuffuellen(u"\u00e4\U0001F600", 4)), 4);
    // Pairs right-aligned, then the characters; words and integers are checked in the report's lines.
    EXPECT_EQ(hexZeichen(u"41424344"), s(u"41 42 43 44  ABCD    "));
    EXPECT_EQ(hexZeichen(u"12345"), s(u"   01 23 45  .#E     ")); // odd length: a "0" in front
    EXPECT_EQ(hexZeichen(u"ZZ41"), s(u"      ZZ 41  .A      "));  // no hex number: "."
}

TEST(ReportFormat, HexDumpFollowsTheColumnMap)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data.append(char(0x30 + i));
    const QString line = hexDump(data);
    ASSERT_EQ(line.size(), 80);
    EXPECT_EQ(line, s(u"    0000 : 30 31 32 33 34 35 36 37   38 39 3A 3B 3C 3D 3E 3F  01234567  89:;<=>?"));

    // Short lines keep the character column.
    EXPECT_TRUE(hexDump(QByteArray()).isEmpty());
    EXPECT_EQ(hexDump(QByteArray("ABCDEFGH")),
              QString(u"    0000 : 41 42 43 44 45 46 47 48" + QString(26, u' ') + u"  ABCDEFGH  "));
    QByteArray seventeen(17, 'x');
    seventeen[0] = 0x0A;
    seventeen[16] = char(0xC4);
    const QStringList lines = hexDump(seventeen).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].mid(62, 8), s(u".xxxxxxx"));
    EXPECT_EQ(lines[1], QString(u"    0010 : C4" + QString(47, u' ') + u"  \u00c4  "));

    // Offsets up to 64 KiB have four digits and grow beyond.
    const QStringList big = hexDump(QByteArray(65537, '\0')).split(QStringLiteral("\r\n"));
    EXPECT_EQ(big[10].mid(4, 4), s(u"00A0"));
    EXPECT_EQ(big[4095].mid(4, 4), s(u"FFF0"));
    EXPECT_EQ(big.last().mid(4, 6), s(u"10000 "));
}
