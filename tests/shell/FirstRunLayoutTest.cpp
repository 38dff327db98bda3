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
        const FirstRunLayout::Children r = FirstRunLayout::children(c.width, c.height, c.line, c.chrome, 7);
        EXPECT_EQ(r.job, (Rect{0, 0, c.width, c.jobHeight})) << c.height;
        EXPECT_EQ(std::pair(r.results.y, r.results.height), std::pair(c.jobHeight, c.height - c.jobHeight)) << c.height;
        if (c.height - FirstRunLayout::minimumJobHeight >= FirstRunLayout::minimumResultLines * c.line + c.chrome) {
            EXPECT_GE(r.results.height, FirstRunLayout::minimumResultLines * c.line + c.chrome) << c.height;
        }
    }
}

// The side windows never cover the job window; the report keeps 100 columns
// beside them, or the whole width where that does not fit.
TEST(FirstRunLayout, SideWindowsStandRightOfTheReport)
{
    const struct {
        const char *name;
        int width, charWidth;
        int resultsWidth, sideX, sideWidth;
    } cases[] = {
        {"wide: side by side", 1256, 7, 754, 754, 502},
        {"a wide font: the report keeps the whole width", 1256, 8, 1256, 754, 502},
        {"narrow: the column keeps its minimum over the report", 640, 7, 640, 340, 300},
        {"narrower than the column", 200, 7, 200, 0, 200},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const FirstRunLayout::Children r = FirstRunLayout::children(c.width, 650, 15, 80, c.charWidth);
        EXPECT_EQ(r.results.width, c.resultsWidth);
        for (const Rect &side : {r.info, r.tables, r.simulation, r.trace}) {
            EXPECT_EQ(side.x, c.sideX);
            EXPECT_EQ(side.width, c.sideWidth);
            EXPECT_GE(side.y, r.job.y + r.job.height) << "over the job window";
            EXPECT_LE(side.y + side.height, 650);
        }
        EXPECT_EQ(r.info.y + r.info.height, r.tables.y) << "information above tables, no gap";
    }
}

TEST(FirstRunLayout, OnlyPlacementsTheFileHoldsCountAsStored)
{
    IniFile ini;
    ini.loadFromData("[WINDOWS]\nJOB_LEFT=10\nRES_WINDOW=2\nPRG_TOP=5\n");
    Settings s;
    s.readCommon(ini, 1400);
    EXPECT_TRUE(s.windowStored(QStringLiteral("JOB")) && s.windowStored(QStringLiteral("prg")));
    EXPECT_FALSE(s.windowStored(QStringLiteral("RES"))); // only its state, not where it is
    EXPECT_FALSE(s.windowStored(QStringLiteral("APP")));
    EXPECT_FALSE(Settings().windowStored(QStringLiteral("JOB")));
}
