#include "shell/FirstRunLayout.h"
#include "shell/Settings.h"

#include <gtest/gtest.h>

using namespace kitbox;
using FirstRunLayout::Rect;

TEST(FirstRunLayout, MainWindowTakesMostOfTheScreenAndNeverMore)
{
    const struct {
        Rect available;
        Rect expected;
    } cases[] = {
        {{0, 0, 1400, 900}, {70, 45, 1260, 810}},     {{0, 0, 1920, 1040}, {96, 52, 1728, 936}},
        {{100, 30, 1400, 870}, {170, 73, 1260, 783}}, // a panel above: stays inside the area
        {{0, 0, 850, 640}, {25, 20, 800, 600}},       // small screen: the minimum size
        {{0, 0, 640, 480}, {0, 0, 640, 480}},         // tiny screen: the whole area, no more
    };
    for (const auto &c : cases)
        EXPECT_EQ(FirstRunLayout::mainWindow(c.available), c.expected)
            << c.available.width << "x" << c.available.height;
}

TEST(FirstRunLayout, ResultsWindowGetsItsLinesAndJobWindowTheRest)
{
    const struct {
        int width, height, line, chrome;
        int jobHeight;
    } cases[] = {
        {1260, 900, 15, 80, 300}, // room for both: a third for the job window
        {1260, 560, 15, 80, 180}, // the report needs 380: the job window gives way
        {1260, 500, 15, 80, 180}, // the job window keeps its minimum; the report gets what is left
        {600, 200, 15, 80, 100},  // too small for either: they share
        {600, 0, 15, 80, 0},
    };
    for (const auto &c : cases) {
        const FirstRunLayout::Children r = FirstRunLayout::children(c.width, c.height, c.line, c.chrome);
        EXPECT_EQ(r.job, (Rect{0, 0, c.width, c.jobHeight})) << c.height;
        EXPECT_EQ(r.results, (Rect{0, c.jobHeight, c.width, c.height - c.jobHeight})) << c.height;
        if (c.height - FirstRunLayout::minimumJobHeight >= FirstRunLayout::minimumResultLines * c.line + c.chrome) {
            EXPECT_GE(r.results.height, FirstRunLayout::minimumResultLines * c.line + c.chrome) << c.height;
        }
    }
}

TEST(FirstRunLayout, OnlyPlacementsTheFileHoldsCountAsStored)
{
    IniFile ini;
    ini.loadFromData("[WINDOWS]\nJOB_LEFT=10\nRES_WINDOW=2\nPRG_TOP=5\n");
    Settings s;
    s.readCommon(ini, 1400);
    EXPECT_TRUE(s.windowStored(QStringLiteral("JOB")));
    EXPECT_TRUE(s.windowStored(QStringLiteral("prg")));
    EXPECT_FALSE(s.windowStored(QStringLiteral("RES"))); // only its state, not where it is
    EXPECT_FALSE(s.windowStored(QStringLiteral("APP")));
    EXPECT_FALSE(Settings().windowStored(QStringLiteral("JOB")));
}
