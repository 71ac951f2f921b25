// Where the preferences window opens: where it was left while that is still on a screen, else centred; the
// saved place survives a restart and a damaged file only means "centred".
#include "prefs/WindowPlacement.h"
#include "support/IsolatedHome.h"

#include <QFile>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

const QRect kLeft(0, 0, 1920, 1080);
const QRect kRight(1920, 0, 1280, 1024);
const QSize kWindow(640, 500);
const QPoint kCentred = kLeft.center() - QPoint(320, 250);

struct PlaceCase
{
    const char *name;
    std::optional<QPoint> saved;
    QList<QRect> screens;
    QPoint expected;
};
void PrintTo(const PlaceCase &row, std::ostream *out) { *out << row.name; }

class WindowPlaceTest : public ::testing::TestWithParam<PlaceCase>
{
};

TEST_P(WindowPlaceTest, OpensWhereLeftOnlyWhileItsTitleCanBeReached)
{
    EXPECT_EQ(windowplacement::placeFor(GetParam().saved, kWindow, GetParam().screens, kLeft), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, WindowPlaceTest,
    ::testing::Values(PlaceCase{"NothingSaved", std::nullopt, {kLeft}, kCentred},
                      PlaceCase{"SavedOnScreen", QPoint(200, 150), {kLeft}, QPoint(200, 150)},
                      PlaceCase{"SavedOnTheSecondScreen", QPoint(2500, 300), {kLeft, kRight}, QPoint(2500, 300)},
                      PlaceCase{"SecondScreenGone", QPoint(2500, 300), {kLeft}, kCentred},
                      PlaceCase{"TitleAboveTheScreen", QPoint(200, -400), {kLeft}, kCentred},
                      PlaceCase{"OnlyACornerLeftOnScreen", QPoint(1900, 100), {kLeft}, kCentred},
                      PlaceCase{"PartlyOffTheLeftEdge", QPoint(-300, 100), {kLeft}, QPoint(-300, 100)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WindowPlacementFileTest, ASavedPlaceIsReadBackAndADamagedFileReadsAsNone)
{
    test::IsolatedHome home;
    EXPECT_FALSE(windowplacement::load().has_value());
    ASSERT_TRUE(windowplacement::save(QPoint(-40, 1200)));
    EXPECT_TRUE(windowplacement::filePath().startsWith(home.stateHome()));
    EXPECT_EQ(windowplacement::load(), QPoint(-40, 1200));

    for (const QByteArray &damaged : {QByteArray("12"), QByteArray("a b"), QByteArray("1 2 3"), QByteArray(4096, '7')}) {
        QFile file(windowplacement::filePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged);
        file.close();
        EXPECT_FALSE(windowplacement::load().has_value()) << damaged.left(20).toStdString();
    }
}

} // namespace
} // namespace tavolin
