#include "shell/ProgramOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace kitbox;

namespace {

struct ClickCase {
    const char *name;
    int startWord;
    std::vector<std::pair<int, bool>> clicks; // k (-1: FSLesenZemo), new state
    int expectedWord;
};

FaultMemoryBoxes after(const ClickCase &c)
{
    FaultMemoryBoxes boxes = FaultMemoryBoxes::fromWord(c.startWord);
    for (const auto &[k, set] : c.clicks) {
        if (k < 0)
            boxes.setZemo(set);
        else
            boxes.clickFlag(k, set);
    }
    return boxes;
}

} // namespace

TEST(FaultMemoryBoxes, WordFollowsEveryBoxAndItsDependencies)
{
    const std::vector<ClickCase> cases{
        {"every existing box adds its own bit",
         256,
         {{0, true}, {2, true}, {6, true}, {9, true}, {10, true}, {11, true}},
         256 + 1 + 4 + 64 + 512 + 1024 + 2048},
        {"bits 7 and 8 have no box and are dropped", 256 + 128 + 512, {}, 256 + 512},
        {"FSLesenZemo clear gives 0 although boxes stay set", 1919, {{-1, false}}, 0},
        {"FSLesenZemo again restores the boxes' sum", 1919, {{-1, false}, {-1, true}}, 1919},
        {"clearing Umweltbedingung clears Wert and Einheit", 1919, {{1, false}}, 1919 - 2 - 8 - 16},
        {"Wert sets Umweltbedingung", 256, {{3, true}}, 256 + 2 + 8},
        {"Einheit sets Umweltbedingung", 256, {{4, true}}, 256 + 2 + 16},
        {"clearing Wert with Einheit set keeps Umweltbedingung", 256 + 2 + 8 + 16, {{3, false}}, 256 + 2 + 16},
        {"clearing both clears Umweltbedingung", 256 + 2 + 8 + 16, {{3, false}, {4, false}}, 256},
        {"a box that does not exist changes nothing", 1919, {{7, true}, {8, true}, {12, true}}, 1919},
    };
    for (const ClickCase &c : cases)
        EXPECT_EQ(after(c).word(), c.expectedWord) << c.name;
}

TEST(FaultMemoryBoxes, EnabledStateFollowsZemoAndDetail)
{
    // The default word 1919 has everything but detail set: the detail-only boxes are locked.
    const struct {
        int word;
        std::vector<int> enabled;
    } cases[] = {
        {1919, {0, 2, 6, 11}},
        {1919 + 2048, {0, 1, 2, 3, 4, 5, 6, 9, 10, 11}},
        {2048 + 1, {}}, // without FSLesenZemo nothing can be clicked
        {0, {}},
    };
    for (const auto &c : cases) {
        const FaultMemoryBoxes boxes = FaultMemoryBoxes::fromWord(c.word);
        for (int k = 0; k < FaultMemoryBoxes::flagCount; ++k) {
            const bool expected = std::find(c.enabled.begin(), c.enabled.end(), k) != c.enabled.end();
            EXPECT_EQ(boxes.enabled(k), expected) << "word " << c.word << " box " << k;
        }
    }
}

TEST(ProgramOptions, EveryBoxRoundTripsAndFlagsStoreTrueAsMinusOne)
{
    for (const OptionBoxInfo &info : ProgramOptions::boxes()) {
        ShellOptions o;
        ProgramOptions::set(o, info.box, false);
        EXPECT_FALSE(ProgramOptions::isSet(o, info.box)) << info.objectName;
        ProgramOptions::set(o, info.box, true);
        EXPECT_TRUE(ProgramOptions::isSet(o, info.box)) << info.objectName;
    }
    // True is stored as -1, so a sorted report keeps the runtime's order; any non-zero value shows set.
    ShellOptions o;
    EXPECT_EQ(o.ausgabeSortiert, 1);
    EXPECT_TRUE(ProgramOptions::isSet(o, OptionBox::AusgabeSortiert));
    EXPECT_EQ(ProgramOptions::set(o, OptionBox::JobInfo, true), OptionEffect::Details);
    ProgramOptions::set(o, OptionBox::AusgabeSortiert, true);
    EXPECT_EQ(std::pair(o.jobInfo, o.ausgabeSortiert), std::pair(-1, -1));
    EXPECT_EQ(ProgramOptions::set(o, OptionBox::Language, true), OptionEffect::Language);
    EXPECT_EQ(o.language, QStringLiteral("E"));
    ProgramOptions::set(o, OptionBox::Language, false);
    EXPECT_EQ(o.language, QStringLiteral("D"));
}
