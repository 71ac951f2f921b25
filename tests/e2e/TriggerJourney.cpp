#include "TriggerJourney.h"

namespace tavolin::test {

void TriggerJourney::startOverFixture(const QStringList &options, const QString &rule)
{
    fixture = TestApp::startFixture(QStringLiteral("tavolin-menu-fixture"), options);
    const std::optional<QString> window = windowOfStarted(fixture.get());
    ASSERT_TRUE(window);
    palette = startPalette(settingsWithFixtureRule(rule));
    ASSERT_TRUE(palette);
    if (!activate(*window)) {
        palette.reset();
        FAIL() << "the fixture's window could not be activated";
    }
}

void TriggerJourney::performFromPanel(const PaletteRun &palette, const QString &query)
{
    ASSERT_TRUE(type(query));
    const std::optional<PanelContent> content = waitForPanel(palette, [&](const PanelContent &panel) {
        return panel.input == query && !panel.rows.isEmpty() && panel.selected == 0;
    });
    ASSERT_TRUE(content) << panelNow(palette);
    ASSERT_TRUE(pressReturn());
}

} // namespace tavolin::test
