#include "ui/shell/FocusReturn.h"

#include <gtest/gtest.h>

namespace tavolin::test {
namespace {

TEST(FocusReturnTest, PicksTheScreenHoldingTheWindow)
{
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 2560, 1440);
    const struct { const char *name; QRect window; QList<QRect> screens; std::optional<QRect> expected; } cases[] = {
        {"inside the first", QRect(100, 100, 800, 600), {left, right}, left},
        {"inside the second", QRect(2000, 200, 800, 600), {left, right}, right},
        {"the centre decides across the edge", QRect(1500, 100, 1000, 600), {left, right}, right},
        {"centre off screen takes the largest overlap", QRect(1800, -900, 400, 1000), {left, right}, right},
        {"outside every screen", QRect(-5000, -5000, 100, 100), {left, right}, std::nullopt},
        {"no screens", QRect(0, 0, 100, 100), {}, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FocusReturn::screenFor(c.window, c.screens), c.expected) << c.name;
}

TEST(FocusReturnTest, ReturnsTheFocusOnlyWhenTheUserDidNotMoveIt)
{
    constexpr int32_t own = 700;
    const struct { const char *name; unsigned long remembered; int32_t focusedPid; bool restore; } cases[] = {
        {"panel still focused", 0x400001, own, true},
        {"nothing focused", 0x400001, 0, true},
        {"the user clicked another program", 0x400001, 812, false},
        {"nothing remembered", 0, own, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FocusReturn::shouldRestore(c.remembered, c.focusedPid, own), c.restore) << c.name;
}

TEST(FocusReturnTest, WithoutAnXServerEverythingIsANoOp)
{
    FocusReturn focus; // the tests run on the offscreen platform
    focus.remember();
    focus.restore();
    EXPECT_FALSE(focus.screenFrame());
}

} // namespace
} // namespace tavolin::test
