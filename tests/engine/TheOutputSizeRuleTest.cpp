#include "OutputSizeRule.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {
struct SizeCase {
    const char* name;
    qint64 width, height;
    OutputSizeRule::Settings settings;
    bool redraw;
    double w, h;
};

void PrintTo(const SizeCase& c, std::ostream* out)
{
    *out << c.name;
}

OutputSizeRule::Settings scale(float factor)
{
    OutputSizeRule::Settings s;
    s.scaleFactor = factor;
    return s;
}

OutputSizeRule::Settings fixed(qint64 longSize, bool longLocked, qint64 shortSize, bool shortLocked)
{
    OutputSizeRule::Settings s;
    s.scaleFactor = 0.5f; // ignored with a fixed size
    s.fixedSize = true;
    s.longSize = longSize;
    s.longLocked = longLocked;
    s.shortSize = shortSize;
    s.shortLocked = shortLocked;
    return s;
}

class TheOutputSizeRule : public ::testing::TestWithParam<SizeCase> {};
} // namespace

TEST_P(TheOutputSizeRule, givesTheOutputSize)
{
    const SizeCase& c = GetParam();
    const OutputSizeRule::Result result = OutputSizeRule::apply(c.width, c.height, c.settings);
    EXPECT_EQ(result.redraw, c.redraw);
    EXPECT_DOUBLE_EQ(result.w, c.w);
    EXPECT_DOUBLE_EQ(result.h, c.h);
}

INSTANTIATE_TEST_SUITE_P(
    Scale, TheOutputSizeRule,
    ::testing::Values(
        SizeCase{"scaleOneKeepsTheExportWithoutRedraw", 6000, 4000, scale(1.0f), false, 6000, 4000},
        SizeCase{"half", 6000, 4000, scale(0.5f), true, 3000, 2000},
        SizeCase{"threeQuarters", 6000, 4000, scale(0.75f), true, 4500, 3000},
        SizeCase{"quarterPortrait", 4000, 6000, scale(0.25f), true, 1000, 1500},
        SizeCase{"oddSizeIsNotRounded", 3001, 2001, scale(0.5f), true, 1500.5, 1000.5},
        // The float setting is widened, not rounded to a decimal.
        SizeCase{"floatFactorWidened", 1000, 1000, scale(0.3f), true, 1000 * double(0.3f),
                 1000 * double(0.3f)},
        SizeCase{"enlargesOnlyAboveOne", 100, 50, scale(2.0f), true, 200, 100}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    LongSide, TheOutputSizeRule,
    ::testing::Values(
        SizeCase{"landscape", 6000, 4000, fixed(1920, true, 0, false), true, 1920, 1280},
        SizeCase{"portrait", 4000, 6000, fixed(1920, true, 0, false), true, 1280, 1920},
        SizeCase{"squareCountsHeightAsLong", 3000, 3000, fixed(1920, true, 0, false), true, 1920,
                 1920},
        SizeCase{"fractionalSideKept", 6000, 4000, fixed(1000, true, 0, false), true, 1000,
                 4000 * (1000.0 / 6000.0)},
        SizeCase{"neverEnlarges", 1000, 800, fixed(1920, true, 0, false), true, 1000, 800},
        SizeCase{"portraitNeverEnlarges", 800, 1000, fixed(1920, true, 1080, false), true, 800,
                 1000},
        SizeCase{"unlockedShortIgnored", 6000, 4000, fixed(1920, true, 1080, false), true, 1920,
                 1280},
        SizeCase{"lockedShortOfZeroDoesNotBind", 6000, 4000, fixed(1920, true, 0, true), true, 1920,
                 1280}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ShortSide, TheOutputSizeRule,
    ::testing::Values(
        SizeCase{"landscape", 6000, 4000, fixed(0, false, 1080, true), true, 1620, 1080},
        SizeCase{"portrait", 4000, 6000, fixed(0, false, 1080, true), true, 1080, 1620},
        SizeCase{"squareCountsWidthAsShort", 3000, 3000, fixed(0, false, 1080, true), true, 1080,
                 1080},
        SizeCase{"neverEnlarges", 800, 600, fixed(0, false, 1080, true), true, 800, 600},
        // With the long side unlocked the short side binds whatever its lock says.
        SizeCase{"bindsEvenUnlocked", 6000, 4000, fixed(1920, false, 1080, false), true, 1620,
                 1080},
        SizeCase{"lockedLongOfZeroDoesNotBind", 6000, 4000, fixed(0, true, 1080, true), true, 1620,
                 1080}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BothSides, TheOutputSizeRule,
    ::testing::Values(
        SizeCase{"aspectChanges", 6000, 4000, fixed(1920, true, 1080, true), true, 1920, 1080},
        SizeCase{"portrait", 4000, 6000, fixed(1920, true, 1080, true), true, 1080, 1920},
        SizeCase{"squareCountsAsPortrait", 3000, 3000, fixed(1920, true, 1080, true), true, 1080,
                 1920},
        SizeCase{"smallImageUnchanged", 1000, 800, fixed(1920, true, 1080, true), true, 1000, 800},
        SizeCase{"eachSideClampedAlone", 2000, 1000, fixed(1920, true, 1080, true), true, 1920,
                 1000}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    NothingBinds, TheOutputSizeRule,
    ::testing::Values(
        SizeCase{"bothZeroAndLocked", 6000, 4000, fixed(0, true, 0, true), true, 6000, 4000},
        SizeCase{"bothUnlockedZero", 6000, 4000, fixed(0, false, 0, false), true, 6000, 4000},
        SizeCase{"negativeSides", 6000, 4000, fixed(-5, true, -5, true), true, 6000, 4000},
        SizeCase{"emptySource", 0, 4000, fixed(1920, true, 0, false), false, 0, 4000}),
    [](const auto& info) { return std::string(info.param.name); });
