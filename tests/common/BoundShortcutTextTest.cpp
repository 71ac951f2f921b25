#include "common/BoundShortcutText.h"

#include "common/HotkeyBinder.h"
#include "common/KeyData.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "support/FakeHotkeyGrabber.h"
#include "support/IsolatedHome.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavolin {
namespace {

const QString kPalette = QString(settings::kPaletteShortcut);
const QString kText = QString(settings::kPaletteShortcutString);
const QString kDomain = QStringLiteral("io.quorvane.Tavolin.BoundShortcutTextTest");

class BoundShortcutTextTest : public ::testing::Test
{
public: // the steps below act on the members
    void SetUp() override
    {
        settings.setValue(kPalette, QStringLiteral("cmd+shift+p"));
        binder.bindShortcutWithDefaultsKey(kPalette, [] {});
    }

    // The text the menu check compares: what the key's change by another writer must be followed by.
    QString storedText() const { return settings.stringValue(kText); }

    test::IsolatedHome home;
    SettingsDomain settings{kDomain};
    test::FakeHotkeyGrabber grabber;
    HotkeyBinder binder{settings, grabber};
    BoundShortcutText text{settings, binder, kPalette, kText};
};

TEST_F(BoundShortcutTextTest, FollowsEveryChangeWhoeverMadeIt)
{
    struct Step
    {
        const char *name;
        std::function<void(BoundShortcutTextTest &)> act;
        QString expected;
    };
    const Step steps[] = {
        {"at start", [](BoundShortcutTextTest &) {}, QStringLiteral("⇧⌘P")},
        {"changed by the other program, text left stale",
         [](BoundShortcutTextTest &t) {
             SettingsDomain preferences(kDomain);
             preferences.setValue(kPalette, QStringLiteral("cmd+shift+n"));
             t.settings.reload();
         },
         QStringLiteral("⇧⌘N")},
        {"a stale text written afterwards",
         [](BoundShortcutTextTest &t) {
             SettingsDomain preferences(kDomain);
             preferences.setValue(kText, QStringLiteral("⇧⌘P"));
             t.settings.reload();
         },
         QStringLiteral("⇧⌘N")},
        {"edited by hand in Linux names", [](BoundShortcutTextTest &t) { t.settings.setValue(kPalette, QStringLiteral("Ctrl+Alt+K")); },
         QStringLiteral("⌥⌘K")},
        {"a change that cannot be registered keeps the text of the kept shortcut",
         [](BoundShortcutTextTest &t) {
             const Shortcut taken = *KeyData::keyDataFromString(QStringLiteral("ctrl+alt+t"))->toShortcut();
             t.grabber.takenElsewhere(taken);
             t.settings.setValue(kPalette, QStringLiteral("cmd+alt+t"));
         },
         QStringLiteral("⌥⌘K")},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        step.act(*this);
        EXPECT_EQ(storedText(), step.expected);
        EXPECT_EQ(binder.shortcutForKey(kPalette)->description(), step.expected);
    }

    settings.remove(kPalette);
    EXPECT_FALSE(settings.contains(kText)) << "no shortcut registered: nothing for the menus to match";
}

} // namespace
} // namespace tavolin
