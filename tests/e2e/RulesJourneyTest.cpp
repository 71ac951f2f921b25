// The Qt fixture's rules changed while the palette runs, stored as the preferences program's rule panes store them
// (Settings::put under the panes' keys and form; driving their pop-ups over XTest is not steady enough): a menu rule
// hides Tools at the next show; "Leave to the application" hands Ctrl+Shift+P to the fixture's own Command Palette
// and no panel opens; "Open the palette" opens it again.
#include "EndToEndTest.h"
#include "MousepadRun.h"
#include "PreferencesSide.h"

#include "common/SettingsKeys.h"

#include <QJsonArray>

namespace tavolin::test {
namespace {

const QString kSaveAs = QStringLiteral("Save As…");
const QString kZoomIn = QStringLiteral("Zoom In"); // in Tools
const QString kOwnCommand = QStringLiteral("triggered Edit > Command Palette");

// The App Rules pane's row for the fixture with `rule` chosen in its pop-up.
QJsonArray fixtureAppRule(const QString &rule)
{
    return QJsonArray{QJsonValue(QJsonArray{QStringLiteral("tavolin-menu-fixture"), rule, QStringLiteral("Fixture")})};
}

using RulesJourney = FixtureJourney;

TEST_F(RulesJourney, MenuRuleHidesAMenuDisabledHandsTheShortcutOnAllowOpensThePanelAgain)
{
    std::optional<PanelContent> content = openOver(*palette, *window, [](const PanelContent &panel) {
        return panel.rows.contains(kSaveAs) && panel.rows.contains(kZoomIn);
    });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());

    const SameFoldersAs folders(*palette);
    PreferencesSide prefs;
    // Menu Rules pane: the fixture, menu "Tools", "Hide: The whole menu, unread" (option 2).
    ASSERT_TRUE(prefs.settings.put(
        QJsonObject{{QStringLiteral("tavolin-menu-fixture.app"), QJsonArray{QJsonValue(QJsonArray{QStringLiteral("Tools"), 2})}}},
        settings::kMenuRules));
    ASSERT_TRUE(waitFor([&] { return activeWindow() == window; }, 5s)) << "the focus did not return";
    content = openOver(*palette, *window, [](const PanelContent &panel) {
        return panel.rows.contains(kSaveAs) && !panel.rows.contains(kZoomIn);
    });
    EXPECT_TRUE(content) << "after hiding Tools: " << panelNow(*palette);
    ASSERT_TRUE(closePanel());
    ASSERT_TRUE(waitFor([&] { return activeWindow() == window; }, 5s)) << "the focus did not return";

    // App Rules pane: the fixture's pop-up set to "Leave to the application".
    const int ruledBefore = palette->countInLog(QStringLiteral("rule for tavolin-menu-fixture is disabled"));
    ASSERT_TRUE(prefs.settings.put(fixtureAppRule(QStringLiteral("disabled")), settings::kAppRules));
    // The change reaches the running palette through its settings watcher, a moment later: until it has, a
    // press still opens the panel, which is closed again before the next press.
    const bool handedOn = waitFor(
        [&] {
            if (panelWindowVisible() && !closePanel())
                return false;
            return activate(*window) && pressPaletteShortcut() && fixture->waitForLogLine(kOwnCommand, 1500);
        },
        15s);
    EXPECT_TRUE(handedOn) << linesOf(*fixture) << "\n" << palette->log().toStdString();
    EXPECT_GT(palette->countInLog(QStringLiteral("rule for tavolin-menu-fixture is disabled")), ruledBefore);
    EXPECT_FALSE(panelWindowVisible());

    // "Open the palette".
    ASSERT_TRUE(prefs.settings.put(fixtureAppRule(QStringLiteral("allow")), settings::kAppRules));
    // Until the palette has read the change, a press still goes to the fixture.
    content = openOverOnceTaken(*palette, *window, [](const PanelContent &panel) { return panel.rows.contains(kSaveAs); });
    EXPECT_TRUE(content) << "after allowing again: " << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

// A rule the App Rules pane stored under Mousepad's executable name, before applications were named by their
// desktop id ("org.xfce.mousepad"), still holds: "Leave to the application" keeps the panel away.
TEST_F(EndToEndTest, ARuleStoredUnderTheExecutableNameStillHolds)
{
    if (!Mousepad::installed())
        GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
    std::optional<QString> window;
    const std::unique_ptr<TestApp> mousepad = startMousepad(window);
    ASSERT_TRUE(mousepad && window);
    QJsonObject settings = settingsWithFixtureRule(QString());
    settings.insert(QString(settings::kAppRules),
                    QJsonArray{QJsonValue(QJsonArray{QStringLiteral("mousepad"), QStringLiteral("disabled"), QStringLiteral("Mousepad")})});
    const std::unique_ptr<PaletteRun> palette = startPalette(settings);
    ASSERT_TRUE(palette);

    const QString ruled = QStringLiteral("rule for mousepad is disabled");
    // Pressed again until the palette holds the key: right after start it may not yet.
    const bool handedOn = waitFor(
        [&] { return activate(*window) && pressPaletteShortcut() && waitFor([&] { return palette->countInLog(ruled) > 0; }, 1500ms); },
        15s);
    EXPECT_TRUE(handedOn) << palette->log().toStdString();
    EXPECT_FALSE(panelWindowVisible());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
