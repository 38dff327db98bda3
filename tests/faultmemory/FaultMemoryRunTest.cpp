// The run control hands the memory jobs to the fault-memory report in Zemo
// mode and shows its text in the results window like any other report.
#include <gtest/gtest.h>

#include "FakeRunHost.h"
#include "FaultMemoryTestSupport.h"

using namespace kitbox;
using namespace kitbox::testing;
using Activity = kitbox::ResultsWindowRules::Activity;

namespace {

class FaultMemoryRun : public RunnerFixture<DetailRuntime> {
protected:
    void SetUp() override
    {
        RunnerFixture::SetUp();
        runtime.setJobResults(QStringLiteral("D_ALT"), QStringLiteral("fs_lesen"),
                              {{txt(QStringLiteral("VARIANTE"), QStringLiteral("D_ALT"))},
                               {txt(QStringLiteral("JOB_STATUS"), QStringLiteral("OKAY"))}});
        host.description = QStringLiteral("D_ALT");
        host.selection.entry = QStringLiteral("fs_lesen");
        host.selection.index = 3;
    }
};

} // namespace

TEST_F(FaultMemoryRun, ZemoModeShowsTheFaultMemoryReportOnce)
{
    options.zemoFsMode = 256;
    runner.starteJob();
    const QString shown = host.output.text();
    EXPECT_TRUE(shown.startsWith(QString(11, u' ') + QStringLiteral("F E H L E R S P E I C H E R   L E S E N\r\n")));
    EXPECT_TRUE(shown.contains(u"\r\nDatum:     07.03.26 09:05\r\nECU:       D_ALT\r\n"));
    EXPECT_TRUE(shown.contains(u">>>>>>>>>> Kein Fehler gefunden <<<<<<<<<<<"));
    EXPECT_EQ(runner.lastReport(), shown);
    EXPECT_EQ(host.output.writes, 1);
    ASSERT_GE(host.lamps.size(), 2);
    EXPECT_EQ(host.lamps.at(host.lamps.size() - 2), Activity::Building);
    EXPECT_EQ(host.lamps.last(), Activity::Idle);

    // The same text again is not written again.
    runner.starteJob();
    EXPECT_EQ(host.output.writes, 1);
    EXPECT_EQ(host.caption, QStringLiteral("Results"));
}
