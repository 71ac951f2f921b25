// Walking the Qt fixture's submenus: "rec" and Tab enter File > Recent, listing its commands alone; Ctrl+Z goes back
// up with "rec" typed again; Backspace in the empty input goes back to every command, and Ctrl+Z undoes that too;
// Return on the submenu More enters it, and Return on its Gamma performs it.
#include "EndToEndTest.h"

namespace tavolin::test {
namespace {

const QString kSaveAs = QStringLiteral("Save As…");

using DrillDownJourney = FixtureJourney;

TEST_F(DrillDownJourney, TabEntersTheHintedSubmenuBackspaceLeavesItAndReturnEntersAndPerforms)
{
    std::optional<PanelContent> content =
        openOver(*palette, *window, [](const PanelContent &panel) { return panel.rows.contains(kSaveAs); });
    ASSERT_TRUE(content) << panelAndLog(*palette);

    ASSERT_TRUE(type(QStringLiteral("rec")));
    ASSERT_TRUE(waitForPanel(*palette, [](const PanelContent &panel) { return panel.input == QLatin1String("rec"); }))
        << panelNow(*palette);
    ASSERT_TRUE(pressKey(QStringLiteral("Tab")));
    const QStringList recent{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("More"), QStringLiteral("Gamma")};
    content = waitForPanel(*palette, [&](const PanelContent &panel) { return panel.input.isEmpty() && panel.rows == recent; });
    ASSERT_TRUE(content) << "Tab on the hint Recent: " << panelNow(*palette);
    const auto inRecent = [&](const PanelContent &panel) { return panel.input.isEmpty() && panel.rows == recent; };
    const auto atTop = [](const PanelContent &panel) {
        return panel.input.isEmpty() && panel.rows.contains(kSaveAs) && panel.rows.value(0) == QLatin1String("New");
    };

    // Undo takes each move back: out of Recent with the text typed before it, then into Recent again.
    ASSERT_TRUE(pressKey(QStringLiteral("ctrl+z")));
    content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input == QLatin1String("rec") && panel.rows.value(0) == QLatin1String("Recent");
    });
    EXPECT_TRUE(content) << "Ctrl+Z inside Recent: " << panelNow(*palette);
    ASSERT_TRUE(pressKey(QStringLiteral("Tab")));
    EXPECT_TRUE(waitForPanel(*palette, inRecent)) << "Tab on the hint Recent again: " << panelNow(*palette);

    ASSERT_TRUE(pressKey(QStringLiteral("BackSpace")));
    EXPECT_TRUE(waitForPanel(*palette, atTop)) << "Backspace at the start of the empty input: " << panelNow(*palette);
    ASSERT_TRUE(pressKey(QStringLiteral("ctrl+z")));
    EXPECT_TRUE(waitForPanel(*palette, inRecent)) << "Ctrl+Z after Backspace left Recent: " << panelNow(*palette);
    ASSERT_TRUE(pressKey(QStringLiteral("BackSpace")));
    EXPECT_TRUE(waitForPanel(*palette, atTop)) << "Backspace out of Recent again: " << panelNow(*palette);

    ASSERT_TRUE(type(QStringLiteral("more")));
    content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input == QLatin1String("more") && panel.selected == 0 && panel.rows.value(0) == QLatin1String("More");
    });
    ASSERT_TRUE(content) << panelNow(*palette);
    ASSERT_TRUE(pressReturn());
    content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input.isEmpty() && panel.rows == QStringList{QStringLiteral("Gamma")};
    });
    EXPECT_TRUE(content) << "Return on the submenu More: " << panelNow(*palette);
    ASSERT_TRUE(pressReturn());
    EXPECT_TRUE(fixture->waitForLogLine(QStringLiteral("triggered File > Recent > More > Gamma"), 10000))
        << linesOf(*fixture);
    EXPECT_TRUE(waitFor([] { return !panelWindowVisible(); }, 5s)) << "the panel stayed open";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
