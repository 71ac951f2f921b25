// A row whose menu item the application destroyed after the palette read it: performing it tells the user it did not
// reach the application (a notification, served here by the test), and the application runs nothing. The Qt
// fixture's File > Reload replaces its File > Recent items with new ones of the same titles; `tavolin-menu perform`
// presses Reload while the panel is open.
#include "EndToEndTest.h"
#include "NotificationServer.h"

namespace tavolin::test {
namespace {

using PressFailureEndToEnd = EndToEndTest;

TEST_F(PressFailureEndToEnd, ARowWhoseItemIsGoneIsReportedAndRunsNothing)
{
    NotificationServer notifications;
    ASSERT_TRUE(notifications.start()) << "cannot serve org.freedesktop.Notifications on the session bus";
    const std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
    ASSERT_NO_FATAL_FAILURE(startPaletteOver(fixture.get(), window, palette));
    ASSERT_TRUE(palette);
    ASSERT_TRUE(activate(*window));
    ASSERT_TRUE(pressPaletteShortcut());
    ASSERT_TRUE(waitForPanel(*palette, [](const PanelContent &panel) { return panel.rows.contains(QStringLiteral("Alpha")); }))
        << panelAndLog(*palette);

    // The application changes its menus under the open panel.
    const MenuToolRun reload =
        runMenuTool({QStringLiteral("perform"), QStringLiteral("File > Reload"), QStringLiteral("--pid"), QString::number(fixture->pid())});
    ASSERT_EQ(reload.code, 0) << reload.err.toStdString();
    ASSERT_TRUE(fixture->waitForLogLine(QStringLiteral("triggered File > Reload")));

    ASSERT_TRUE(type(QStringLiteral("alpha")));
    const std::optional<PanelContent> ranked = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input == QLatin1String("alpha") && !panel.rows.isEmpty();
    });
    ASSERT_TRUE(ranked) << panelNow(*palette);
    ASSERT_EQ(ranked->rows.first(), QStringLiteral("Alpha")) << describe(ranked).toStdString();
    ASSERT_TRUE(pressReturn());

    EXPECT_TRUE(waitFor([&] { return !notifications.shown().isEmpty(); }, 10s))
        << "no notification\n" << palette->log().toStdString();
    EXPECT_EQ(notifications.shown(),
              QStringList{QStringLiteral("Error on \"Alpha\": the menu item is gone: the application changed its menus or quit")});
    EXPECT_FALSE(fixture->logLines().contains(QStringLiteral("triggered File > Recent > Alpha")));
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
