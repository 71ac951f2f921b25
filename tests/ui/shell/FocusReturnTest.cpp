#include "ui/shell/FocusReturn.h"

#include <gtest/gtest.h>

namespace tavolin::test {
namespace {

const QRect kLeft(0, 0, 1920, 1080);
const QRect kRight(1920, 0, 2560, 1440);

struct ScreenCase
{
    const char *name;
    QRect window;
    QList<QRect> screens;
    std::optional<QRect> expected;
};

const ScreenCase kScreens[] = {
    {"InsideTheFirst", QRect(100, 100, 800, 600), {kLeft, kRight}, kLeft},
    {"InsideTheSecond", QRect(2000, 200, 800, 600), {kLeft, kRight}, kRight},
    {"CentreDecidesAcrossTheEdge", QRect(1500, 100, 1000, 600), {kLeft, kRight}, kRight},
    {"CentreOffScreenTakesTheLargestOverlap", QRect(1800, -900, 400, 1000), {kLeft, kRight}, kRight},
    {"OutsideEveryScreen", QRect(-5000, -5000, 100, 100), {kLeft, kRight}, std::nullopt},
    {"NoScreens", QRect(0, 0, 100, 100), {}, std::nullopt},
};

class ScreenForTest : public ::testing::TestWithParam<ScreenCase>
{
};

TEST_P(ScreenForTest, PicksTheScreenHoldingTheWindow)
{
    const ScreenCase &c = GetParam();
    EXPECT_EQ(FocusReturn::screenFor(c.window, c.screens), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenForTest, ::testing::ValuesIn(kScreens),
                         [](const auto &info) { return std::string(info.param.name); });

struct RestoreCase
{
    const char *name;
    unsigned long remembered;
    int32_t focusedPid;
    bool restore;
};

constexpr int32_t kOwn = 700;

const RestoreCase kRestores[] = {
    {"PanelStillFocused", 0x400001, kOwn, true},
    {"NothingFocused", 0x400001, 0, true},
    {"UserClickedAnotherProgram", 0x400001, 812, false},
    {"NothingRemembered", 0, kOwn, false},
};

class ShouldRestoreTest : public ::testing::TestWithParam<RestoreCase>
{
};

TEST_P(ShouldRestoreTest, ReturnsTheFocusOnlyWhenTheUserDidNotMoveIt)
{
    const RestoreCase &c = GetParam();
    EXPECT_EQ(FocusReturn::shouldRestore(c.remembered, c.focusedPid, kOwn), c.restore);
}

INSTANTIATE_TEST_SUITE_P(Restores, ShouldRestoreTest, ::testing::ValuesIn(kRestores),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FocusReturnTest, WithoutAnXServerEverythingIsANoOp)
{
    FocusReturn focus; // the tests run on the offscreen platform
    focus.remember();
    focus.restore();
    EXPECT_FALSE(focus.screenFrame());
}

} // namespace
} // namespace tavolin::test
