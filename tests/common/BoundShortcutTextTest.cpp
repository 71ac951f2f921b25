#include "common/BoundShortcutText.h"

#include "CommonTestSupport.h"
#include "common/HotkeyBinder.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "support/FakeHotkeyGrabber.h"
#include "support/IsolatedHome.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

const QString kPalette = QString(settings::kPaletteShortcut);
const QString kText = QString(settings::kPaletteShortcutString);
const QString kDomain = u"io.quorvane.Tavolin.BoundShortcutTextTest"_qs;

// The stored text is what the menu check compares: it must follow the key whoever changed it.
TEST(BoundShortcutTextTest, FollowsEveryChangeWhoeverMadeIt)
{
    test::IsolatedHome home;
    SettingsDomain settings{kDomain};
    test::FakeHotkeyGrabber grabber;
    HotkeyBinder binder{settings, grabber};
    BoundShortcutText text{settings, binder, kPalette, kText};
    settings.setValue(kPalette, u"cmd+shift+p"_qs);
    binder.bindShortcutWithDefaultsKey(kPalette, [] {});
    EXPECT_EQ(settings.stringValue(kText), u"⇧⌘P"_qs);
    EXPECT_EQ(binder.shortcutForKey(kPalette)->description(), u"⇧⌘P"_qs);

    const struct { const char *name; bool byOtherProgram; QString key, value; const char *takenElsewhere; QString expected; } steps[] = {
        {"changed by the other program, text left stale", true, kPalette, u"cmd+shift+n"_qs, nullptr, u"⇧⌘N"_qs},
        {"a stale text written afterwards", true, kText, u"⇧⌘P"_qs, nullptr, u"⇧⌘N"_qs},
        {"edited by hand in Linux names", false, kPalette, u"Ctrl+Alt+K"_qs, nullptr, u"⌥⌘K"_qs},
        {"a change that cannot be registered keeps the text of the kept shortcut", false, kPalette, u"cmd+alt+t"_qs,
         "cmd+alt+t", u"⌥⌘K"_qs},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        if (step.takenElsewhere)
            grabber.takenElsewhere(test::shortcutOf(step.takenElsewhere));
        if (step.byOtherProgram) {
            SettingsDomain preferences(kDomain);
            preferences.setValue(step.key, step.value);
            settings.reload();
        } else {
            settings.setValue(step.key, step.value);
        }
        EXPECT_EQ(settings.stringValue(kText), step.expected);
        EXPECT_EQ(binder.shortcutForKey(kPalette)->description(), step.expected);
    }

    settings.remove(kPalette);
    EXPECT_FALSE(settings.contains(kText)) << "no shortcut registered: nothing for the menus to match";
}

} // namespace
} // namespace tavolin
