#include "execution/JobParameter.h"

#include <gtest/gtest.h>

#include <QStringList>

using kitbox::dataArgumentLesen;
using kitbox::JobParameter;
using kitbox::resultFilterFromList;

TEST(DataArgumentLesen, ReadsPairsWithOrWithoutBlanks)
{
    const QByteArray expected = QByteArray::fromHex("1234AB");
    for (const char16_t *text : {u"12 34 AB", u"1234AB", u"  12 34AB  ", u"12 34ab"}) {
        const auto parsed = dataArgumentLesen(QStringView(text));
        ASSERT_TRUE(parsed.ok()) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(parsed.value(), expected) << QString::fromUtf16(text).toStdString();
    }
}

TEST(DataArgumentLesen, SingleDigitsBeforeABlankAreWholeBytes)
{
    // "1 2": the first pair "1 " is trimmed to "1".
    EXPECT_EQ(dataArgumentLesen(u"1 2").value(), QByteArray::fromHex("0102"));
    EXPECT_EQ(dataArgumentLesen(u"0102").value(), QByteArray::fromHex("0102"));
    EXPECT_EQ(dataArgumentLesen(u"123").value(), QByteArray::fromHex("1203"));
}

TEST(DataArgumentLesen, PairsThatAreNoHexNumberGiveZero)
{
    EXPECT_EQ(dataArgumentLesen(u"G1 41 +1 0x").value(), QByteArray::fromHex("00410000"));
}

TEST(DataArgumentLesen, EmptyOrBlankTextGivesNoBytes)
{
    EXPECT_TRUE(dataArgumentLesen(u"").value().isEmpty());
    EXPECT_TRUE(dataArgumentLesen(u"    ").value().isEmpty());
}

TEST(DataArgumentLesen, AcceptsTheLargestRequestAndRefusesOneByteMore)
{
    const QString largest = QString(JobParameter::maxDataBytes * 2, u'F');
    const auto ok = dataArgumentLesen(largest);
    ASSERT_TRUE(ok.ok());
    EXPECT_EQ(ok.value().size(), JobParameter::maxDataBytes);
    EXPECT_EQ(quint8(ok.value().at(1024)), 0xFF);

    const auto tooLong = dataArgumentLesen(QString(largest + u"01"));
    ASSERT_FALSE(tooLong.ok());
    EXPECT_NE(tooLong.error().find("1025"), std::string::npos);
}

TEST(JobParameter, SeparatorIsRecognisedWhateverTheCase)
{
    JobParameter request;
    request.job = QStringLiteral("---- uses:");
    EXPECT_TRUE(request.isSeparator());
    request.job = QStringLiteral("status_motor");
    EXPECT_FALSE(request.isSeparator());
}

TEST(ResultFilterFromList, JoinsSelectedEntriesUpToTheSeparator)
{
    const QStringList entries{QStringLiteral("a"), QStringLiteral("x"), QStringLiteral("b"),
                              QStringLiteral("---- uds ----"), QStringLiteral("c")};
    EXPECT_EQ(resultFilterFromList(entries, {true, false, true, true, true}), QStringLiteral("a;b"));
    EXPECT_EQ(resultFilterFromList(entries, {false, false, false, false, true}), QString());
    EXPECT_EQ(resultFilterFromList(entries, {false, true}), QStringLiteral("x"));
}
