#include "execution/ResultsWindowRules.h"
#include "shell/TextCatalogue.h"

#include <gtest/gtest.h>

using namespace kitbox;
namespace R = kitbox::ResultsWindowRules;

TEST(PauseSetting, RoundsToTheNearestFiftyWithHalvesUpward)
{
    const struct {
        int in;
        int out;
    } cases[] = {{1234, 1250}, {1224, 1200}, {1225, 1250},   {1275, 1300},  {24, 0},
                 {25, 50},     {0, 0},       {10000, 10000}, {9990, 10000}, {1250, 1250}};
    for (const auto &c : cases)
        EXPECT_EQ(R::roundDelay(c.in), c.out) << c.in;
    // Rounding an already rounded value changes nothing, so the scroll bar settles.
    for (int v = 0; v <= R::delayMaximum; v += 7)
        EXPECT_EQ(R::roundDelay(R::roundDelay(v)), R::roundDelay(v)) << v;
}

TEST(PauseSetting, LabelShowsSecondsWithTwoDecimalsInBothLanguages)
{
    TextCatalogue texts;
    ASSERT_TRUE(texts.loadBuiltIn().ok());
    for (const auto &[ms, label] : {std::pair(1250, "Pause : 1.25 s"),
                                    {1500, "Pause : 1.50 s"},
                                    {0, "Pause : 0.00 s"},
                                    {10000, "Pause : 10.00 s"}})
        EXPECT_EQ(R::delayLabel(ms, texts), QString::fromUtf8(label));
    texts.selectLanguage(QStringLiteral("E"));
    EXPECT_EQ(R::delayLabel(50, texts), QStringLiteral("pause : 0.05 s"));
}

TEST(ResultsWindowRules, CloseDuringContinuousRunOnlyMinimisesAndAnEqualReportIsNoChange)
{
    EXPECT_EQ(R::decideClose(true, true), R::CloseDecision::MinimiseAndRefuse);
    EXPECT_EQ(R::decideClose(true, false), R::CloseDecision::StopRunAndClose);
    // The program closing it (shut-down) always goes through, run or not.
    EXPECT_EQ(R::decideClose(false, true), R::CloseDecision::StopRunAndClose);

    EXPECT_FALSE(R::isChange(QStringLiteral("a\r\nb"), QStringLiteral("a\r\nb")));
    EXPECT_TRUE(R::isChange(QStringLiteral("a\r\nb"), QStringLiteral("a\nb")));
}
