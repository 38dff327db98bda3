// The scripted runtime that other tests rely on answers like the real one.
#include "runtime/FakeVedamisApi.h"

#include <gtest/gtest.h>

using namespace kitbox;
using namespace Qt::StringLiterals;

TEST(FakeRuntime, AnswersScriptedSetsByNameWithoutRegardToCaseAndKeepsTheRuntimesErrors)
{
    FakeVedamisApi api;
    api.apiJob(u"D"_s, u"J"_s, QString(), QString());
    EXPECT_EQ(api.apiErrorCode(), FakeVedamisApi::errorNoSession);
    ASSERT_TRUE(api.apiInit());
    FakeResult temp{u"STAT_TEMP"_s, ResultType::Integer, u"90"_s, {{u"-5I"_s, u"90   "_s}}, 90, {}};
    FakeResult big{u"DATA"_s, ResultType::Binary, {}, {}, 0, QByteArray(1500, '\x5A')};
    api.setJobResults(u"d_motor"_s, u"status"_s, {{}, {temp, big}});
    api.apiJob(u"D_MOTOR"_s, u"STATUS"_s, QString(), QString());
    EXPECT_EQ(api.apiErrorCode(), 0);
    qint16 sets = -1, count = 0, type = 0;
    ASSERT_TRUE(api.apiResultSets(sets) && api.apiResultNumber(count, 1));
    EXPECT_EQ(sets, 1);
    EXPECT_EQ(count, 2);
    QString name, text;
    ASSERT_TRUE(api.apiResultName(name, 1, 1));
    EXPECT_EQ(name, u"STAT_TEMP"_s);
    EXPECT_FALSE(api.apiResultName(name, 3, 1));
    ASSERT_TRUE(api.apiResultText(text, u"stat_temp"_s, 1, u"-5I"_s));
    EXPECT_EQ(text, u"90   "_s);
    ASSERT_TRUE(api.apiResultText(text, u"STAT_TEMP"_s, 1, QString()));
    EXPECT_EQ(text, u"90"_s);
    ASSERT_TRUE(api.apiResultFormat(type, u"STAT_TEMP"_s, 1));
    EXPECT_EQ(type, static_cast<qint16>(ResultType::Integer));
    // A long binary needs the extended read.
    QByteArray data;
    EXPECT_FALSE(api.apiResultBinary(data, u"DATA"_s, 1));
    EXPECT_EQ(api.apiErrorCode(), VedamisApi::errorBinaryTooLong);
    ASSERT_TRUE(api.apiResultBinaryExt(data, u"DATA"_s, 1));
    EXPECT_EQ(data.size(), 1500);

    api.setJobError(u"D"_s, u"BAD"_s, 1234, u"job failed"_s);
    api.apiJob(u"D"_s, u"BAD"_s, QString(), QString());
    EXPECT_EQ(api.apiErrorCode(), 1234);
    EXPECT_EQ(api.apiErrorText(), u"job failed"_s);
    api.apiJob(u"D"_s, u"GOOD"_s, QString(), QString()); // success clears the error
    EXPECT_EQ(api.apiErrorCode(), 0);
    api.refuseSetConfig(u"EcuPath"_s, 11, u"bad value"_s);
    EXPECT_FALSE(api.apiSetConfig(u"EcuPath"_s, u"/x"_s));
    EXPECT_EQ(api.apiErrorCode(), 11);
    EXPECT_TRUE(api.apiSetConfig(u"IfhTrace"_s, u"2"_s));
    ASSERT_TRUE(api.apiGetConfig(u"IFHTRACE"_s, text));
    EXPECT_EQ(text, u"2"_s);
}
