// The palette key changed while the palette runs over Mousepad, whose New Window is on Ctrl+Shift+N: what the
// palette learnt of Mousepad under one key does not decide under another. The key is saved as the preferences
// program saves a recorded shortcut.
#include "EndToEndTest.h"

#include "common/KeyCodeHelper.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/Shortcut.h"
#include "prefs/Settings.h"

namespace tavolin::test {
namespace {

const Shortcut kCtrlShiftP(35, eventflag::kCommand | eventflag::kShift);
const Shortcut kCtrlShiftN(45, eventflag::kCommand | eventflag::kShift);

class ShortcutChange : public MousepadJourney
{
protected:
    // Saves `shortcut` as the palette key into the palette run's settings, as the preferences program's
    // recorder does, and waits (bounded) until the palette has bound it.
    static void changePaletteKey(const PaletteRun &palette, const Shortcut &shortcut)
    {
        const int bindings = palette.countInLog(QStringLiteral("bound palette_shortcut"));
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", palette.configHome().toUtf8());
        {
            SettingsDomain domain;
            Settings prefs(domain);
            ASSERT_TRUE(prefs.put(KeyCodeHelper::serializeShortcut(shortcut), QString(settings::kPaletteShortcut)));
            prefs.put(shortcut.description(), QString(settings::kPaletteShortcutString));
        }
        qputenv("XDG_CONFIG_HOME", config);
        ASSERT_TRUE(palette.waitForLog(QStringLiteral("bound palette_shortcut"), 10000, bindings))
            << palette.log().toStdString();
    }
};

TEST_F(ShortcutChange, PToNAndBackKeepsThePaletteWorkingOverMousepad)
{
    ASSERT_TRUE(mousepad && palette);
    const auto panelWithMenus = [](const PanelContent &panel) { return panel.rows.contains(QStringLiteral("New Window")); };

    // Ctrl+Shift+P: Mousepad has no item on it, so the palette serves it (and remembers that).
    ASSERT_TRUE(activate(*window));
    ASSERT_TRUE(pressPaletteShortcut());
    ASSERT_TRUE(waitForPanel(*palette, panelWithMenus)) << panelAndLog(*palette);
    ASSERT_TRUE(closePanel()) << "Escape left the panel open";

    // Ctrl+Shift+N is New Window's: the key goes to Mousepad, which opens a second window, and no panel.
    changePaletteKey(*palette, kCtrlShiftN);
    ASSERT_TRUE(activate(*window));
    ASSERT_TRUE(pressKey(QStringLiteral("ctrl+shift+n")));
    EXPECT_TRUE(waitFor([&] { return PanelProbe::frameCount(mousepad->pid()) == 2; }, 10s))
        << "frames: " << PanelProbe::frameCount(mousepad->pid()) << "\n" << palette->log().toStdString();
    EXPECT_FALSE(panelWindowVisible());
    // The second window maps on screen after the accessibility bus lists it, and mapping moves the focus:
    // the palette is asked once both are shown and the first one holds the focus again.
    const auto shownWindows = [&] {
        const std::optional<QString> found = xdotool(
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(mousepad->pid())});
        return found ? found->split(QLatin1Char('\n'), Qt::SkipEmptyParts).size() : 0;
    };
    ASSERT_TRUE(waitFor([&] { return shownWindows() == 2; }, 10s)) << "Mousepad windows shown: " << shownWindows();

    // Back on Ctrl+Shift+P the palette serves Mousepad again.
    changePaletteKey(*palette, kCtrlShiftP);
    ASSERT_TRUE(activate(*window));
    ASSERT_TRUE(waitFor([&] { return activeWindow() == window; }, 5s)) << "the first window did not get the focus back";
    ASSERT_TRUE(pressPaletteShortcut());
    EXPECT_TRUE(waitForPanel(*palette, panelWithMenus)) << panelAndLog(*palette);
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
