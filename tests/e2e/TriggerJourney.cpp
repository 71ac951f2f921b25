#include "TriggerJourney.h"

namespace tavolin::test {

void TriggerJourney::startOverFixture(const QStringList &options, const QString &rule)
{
    fixture = TestApp::startFixture(QStringLiteral("tavolin-menu-fixture"), options);
    ASSERT_TRUE(fixture) << "the Qt fixture did not start";
    const std::optional<QString> window = waitForWindowOf(fixture->pid());
    ASSERT_TRUE(window) << "the fixture showed no window";
    palette = startPalette(settingsWithFixtureRule(rule));
    if (!palette)
        return;
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
