// The fault-memory report against the runtime engine and the demo fleet, as
// the user sees it after F5 on the memory jobs, and the same through
// kitbox32-cli run.
#include <gtest/gtest.h>

#include "CliProcess.h"
#include "FaultMemoryTestSupport.h"
#include "runtime/InProcessVedamisApi.h"

using namespace kitbox;
using namespace kitbox::testing;

namespace {

const QString fs = QStringLiteral("fs_lesen");
constexpr int detailWord = faultmode::defaultWord | faultmode::detail;

class DemoFaultMemory : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(texts.loadBuiltIn().ok());
        texts.selectLanguage(QStringLiteral("D"));
        ASSERT_TRUE(api.apiInit());
        ASSERT_TRUE(api.apiSetConfig(QStringLiteral("EcuPath"), QStringLiteral(KITBOX_DATA_DIR "/ecu")));
        ASSERT_TRUE(api.apiSetConfig(QStringLiteral("SimulationPath"), QStringLiteral(KITBOX_DATA_DIR "/sim")));
        ASSERT_TRUE(api.apiSetConfig(QStringLiteral("Simulation"), QStringLiteral("1")));
    }
    void TearDown() override { api.apiEnd(); }
    QString build(const QString &sgbd, const QString &job, int mode) { return report.build(sgbd, job, mode); }

    InProcessVedamisApi api;
    TextCatalogue texts;
    FakeClock clock{QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3))};
    FehlerspeicherAusgabe report{api, texts, clock};
};

} // namespace

TEST_F(DemoFaultMemory, ReportsOfTheFleetInEveryLayout)
{
    // One fixed order: a simulated ECU may cycle through several answers.
    const struct {
        const char *sgbd;
        const char *job;
        int mode;
        int generation;
        const char *golden;
    } cases[] = {
        // Two environment records with headings, time lines, hex and 0-n values; one record without heading;
        // a code without standard form; the overflow box; no mileage line for 524280.
        {"D_MOTOR", "fs_lesen", detailWord, 3, "demo_motor_fs_detail.txt"},
        {"D_MOTOR", "fs_lesen", faultmode::defaultWord, 3, "demo_motor_fs_short.txt"},
        // A detail job that refuses with the telegram.
        {"D_MOTOR", "hs_lesen", detailWord, 3, "demo_motor_hs_detail.txt"},
        {"D_ALT", "fs_lesen", faultmode::defaultWord, 1, "demo_alt_fs.txt"},
        {"D_MOTOR2", "fs_lesen", detailWord, 2, "demo_motor2_fs_detail.txt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.golden);
        EXPECT_EQ(build(QString::fromUtf8(c.sgbd), QString::fromUtf8(c.job), c.mode), golden(c.golden));
        EXPECT_EQ(report.lastGeneration(), c.generation);
        EXPECT_EQ(report.lastErrorCode(), 0);
    }
}

TEST_F(DemoFaultMemory, DetailBitsSwitchTheirBlocksAndEnglishTexts)
{
    const QString motor = QStringLiteral("D_MOTOR");
    // Only frequency and environment with values, units off; no rule without 0x6FF bits.
    QString out =
        build(motor, fs,
              faultmode::zemo | faultmode::detail | faultmode::frequency | faultmode::environment | faultmode::value);
    EXPECT_TRUE(out.contains(u"   " + pad(u"Motordrehzahl", 40) + u"   850.50\r\n"));
    EXPECT_FALSE(out.contains(u"0x120308") || out.contains(u"P0303") || out.contains(u"Fehlercode"));
    EXPECT_TRUE(out.contains(u"übergelaufen")); // the overflow box has no bit of its own
    // The mode bit alone: header and count.
    EXPECT_TRUE(build(motor, fs, faultmode::zemo).endsWith(u"Fehler im Fehlerspeicher !\r\n" + rule(u'=') + u"\r\n"));

    texts.selectLanguage(QStringLiteral("E"));
    out = build(motor, fs, detailWord);
    EXPECT_TRUE(out.startsWith(QString(11, u' ') + u"E R R O R   M E M O R Y\r\n" + QString(11, u' ') + rule(u'-', 39) +
                               u"\r\n\r\nDate:      07.03.2026, 09:05:03\r\nJobStatus: OKAY\r\n"
                               u"Variant:   D_MOTOR.PRG\r\nVersion:   2.17\r\n" +
                               rule(u'-') + u"\r\n\r\nRESULT:    3 error in error memory !\r\n"));
    EXPECT_TRUE(out.contains(u"\r\nError counter   :  5\r\nHealing counter : not supported\r\n"));
    EXPECT_TRUE(out.contains(u"\r\n1. environment condition\r\n   Absolute time"));
    EXPECT_TRUE(out.contains(u"\r\nError code: 12 03 08 2F\r\n-"));
}

TEST_F(DemoFaultMemory, CommandLineToolPrintsTheSameReport)
{
    auto run = [](const char *mode) {
        return runCli({QStringLiteral("run"), QStringLiteral(KITBOX_DATA_DIR "/ecu/D_ALT.prg"), fs,
                       QStringLiteral("--fault-mode"), QString::fromUtf8(mode)});
    };
    // The date line comes from the real clock; everything after it is the report the window shows.
    const CliRun fromCli = run("1919");
    EXPECT_EQ(fromCli.exitCode, 0) << fromCli.err.toStdString();
    const QString inWindow = build(QStringLiteral("D_ALT"), fs, faultmode::defaultWord);
    EXPECT_EQ(QString::fromUtf8(fromCli.out).section(QStringLiteral("ECU:"), 1),
              inWindow.section(QStringLiteral("ECU:"), 1));

    EXPECT_TRUE(run("1663").out.startsWith("apiJob(\"D_ALT\",\"fs_lesen\",\"\",\"\")\r\n"));

    const CliRun refused = run("65536");
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.startsWith("--fault-mode needs a number from 0 to 65535"));
}
