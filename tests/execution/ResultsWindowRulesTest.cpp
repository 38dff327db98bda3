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
    EXPECT_EQ(R::delayLabel(1250, texts), QStringLiteral("Pause : 1.25 s"));
    EXPECT_EQ(R::delayLabel(1500, texts), QStringLiteral("Pause : 1.50 s"));
    EXPECT_EQ(R::delayLabel(0, texts), QStringLiteral("Pause : 0.00 s"));
    EXPECT_EQ(R::delayLabel(10000, texts), QStringLiteral("Pause : 10.00 s"));
    texts.selectLanguage(QStringLiteral("E"));
    EXPECT_EQ(R::delayLabel(50, texts), QStringLiteral("pause : 0.05 s"));
}

TEST(ResultsWindowClose, CloseBoxDuringContinuousRunOnlyMinimises)
{
    EXPECT_EQ(R::decideClose(true, true), R::CloseDecision::MinimiseAndRefuse);
    EXPECT_EQ(R::decideClose(true, false), R::CloseDecision::StopRunAndClose);
    // The program closing it (shut-down) always goes through, run or not.
    EXPECT_EQ(R::decideClose(false, true), R::CloseDecision::StopRunAndClose);
}

TEST(ResultsWindowLamp, ColoursByActivity)
{
    EXPECT_EQ(R::lampColour(R::Activity::Building), 0x000000u);
    EXPECT_EQ(R::lampColour(R::Activity::Pausing), 0xFFFFFFu);
    EXPECT_EQ(R::lampColour(R::Activity::Idle), 0xC0C0C0u);
}

TEST(ResultsWindowText, EqualReportIsNoChange)
{
    EXPECT_FALSE(R::isChange(QStringLiteral("a\r\nb"), QStringLiteral("a\r\nb")));
    EXPECT_TRUE(R::isChange(QStringLiteral("a\r\nb"), QStringLiteral("a\nb")));
    EXPECT_EQ(R::initialText(), QStringLiteral("Result Ausgabe/output"));
}
