#include "platform/linux/PortalTrigger.h"

#include "common/KeyCodeHelper.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

// From the value a user's settings hold to the trigger the portal is asked for: the portal reads key names
// as X keysym names, so a letter must be lower case and a named key spelt the keysym's way.
TEST(PortalTriggerTest, SpellsTheStoredShortcutAsAKeysymTrigger)
{
    const std::pair<const char *, const char *> cases[] = {
        {"cmd+shift+p", "CTRL+SHIFT+p"}, // the default palette key
        {"super+alt+space", "ALT+LOGO+space"},
        {"ctrl+alt+space", "ALT+LOGO+space"}, // the older spelling of Super
        {"cmd+super+alt+shift+k", "CTRL+ALT+SHIFT+LOGO+k"},
        {"f5", "F5"},
        {"Ctrl+Page Up", "CTRL+Prior"},
        {"cmd+alt+shift+↩", "CTRL+ALT+SHIFT+Return"},
        {"cmd+,", "CTRL+comma"},
        {"cmd+shift+[", "CTRL+SHIFT+bracketleft"},
        {"super+1", "LOGO+1"},
    };
    for (const auto &[stored, trigger] : cases) {
        const std::optional<Shortcut> shortcut = KeyCodeHelper::deserializeShortcut(QString::fromUtf8(stored));
        ASSERT_TRUE(shortcut) << stored;
        EXPECT_EQ(portalTriggerFor(*shortcut), QString::fromUtf8(trigger)) << stored;
    }
}

} // namespace
} // namespace tavolin
