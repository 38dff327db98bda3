#include "execution/JobParameter.h"

#include <gtest/gtest.h>

using namespace kitbox;

TEST(DataArgumentLesen, ReadsTrimmedPairsUpToTheLargestRequest)
{
    const std::pair<const char16_t *, const char *> cases[] = {
        {u"12 34 AB", "1234AB"},
        {u"1234AB", "1234AB"},
        {u"  12 34ab  ", "1234AB"},
        {u"1 2", "0102"}, // "1 " is trimmed to "1"
        {u"123", "1203"},
        {u"G1 41 +1 0x", "00410000"}, // no hex number gives 0
        {u"   ", ""},
    };
    for (const auto &[text, hex] : cases)
        EXPECT_EQ(dataArgumentLesen(text).value(), QByteArray::fromHex(hex)) << hex;

    const QString largest(JobParameter::maxDataBytes * 2, u'F');
    EXPECT_EQ(dataArgumentLesen(largest).value().size(), JobParameter::maxDataBytes);
    const auto tooLong = dataArgumentLesen(QString(largest + u"01"));
    ASSERT_FALSE(tooLong.ok());
    EXPECT_NE(tooLong.error().find("1025"), std::string::npos);
}

TEST(JobParameterHolen, SeparatorDataFlagAndResultFilter)
{
    const QString sgbd = QStringLiteral("D_MOTOR");
    JobSelection s;
    s.entry = QStringLiteral("---- uses: d_basis");
    s.argumentText = QStringLiteral("x");
    const JobParameter separator = jobParameterHolen(s, sgbd).value();
    EXPECT_TRUE(separator.isSeparator() && separator.sgbd.isEmpty() && separator.argumente.isEmpty());
    EXPECT_EQ(separator.job, QStringLiteral("---- USES:"));
    EXPECT_EQ(separator.jobIndex, -1);
    EXPECT_TRUE(jobParameterHolen(JobSelection{}, sgbd).value().sgbd.isEmpty());

    // Without the data flag the argument text goes as it is; with it, as bytes.
    s.entry = QStringLiteral("daten_schreiben");
    s.index = 3;
    s.argumentText = QStringLiteral(" 0102 ");
    const JobParameter text = jobParameterHolen(s, sgbd).value();
    EXPECT_TRUE(!text.dataFlag && text.dataLaenge() == 0 && text.jobIndex == 3);
    EXPECT_EQ(text.argumente, QStringLiteral(" 0102 "));
    s.dataFlag = true;
    const JobParameter data = jobParameterHolen(s, sgbd).value();
    EXPECT_EQ(data.argumente, QStringLiteral("0102"));
    EXPECT_EQ(data.dataBytes, QByteArray::fromHex("0102"));
    s.argumentText = QString(2 * 1026, u'A');
    EXPECT_FALSE(jobParameterHolen(s, sgbd).ok());

    // The result filter comes from the list when it has entries, up to the first dashed one.
    s = JobSelection{};
    s.entry = QStringLiteral("status");
    s.resultText = QStringLiteral("typed;filter");
    EXPECT_EQ(jobParameterHolen(s, QString()).value().results, QStringLiteral("typed;filter"));
    s.resultEntries = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("---- uds ----"), QStringLiteral("c")};
    s.selectedResults = s.resultEntries;
    EXPECT_EQ(jobParameterHolen(s, QString()).value().results, QStringLiteral("a;b"));
    s.selectedResults.clear();
    EXPECT_EQ(jobParameterHolen(s, QString()).value().results, QString());
}
