// After using the palette over an application with menus, `tavolin --show` over a window without a menu bar (as a
// header-bar application has) lists nothing, and certainly no command of the first application, which a Return would
// perform.
#include "EndToEndTest.h"

#include <QFile>
#include <QTemporaryDir>

namespace tavolin::test {
namespace {

const QString kPlainName = QStringLiteral("tavolin-plain-window");

using AppSwitchJourney = EndToEndTest;

TEST_F(AppSwitchJourney, WindowWithoutAMenuBarGetsAnEmptyPanelWithNoRowOfThePreviousApplication)
{
    // Another program: the palette knows an application's rules and desktop entry by its executable's name.
    QTemporaryDir bin;
    const QString plainProgram = bin.path() + QLatin1Char('/') + kPlainName;
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVOLIN_MENU_FIXTURE), plainProgram));
    const std::unique_ptr<TestApp> plain = TestApp::start(plainProgram, {QStringLiteral("--no-menu-bar")});
    ASSERT_TRUE(plain);
    const std::optional<QString> plainWindow = waitForWindowOf(plain->pid());
    ASSERT_TRUE(plainWindow) << "the plain window did not show";
    const std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    std::optional<QString> menusWindow;
    std::unique_ptr<PaletteRun> palette;
    startPaletteOver(fixture.get(), menusWindow, palette);
    ASSERT_TRUE(palette);

    // Listed and closed: the first application's rows are what the panel's lists hold last.
    std::optional<PanelContent> content = openOver(*palette, *menusWindow, [](const PanelContent &panel) {
        return panel.rows.contains(QStringLiteral("Save As…"));
    });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());
    // Closing hands the focus back to the application; moving on before that would lose it to the hand-back.
    ASSERT_TRUE(waitFor([&] { return activeWindow() == menusWindow; }, 5s)) << "the focus did not return";

    ASSERT_TRUE(activate(*plainWindow));
    // Its rule is looked up as the panel is prepared over it.
    const QString servedPlain = QStringLiteral("rule for %1 is").arg(kPlainName);
    ASSERT_TRUE(forceShow(*palette)) << "tavolin --show did not hand the request to the running palette";
    content = waitForPanel(*palette, [&](const PanelContent &panel) {
        return palette->log().contains(servedPlain) && panel.rows.isEmpty() && panel.input.isEmpty();
    });
    EXPECT_TRUE(content) << "over the window without menus: " << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
