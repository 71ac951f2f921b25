// Where the preferences window opens: where it was left while that is still on a screen, else centred; the
// saved place survives a restart and a damaged file only means "centred".
#include "PrefsTestSupport.h"
#include "prefs/WindowPlacement.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(WindowPlacementTest, OpensWhereLeftOnlyWhileItsTitleCanBeReached)
{
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 1280, 1024);
    const QPoint centred = left.center() - QPoint(320, 250);
    const struct { const char *name; std::optional<QPoint> saved; QList<QRect> screens; QPoint expected; } cases[] = {
        {"nothing saved", std::nullopt, {left}, centred},
        {"saved on screen", QPoint(200, 150), {left}, QPoint(200, 150)},
        {"saved on the second screen", QPoint(2500, 300), {left, right}, QPoint(2500, 300)},
        {"second screen gone", QPoint(2500, 300), {left}, centred},
        {"title above the screen", QPoint(200, -400), {left}, centred},
        {"only a corner left on screen", QPoint(1900, 100), {left}, centred},
        {"partly off the left edge", QPoint(-300, 100), {left}, QPoint(-300, 100)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(windowplacement::placeFor(c.saved, QSize(640, 500), c.screens, left), c.expected) << c.name;
}

TEST(WindowPlacementFileTest, ASavedPlaceIsReadBackAndADamagedFileReadsAsNone)
{
    test::IsolatedHome home;
    EXPECT_FALSE(windowplacement::load().has_value());
    ASSERT_TRUE(windowplacement::save(QPoint(-40, 1200)));
    EXPECT_TRUE(windowplacement::filePath().startsWith(home.stateHome()));
    EXPECT_EQ(windowplacement::load(), QPoint(-40, 1200));

    const QByteArray damagedFiles[] = {"12", "a b", "1 2 3", QByteArray(4096, '7')};
    for (const QByteArray &damaged : damagedFiles) {
        ASSERT_TRUE(test::writeTextFile(windowplacement::filePath(), damaged));
        EXPECT_FALSE(windowplacement::load().has_value()) << damaged.left(20).toStdString();
    }
}

} // namespace
} // namespace tavolin
