// The hot key through XTest, the panel read over AT-SPI as a screen reader sees it, typing, and Return performing a
// command in Mousepad (GTK) and in the Qt fixture, whose log shows every triggered item.
#include "EndToEndTest.h"

namespace tavolin::test {
namespace {

const QString kFixtureBundle = QStringLiteral("tavolin-menu-fixture");

using PaletteEndToEnd = MousepadJourney;

TEST_F(PaletteEndToEnd, GtkApplicationMenusAreListedRankedAndPerformed)
{
    ASSERT_TRUE(mousepad && palette);
    ASSERT_TRUE(activate(*window));

    ASSERT_TRUE(pressPaletteShortcut());
    // Menus arrive one after another: wait until the File menu leads the list, its first command selected.
    std::optional<PanelContent> content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input.isEmpty() && panel.rows.contains(QStringLiteral("New Window"))
            && panel.rows.value(0) == QLatin1String("New") && panel.selected == 0;
    });
    ASSERT_TRUE(content) << "expected File > New first and selected, New Window listed; the panel shows:\n"
                         << panelAndLog(*palette);

    ASSERT_TRUE(type(QStringLiteral("new wind")));
    // The typed text shows before its ranking does: wait for the ranking itself.
    content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input == QLatin1String("new wind") && panel.rows.value(0) == QLatin1String("New Window")
            && panel.selected == 0;
    });
    ASSERT_TRUE(content) << "expected New Window first and selected; the panel shows:\n" << panelNow(*palette);

    ASSERT_TRUE(pressReturn());
    // The command's effect, seen through AT-SPI: Mousepad has a second window.
    EXPECT_TRUE(waitFor([&] { return PanelProbe::frameCount(mousepad->pid()) == 2; }, 10s))
        << "frames: " << PanelProbe::frameCount(mousepad->pid()) << "\n" << palette->log().toStdString();
    EXPECT_TRUE(waitFor([] { return !panelWindowVisible(); }, 5s)) << "the panel stayed open";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

struct FixtureCase
{
    const char *name;
    QString rule;
    QString query;           // typed once the panel shows; empty when no panel is expected
    QString firstRow;        // the best row for the query
    QString effect;          // the fixture's log line that must appear
};

// Test listings name the row, not its bytes.
void PrintTo(const FixtureCase &row, std::ostream *out) { *out << row.name; }

class FixtureEndToEnd : public EndToEndTest, public ::testing::WithParamInterface<FixtureCase>
{
};

TEST_P(FixtureEndToEnd, ShortcutOverTheFixture)
{
    const FixtureCase &row = GetParam();
    const std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    const std::optional<QString> window = windowOfStarted(fixture.get());
    ASSERT_TRUE(window);
    const std::unique_ptr<PaletteRun> palette = startPalette(settingsWithFixtureRule(row.rule));
    ASSERT_TRUE(palette);
    ASSERT_TRUE(activate(*window));

    ASSERT_TRUE(pressPaletteShortcut());
    if (row.query.isEmpty()) {
        // Handed on: the fixture's own Ctrl+Shift+P command runs and no panel opens.
        EXPECT_TRUE(fixture->waitForLogLine(row.effect, 10000))
            << linesOf(*fixture) << "\n" << palette->log().toStdString();
        EXPECT_TRUE(palette->log().contains(QStringLiteral("rule for %1 is %2").arg(kFixtureBundle, row.rule)));
        EXPECT_FALSE(panelWindowVisible());
        EXPECT_EQ(palette->stopAndReportFaults(), QString());
        return;
    }

    std::optional<PanelContent> content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.rows.contains(QStringLiteral("Save As…"));
    });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    ASSERT_TRUE(type(row.query));
    // Submenus may still be arriving and re-ranking the list: wait for the best row itself, selected.
    content = waitForPanel(*palette, [&](const PanelContent &panel) {
        return panel.input == row.query && panel.rows.value(0) == row.firstRow && panel.selected == 0;
    });
    ASSERT_TRUE(content) << "expected " << row.firstRow.toStdString() << " first and selected; the panel shows:\n"
                         << panelNow(*palette);

    ASSERT_TRUE(pressReturn());
    EXPECT_TRUE(fixture->waitForLogLine(row.effect, 10000))
        << linesOf(*fixture) << "\n" << palette->log().toStdString();
    EXPECT_TRUE(waitFor([] { return !panelWindowVisible(); }, 5s)) << "the panel stayed open";
    // The palette kept its shortcut: the fixture's own Ctrl+Shift+P command never ran.
    EXPECT_FALSE(fixture->logLines().contains(QStringLiteral("triggered Edit > Command Palette")));
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FixtureEndToEnd,
    ::testing::Values(
        FixtureCase{"AllowedApplicationGetsThePanelAndTheChosenSubmenuCommandRuns", QStringLiteral("allow"),
                    QStringLiteral("gamma"), QStringLiteral("Gamma"),
                    QStringLiteral("triggered File > Recent > More > Gamma")},
        // Its second menu (Edit) uses the palette's key: past the first menu the application keeps it.
        FixtureCase{"AutoApplicationWithThePaletteKeyInItsSecondMenuReceivesTheKey", QStringLiteral("auto"), QString(),
                    QString(), QStringLiteral("triggered Edit > Command Palette")},
        FixtureCase{"DisabledApplicationReceivesTheKeyCombinationItself", QStringLiteral("disabled"), QString(),
                    QString(), QStringLiteral("triggered Edit > Command Palette")}),
    [](const ::testing::TestParamInfo<FixtureCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin::test
