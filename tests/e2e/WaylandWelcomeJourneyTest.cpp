// The first start in a Wayland session: the welcome window says how to bind the palette shortcut to
// `tavolin --show`, since no program can take it for itself there.
#include "EndToEndTest.h"
#include "WaylandJourney.h"

#include <QJsonObject>

#include <algorithm>

namespace tavolin::test {
namespace {

TEST_F(WaylandJourney, WelcomeWindowSaysHowToBindTheShortcut)
{
    std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject());
    ASSERT_TRUE(palette);
    QStringList shown;
    const auto advice = [&] {
        shown = PanelProbe::shownNames(palette->pid());
        return std::any_of(shown.begin(), shown.end(), [](const QString &name) {
            return name.contains(QLatin1String("Bind Ctrl+Shift+P to the command \"tavolin --show\""))
                && name.contains(QLatin1String("bindsym ctrl+shift+p exec tavolin --show"));
        });
    };
    EXPECT_TRUE(waitFor(advice, std::chrono::seconds(15))) << shown.join(QLatin1Char('\n')).toStdString();
}

} // namespace
} // namespace tavolin::test
