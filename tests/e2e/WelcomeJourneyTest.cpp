// A first start over empty folders: the welcome window shows, a click (the mouse, not its keys) on "Get Started"
// closes it, and the hot key over the Qt fixture opens the panel with the fixture's commands.
#include "EndToEndTest.h"

#include <QJsonValue>

namespace tavolin::test {
namespace {

const QString kWelcomeTitle = QStringLiteral("Welcome to Tavolin");

using WelcomeJourney = EndToEndTest;

TEST_F(WelcomeJourney, FirstStartShowsTheWelcomeWindowAndAfterItThePaletteWorks)
{
    // File only: no item of its own on the palette key, so the built-in rules give the key to the palette.
    const std::unique_ptr<TestApp> fixture =
        TestApp::startFixture(QStringLiteral("tavolin-menu-fixture"), {QStringLiteral("--one-menu")});
    const std::optional<QString> window = windowOfStarted(fixture.get());
    ASSERT_TRUE(window);
    const std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject()); // no settings file, no data: a first start
    ASSERT_TRUE(palette);

    const auto welcomeShown = [] {
        return visibleWindowNamed(QLatin1Char('^') + kWelcomeTitle + QLatin1Char('$')).has_value();
    };
    ASSERT_TRUE(waitFor(welcomeShown, 15s)) << "no welcome window: " << palette->log().toStdString();
    std::optional<QPoint> button;
    ASSERT_TRUE(waitFor([&] { return (button = PanelProbe::buttonCentre(palette->pid(), QStringLiteral("Get Started"))).has_value(); }, 10s))
        << "no \"Get Started\" button: " << PanelProbe::frameTitles(palette->pid()).join(QLatin1Char(',')).toStdString();
    ASSERT_TRUE(click(*button));
    EXPECT_TRUE(waitFor([&] { return !welcomeShown(); }, 5s)) << "the welcome window stayed after Get Started";
    EXPECT_EQ(palette->storedSetting(QStringLiteral("skipWelcome")), QJsonValue(true));

    // The palette takes the hot key a moment after the welcome window showed.
    const std::optional<PanelContent> content =
        openOverOnceTaken(*palette, *window, [](const PanelContent &panel) { return panel.rows.contains(QStringLiteral("Save As…")); });
    EXPECT_TRUE(content) << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
