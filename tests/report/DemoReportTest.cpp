// The report against the runtime engine and the demo descriptions, as the
// user sees it after F5.
#include "execution/ErgebnisAusgabe.h"

#include <gtest/gtest.h>

#include "runtime/InProcessVedamisApi.h"
#include "shell/TextCatalogue.h"

using namespace kitbox;

namespace {

QStringList lines(const QString &report) { return report.split(QStringLiteral("\r\n")); }

QString lineStartingWith(const QString &report, const QString &start)
{
    for (const QString &l : lines(report)) {
        if (l.startsWith(start))
            return l;
    }
    return QString();
}

class DemoReportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_api = new InProcessVedamisApi;
        ASSERT_TRUE(s_api->apiInit());
        ASSERT_TRUE(s_api->apiSetConfig(QStringLiteral("EcuPath"), QStringLiteral(KITBOX_DATA_DIR "/ecu")));
        ASSERT_TRUE(s_api->apiSetConfig(QStringLiteral("SimulationPath"), QStringLiteral(KITBOX_DATA_DIR "/sim")));
        ASSERT_TRUE(s_api->apiSetConfig(QStringLiteral("Simulation"), QStringLiteral("1")));
    }
    static void TearDownTestSuite()
    {
        s_api->apiEnd();
        delete s_api;
        s_api = nullptr;
    }
    QString run(const QString &job, const QByteArray *data = nullptr)
    {
        JobParameter p;
        p.sgbd = QStringLiteral("D_MOTOR");
        p.job = job;
        p.jobIndex = 0;
        if (data) {
            p.dataFlag = true;
            p.dataBytes = *data;
        }
        ReportOptions o;
        o.errorLabel = QStringLiteral("VEDAMIS Fehler");
        return report.build(p, o);
    }

    static InProcessVedamisApi *s_api;
    ErgebnisAusgabe report{*s_api};
};

InProcessVedamisApi *DemoReportTest::s_api = nullptr;

}  // namespace

TEST_F(DemoReportTest, StatusJobShowsEchoSystemSetAndColumns)
{
    const QString out = run(QStringLiteral("status_motor"));
    const QStringList l = lines(out);
    ASSERT_GE(l.size(), 6);
    EXPECT_EQ(l[0], QStringLiteral("apiJob(\"D_MOTOR\",\"status_motor\",\"\",\"\")"));
    EXPECT_EQ(l[1], QString());
    EXPECT_EQ(l[2], QStringLiteral("Satz : 0"));
    EXPECT_EQ(l[3], QStringLiteral("  VARIANTE                        = D_MOTOR"));
    EXPECT_TRUE(out.contains(u"\r\nSatz : 1\r\n"));
    // An integer of set 1: value, hex and character columns.
    const QString temp = lineStartingWith(out, QStringLiteral("  STAT_KUEHLMITTEL_TEMP_WERT"));
    EXPECT_EQ(temp, QStringLiteral("  STAT_KUEHLMITTEL_TEMP_WERT      = 85                00 55  .U      ") +
                        QString(14, u' '));
    EXPECT_TRUE(out.endsWith(u"  JOB_STATUS                      = OKAY\r\n"));
    EXPECT_EQ(report.lastErrorCode(), 0);
}

TEST_F(DemoReportTest, AllTypesFollowTheirLineRules)
{
    const QString out = run(QStringLiteral("alle_typen"));
    EXPECT_EQ(lineStartingWith(out, QStringLiteral("  WERT_WORD")).mid(36),
              QStringLiteral("54321       ") + QString::fromUtf16(u"      D4 31  \u00d41      ") + QString(14, u' '));
    EXPECT_EQ(lineStartingWith(out, QStringLiteral("  WERT_DWORD")).mid(36, 33),
              QStringLiteral("3000000000  B2 D0 5E 00  \u00b2\u00d0^.    ").left(33));
    EXPECT_EQ(lineStartingWith(out, QStringLiteral("  WERT_TEXT")), QString::fromUtf16(u"  WERT_TEXT                       = Grüße"));
    EXPECT_EQ(lineStartingWith(out, QStringLiteral("  WERT_BINARY")),
              QStringLiteral("  WERT_BINARY                     = 4 Bytes"));
    EXPECT_TRUE(out.contains(QString(u"    0000 : DE AD BE EF" + QString(38, u' ') + u"  \u00de\u00ad\u00be\u00ef  \r\n")));
    EXPECT_TRUE(lineStartingWith(out, QStringLiteral("  WERT_REAL")).startsWith(u"  WERT_REAL                       = 3.14"));
    EXPECT_EQ(lineStartingWith(out, QStringLiteral("  WERT_CHAR")).mid(36, 12), QStringLiteral("-5          "));
}

TEST_F(DemoReportTest, LargeBinaryIsDumpedAfterTheRetryWithoutErrorLine)
{
    const QString out = run(QStringLiteral("binaer_gross"));
    EXPECT_TRUE(out.contains(u"  DATEN                           = 1500 Bytes\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n    05D0 : "));  // last line: bytes 1488..1499
    EXPECT_FALSE(out.contains(u"VEDAMIS Fehler"));
    EXPECT_EQ(report.lastErrorCode(), 0);
}

TEST_F(DemoReportTest, FailingJobEndsWithTheErrorLine)
{
    const QString out = run(QStringLiteral("fehler_job"));
    EXPECT_TRUE(out.startsWith(u"apiJob(\"D_MOTOR\",\"fehler_job\",\"\",\"\")\r\n\r\n"));
    const QStringList l = lines(out);
    ASSERT_GE(l.size(), 2);
    EXPECT_TRUE(l[l.size() - 2].startsWith(u"VEDAMIS Fehler ")) << out.toStdString();
    EXPECT_TRUE(l[l.size() - 2].contains(u" : "));
    EXPECT_GT(report.lastErrorCode(), 0);
}

TEST_F(DemoReportTest, DataJobGetsTheBytes)
{
    const QByteArray data = QByteArray::fromHex("0102");
    const QString out = run(QStringLiteral("daten_schreiben"), &data);
    EXPECT_TRUE(out.startsWith(u"apiJobData(\"D_MOTOR\",\"daten_schreiben\",{DATA}, 2,\"\")\r\n  {DATA}: 2 Bytes\r\n"
                               u"    0000 : 01 02"))
        << out.toStdString();
    EXPECT_TRUE(out.contains(u"  DATEN                           = 2 Bytes\r\n    0000 : 01 02"));
}
