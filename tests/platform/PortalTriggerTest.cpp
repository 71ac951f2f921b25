#include "platform/linux/PortalTrigger.h"

#include "common/KeyCodeHelper.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

// From the value a user's settings hold to the trigger the portal is asked for: the portal reads key names
// as X keysym names, so a letter must be lower case and a named key spelt the keysym's way.
struct TriggerCase
{
    const char *name;
    const char *stored;
    std::optional<QString> trigger;
};

void PrintTo(const TriggerCase &c, std::ostream *os)
{
    *os << c.name;
}

class PortalTriggerTest : public testing::TestWithParam<TriggerCase> {};

TEST_P(PortalTriggerTest, SpellsTheStoredShortcutAsAKeysymTrigger)
{
    const TriggerCase &c = GetParam();
    const std::optional<Shortcut> shortcut = KeyCodeHelper::deserializeShortcut(QString::fromUtf8(c.stored));
    ASSERT_TRUE(shortcut) << c.stored;
    EXPECT_EQ(portalTriggerFor(*shortcut), c.trigger);
}

INSTANTIATE_TEST_SUITE_P(
    StoredShortcuts, PortalTriggerTest,
    testing::Values(
        TriggerCase{"DefaultPaletteKey", "cmd+shift+p", QStringLiteral("CTRL+SHIFT+p")},
        TriggerCase{"SuperAltSpace", "super+alt+space", QStringLiteral("ALT+LOGO+space")},
        TriggerCase{"OlderSuperSpelling", "ctrl+alt+space", QStringLiteral("ALT+LOGO+space")},
        TriggerCase{"EveryModifier", "cmd+super+alt+shift+k", QStringLiteral("CTRL+ALT+SHIFT+LOGO+k")},
        TriggerCase{"FunctionKeyAlone", "f5", QStringLiteral("F5")},
        TriggerCase{"PageUpIsPrior", "Ctrl+Page Up", QStringLiteral("CTRL+Prior")},
        TriggerCase{"ReturnGlyph", "cmd+alt+shift+↩", QStringLiteral("CTRL+ALT+SHIFT+Return")},
        TriggerCase{"PunctuationByName", "cmd+,", QStringLiteral("CTRL+comma")},
        TriggerCase{"BracketByName", "cmd+shift+[", QStringLiteral("CTRL+SHIFT+bracketleft")},
        TriggerCase{"DigitKey", "super+1", QStringLiteral("LOGO+1")}),
    [](const testing::TestParamInfo<TriggerCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
