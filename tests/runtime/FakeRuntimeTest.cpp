// The scripted runtime that other tests rely on answers like the real one.
#include "runtime/FakeVedamisApi.h"

#include <gtest/gtest.h>

using namespace kitbox;

TEST(FakeRuntime, AnswersScriptedSetsByNameWithoutRegardToCase)
{
    FakeVedamisApi api;
    ASSERT_TRUE(api.apiInit());
    FakeResult variant{QStringLiteral("VARIANTE"), ResultType::Text, QStringLiteral("D_MOTOR"), {}, 0, {}};
    FakeResult temp{QStringLiteral("STAT_TEMP"),
                    ResultType::Integer,
                    QStringLiteral("90"),
                    {{QStringLiteral("-5I"), QStringLiteral("90   ")}},
                    90,
                    {}};
    api.setJobResults(QStringLiteral("d_motor"), QStringLiteral("status"), {{variant}, {temp}});

    api.apiJob(QStringLiteral("D_MOTOR"), QStringLiteral("STATUS"), QString(), QString());
    EXPECT_EQ(api.apiErrorCode(), 0);
    qint16 sets = -1;
    ASSERT_TRUE(api.apiResultSets(sets));
    EXPECT_EQ(sets, 1);
    qint16 count = 0;
    ASSERT_TRUE(api.apiResultNumber(count, 1));
    EXPECT_EQ(count, 1);
    QString name;
    ASSERT_TRUE(api.apiResultName(name, 1, 1));
    EXPECT_EQ(name, QStringLiteral("STAT_TEMP"));
    EXPECT_FALSE(api.apiResultName(name, 2, 1));
    QString text;
    ASSERT_TRUE(api.apiResultText(text, QStringLiteral("stat_temp"), 1, QStringLiteral("-5I")));
    EXPECT_EQ(text, QStringLiteral("90   "));
    ASSERT_TRUE(api.apiResultText(text, QStringLiteral("STAT_TEMP"), 1, QString()));
    EXPECT_EQ(text, QStringLiteral("90"));
    qint16 type = 0;
    ASSERT_TRUE(api.apiResultFormat(type, QStringLiteral("STAT_TEMP"), 1));
    EXPECT_EQ(type, static_cast<qint16>(ResultType::Integer));
}

TEST(FakeRuntime, LongBinaryNeedsTheExtendedRead)
{
    FakeVedamisApi api;
    ASSERT_TRUE(api.apiInit());
    FakeResult big{QStringLiteral("DATA"), ResultType::Binary, {}, {}, 0, QByteArray(1500, '\x5A')};
    api.setJobResults(QStringLiteral("D"), QStringLiteral("J"), {{}, {big}});
    api.apiJob(QStringLiteral("D"), QStringLiteral("J"), QString(), QString());
    QByteArray data;
    EXPECT_FALSE(api.apiResultBinary(data, QStringLiteral("DATA"), 1));
    EXPECT_EQ(api.apiErrorCode(), VedamisApi::errorBinaryTooLong);
    ASSERT_TRUE(api.apiResultBinaryExt(data, QStringLiteral("DATA"), 1));
    EXPECT_EQ(data.size(), 1500);
}

TEST(FakeRuntime, JobsNeedAnOpenSessionAndErrorsAreClearedBySuccess)
{
    FakeVedamisApi api;
    api.apiJob(QStringLiteral("D"), QStringLiteral("J"), QString(), QString());
    EXPECT_EQ(api.apiErrorCode(), FakeVedamisApi::errorNoSession);
    ASSERT_TRUE(api.apiInit());
    api.setJobError(QStringLiteral("D"), QStringLiteral("BAD"), 1234, QStringLiteral("job failed"));
    api.apiJob(QStringLiteral("D"), QStringLiteral("BAD"), QString(), QString());
    EXPECT_EQ(api.apiErrorCode(), 1234);
    EXPECT_EQ(api.apiErrorText(), QStringLiteral("job failed"));
    api.apiJob(QStringLiteral("D"), QStringLiteral("GOOD"), QString(), QString());
    EXPECT_EQ(api.apiErrorCode(), 0);
}

TEST(FakeRuntime, ConfigurationIsReadAndSetAndCanBeRefused)
{
    FakeVedamisApi api;
    ASSERT_TRUE(api.apiInit());
    EXPECT_TRUE(api.apiSetConfig(QStringLiteral("IfhTrace"), QStringLiteral("2")));
    QString value;
    ASSERT_TRUE(api.apiGetConfig(QStringLiteral("IFHTRACE"), value));
    EXPECT_EQ(value, QStringLiteral("2"));
    api.refuseSetConfig(QStringLiteral("EcuPath"), 11, QStringLiteral("bad value"));
    EXPECT_FALSE(api.apiSetConfig(QStringLiteral("EcuPath"), QStringLiteral("/x")));
    EXPECT_EQ(api.apiErrorCode(), 11);
    EXPECT_TRUE(api.calls().contains(QStringLiteral("apiSetConfig(EcuPath,/x)")));
}
