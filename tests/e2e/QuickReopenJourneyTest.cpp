// Escape and the hot key again at once, over and over (the wrong application was under the panel, or a fresh
// search): over Mousepad every press opens the panel again with the keyboard and Mousepad's commands. Both keys go
// out in one XTest burst, so the hot key arrives while the focus is still on its way back to Mousepad.
#include "EndToEndTest.h"

namespace tavolin::test {
namespace {

constexpr int kReopens = 20;
const QString kShown = QStringLiteral("show window after");

bool listsMousepad(const PanelContent &panel)
{
    return panel.input.isEmpty() && panel.rows.contains(QStringLiteral("New Window"));
}

using QuickReopenJourney = MousepadJourney;

TEST_F(QuickReopenJourney, EscapeThenTheHotKeyAtOnceOpensThePanelEveryTime)
{
    ASSERT_TRUE(mousepad && palette);
    ASSERT_TRUE(openOver(*palette, *window, listsMousepad)) << panelAndLog(*palette);

    for (int press = 1; press <= kReopens; ++press) {
        const int shownBefore = palette->countInLog(kShown);
        ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("0"), QStringLiteral("Escape"),
                                QStringLiteral("ctrl+shift+p")}));
        // A new show, not the panel of the last one still up: the log counts the shows.
        const bool shownAgain = palette->waitForLog(kShown, 5000, shownBefore);
        const std::optional<PanelContent> content = shownAgain ? waitForPanel(*palette, listsMousepad, 5s) : std::nullopt;
        ASSERT_TRUE(content) << "press " << press << " of " << kReopens << " brought no panel; it shows:\n"
                             << panelAndLog(*palette);
    }
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
