// The palette over native Wayland applications: the compositor's own key binding runs `tavolin --show` (no
// global grab exists on Wayland), the panel floats over the focused application with the keyboard, lists its
// commands, and a typed command performs there. Escape hands the keyboard back to the application.
#include "EndToEndTest.h"
#include "WaylandJourney.h"

#include <QStandardPaths>

#include <algorithm>
#include <functional>

namespace tavolin::test {
namespace {

struct OverApplication
{
    const char *name;
    std::function<std::unique_ptr<TestApp>()> start;
    QString rule;  // the palette's rule for the application, empty for its built-in one
    QString query; // typed into the panel
    QString best;  // the row it ranks first
    // Whether the command took effect, as a person would see it; waits (bounded) for it.
    std::function<bool(TestApp &)> performed;
};

const OverApplication kApplications[] = {
    {"Mousepad", [] { return TestApp::start(QStringLiteral("mousepad"), {}); }, QString(),
     QStringLiteral("new window"), QStringLiteral("New Window"),
     // Counted as the compositor shows them: a test run as root cannot read a GTK application of another user
     // over AT-SPI (its bridge lets only its own user onto its socket).
     [](TestApp &app) { return waitFor([&] { return compositorWindowsOf(app.pid()) == 2; }, std::chrono::seconds(10)); }},
    {"QtFixture", [] { return TestApp::startFixture(); }, QStringLiteral("allow"), QStringLiteral("save as"),
     QStringLiteral("Save As…"),
     [](TestApp &app) { return app.waitForLogLine(QStringLiteral("triggered File > Save As…"), 10000); }},
};

void PrintTo(const OverApplication &over, std::ostream *out) { *out << over.name; }

class WaylandPaletteJourney : public WaylandJourney, public ::testing::WithParamInterface<OverApplication>
{
};

TEST_P(WaylandPaletteJourney, BoundKeyOpensThePanelAndATypedCommandPerforms)
{
    const OverApplication &over = GetParam();
    if (QString::fromLatin1(over.name) == QLatin1String("Mousepad")
        && QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
        GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
    std::unique_ptr<TestApp> app = over.start();
    ASSERT_TRUE(app && waitForWindowOf(app->pid()));
    std::unique_ptr<PaletteRun> palette = startPalette(settingsWithFixtureRule(over.rule));
    ASSERT_TRUE(palette);
    ASSERT_TRUE(bindPaletteKey(*palette));

    ASSERT_TRUE(focusApplication(app->pid()));
    ASSERT_TRUE(wtype({QStringLiteral("-M"), QStringLiteral("ctrl"), QStringLiteral("-M"), QStringLiteral("shift"),
                       QStringLiteral("p"), QStringLiteral("-m"), QStringLiteral("shift"), QStringLiteral("-m"),
                       QStringLiteral("ctrl")}));
    std::optional<PanelContent> content;
    const bool shown = waitFor(
        [&] {
            content = PanelProbe::panel(palette->pid());
            return focusedFloatingWindowOf(palette->pid()) && content && content->rows.contains(over.best);
        },
        std::chrono::seconds(15));
    ASSERT_TRUE(shown) << "panel: " << describe(content).toStdString() << "\nlog: " << palette->log().toStdString();
    EXPECT_TRUE(screenshot(QStringLiteral("wayland-panel-over-%1").arg(QLatin1String(over.name))));

    ASSERT_TRUE(wtype({over.query}));
    const bool ranked = waitFor(
        [&] {
            content = PanelProbe::panel(palette->pid());
            return content && content->input == over.query && !content->rows.isEmpty()
                && content->rows.first() == over.best && content->selected == 0;
        },
        std::chrono::seconds(10));
    ASSERT_TRUE(ranked) << describe(content).toStdString();
    ASSERT_TRUE(wtype({QStringLiteral("-k"), QStringLiteral("Return")}));
    EXPECT_TRUE(over.performed(*app)) << palette->log().toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

INSTANTIATE_TEST_SUITE_P(Wayland, WaylandPaletteJourney, ::testing::ValuesIn(kApplications),
                         [](const ::testing::TestParamInfo<OverApplication> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin::test
