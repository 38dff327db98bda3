#include "execution/JobParameter.h"

#include <gtest/gtest.h>

#include <QStringList>

using kitbox::dataArgumentLesen;
using kitbox::JobParameter;
using kitbox::jobParameterHolen;
using kitbox::JobSelection;

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

namespace {

JobSelection selectionOf(const QString &entry, const QString &arguments)
{
    JobSelection s;
    s.entry = entry;
    s.index = 3;
    s.argumentText = arguments;
    return s;
}

}  // namespace

TEST(JobParameterHolen, SeparatorGivesOnlyTheSeparatorJob)
{
    JobSelection s = selectionOf(QStringLiteral("---- uses: d_basis"), QStringLiteral("x"));
    s.resultText = QStringLiteral("R");
    const JobParameter p = jobParameterHolen(s, QStringLiteral("D_MOTOR")).value();
    EXPECT_EQ(p.job, QStringLiteral("---- USES:"));
    EXPECT_TRUE(p.isSeparator());
    EXPECT_TRUE(p.sgbd.isEmpty());
    EXPECT_TRUE(p.argumente.isEmpty());
    EXPECT_TRUE(p.results.isEmpty());
    EXPECT_EQ(p.jobIndex, -1);
}

TEST(JobParameterHolen, EmptySelectionLeavesTheRequestEmpty)
{
    const JobParameter p = jobParameterHolen(JobSelection{}, QStringLiteral("D_MOTOR")).value();
    EXPECT_TRUE(p.job.isEmpty());
    EXPECT_TRUE(p.sgbd.isEmpty());
    EXPECT_EQ(p.jobIndex, -1);
}

TEST(JobParameterHolen, DataFlagDecidesBetweenBytesAndArgumentText)
{
    JobSelection s = selectionOf(QStringLiteral("daten_schreiben"), QStringLiteral(" 0102 "));
    const JobParameter text = jobParameterHolen(s, QStringLiteral("D_MOTOR")).value();
    EXPECT_FALSE(text.dataFlag);
    EXPECT_EQ(text.argumente, QStringLiteral(" 0102 "));
    EXPECT_EQ(text.dataLaenge(), 0);
    EXPECT_EQ(text.sgbd, QStringLiteral("D_MOTOR"));
    EXPECT_EQ(text.job, QStringLiteral("daten_schreiben"));
    EXPECT_EQ(text.jobIndex, 3);

    s.dataFlag = true;
    const JobParameter data = jobParameterHolen(s, QStringLiteral("D_MOTOR")).value();
    EXPECT_TRUE(data.dataFlag);
    EXPECT_EQ(data.argumente, QStringLiteral("0102"));
    EXPECT_EQ(data.dataBytes, QByteArray::fromHex("0102"));
    EXPECT_EQ(data.dataLaenge(), 2);

    s.argumentText = QString(2 * 1026, u'A');
    EXPECT_FALSE(jobParameterHolen(s, QStringLiteral("D_MOTOR")).ok());
}

TEST(JobParameterHolen, ResultFilterComesFromTheListWhenItHasEntries)
{
    JobSelection s = selectionOf(QStringLiteral("status"), QString());
    s.resultText = QStringLiteral("typed;filter");
    EXPECT_EQ(jobParameterHolen(s, QString()).value().results, QStringLiteral("typed;filter"));

    s.resultEntries = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("---- uds ----"), QStringLiteral("c")};
    s.selectedResults = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("---- uds ----"),
                         QStringLiteral("c")};
    EXPECT_EQ(jobParameterHolen(s, QString()).value().results, QStringLiteral("a;b"));
    s.selectedResults.clear();
    EXPECT_EQ(jobParameterHolen(s, QString()).value().results, QString());
}
