#include "platform/linux/X11Keys.h"

#include "common/SafeKeyCodeString.h"

#include <X11/keysym.h>

#include <gtest/gtest.h>

namespace tavolin::x11 {
namespace {

constexpr int64_t kCmd = 0; // Command (Ctrl here) alone
constexpr int64_t kNone = keymask::kNoCommand;

struct BindingCase
{
    const char *name;
    const char *text;
    const char *title;
    std::optional<KeyData> expected;
};

void PrintTo(const BindingCase &c, std::ostream *os)
{
    *os << c.name;
}

class GtkBindingTest : public testing::TestWithParam<BindingCase> {};

TEST_P(GtkBindingTest, MapsTheAcceleratorField)
{
    const BindingCase &c = GetParam();
    EXPECT_EQ(keyDataFromGtkKeyBinding(QString::fromUtf8(c.text)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bindings, GtkBindingTest,
    testing::Values(
        BindingCase{"PrimaryLetter", "n;<Alt>f:n;<Primary>n", "", KeyData(QStringLiteral("N"), 0, kCmd)},
        BindingCase{"ShiftDeleteIsVirtualKey", "l;<Alt>e:l;<Primary><Shift>Delete", "",
                    KeyData(std::nullopt, keycode::kForwardDelete, kCmd | keymask::kShift)},
        BindingCase{"FunctionKeyWithoutModifiers", "f;<Alt>v:f;F11", "", KeyData(std::nullopt, 103, kNone)},
        BindingCase{"AltDigit", ";;<Alt>1", "", KeyData(QStringLiteral("1"), 0, kNone | keymask::kOption)},
        BindingCase{"MenuTitleHasOnlyMnemonics", "<Alt>f;<Alt>f;", "", std::nullopt},
        BindingCase{"ControlSpelledOut", ";;<Control>q", "", KeyData(QStringLiteral("Q"), 0, kCmd)},
        BindingCase{"LetterAIsKeptAsCharacter", ";;<Primary>a", "", KeyData(QStringLiteral("A"), 0, kCmd)},
        BindingCase{"ShiftedSymbolKeepsItsCharacter", ";;<Primary>plus", "", KeyData(QStringLiteral("+"), 0, kCmd)},
        BindingCase{"SuperIsControlBit", ";;<Super>Return", "",
                    KeyData(std::nullopt, keycode::kReturn, kNone | keymask::kControl)},
        BindingCase{"UnknownModifierRefused", ";;<Hyperdrive>x", "", std::nullopt},
        BindingCase{"UnknownKeyNameRefused", ";;<Primary>NotAKey", "", std::nullopt},
        BindingCase{"TooFewFields", "<Primary>n", "", std::nullopt},
        BindingCase{"Empty", "", "", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

class QtBindingTest : public testing::TestWithParam<BindingCase> {};

TEST_P(QtBindingTest, MapsPortableText)
{
    const BindingCase &c = GetParam();
    EXPECT_EQ(keyDataFromQtKeyBinding(QString::fromUtf8(c.text), QString::fromUtf8(c.title)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bindings, QtBindingTest,
    testing::Values(
        BindingCase{"CtrlShiftP", "Ctrl+Shift+P", "Command Palette",
                    KeyData(QStringLiteral("P"), 0, kCmd | keymask::kShift)},
        BindingCase{"CtrlPlus", "Ctrl++", "Zoom In", KeyData(QStringLiteral("+"), 0, kCmd)},
        BindingCase{"F5Alone", "F5", "Reload", KeyData(std::nullopt, keycode::kF5, kNone)},
        BindingCase{"DelAbbreviation", "Ctrl+Del", "Delete", KeyData(std::nullopt, keycode::kForwardDelete, kCmd)},
        BindingCase{"PgDown", "Alt+PgDown", "Next", KeyData(std::nullopt, keycode::kPageDown, kNone | keymask::kOption)},
        BindingCase{"MnemonicOfTitleIsNoShortcut", "Alt+F", "File", std::nullopt},
        BindingCase{"AltLetterNotInTitleIsShortcut", "Alt+X", "File",
                    KeyData(QStringLiteral("X"), 0, kNone | keymask::kOption)},
        BindingCase{"MetaIsControlBit", "Meta+Space", "Complete",
                    KeyData(std::nullopt, keycode::kSpace, kNone | keymask::kControl)},
        BindingCase{"OnlyFirstSequence", "Ctrl+S, Ctrl+X", "Save", KeyData(QStringLiteral("S"), 0, kCmd)},
        BindingCase{"UnknownModifierRefused", "Hyper+S", "Save", std::nullopt},
        BindingCase{"ModifiersWithoutKeyRefused", "Ctrl+", "Save", std::nullopt},
        BindingCase{"Empty", "", "Save", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(X11KeysTest, EveryNamedKeyCodeRoundTripsThroughItsKeysym)
{
    int named = 0;
    for (int64_t code = 0; code < 128; ++code) {
        if (SafeKeyCodeString::stringForKeyCode(code).isEmpty())
            continue;
        ++named;
        const std::optional<uint32_t> keysym = keysymForKeyCode(code);
        ASSERT_TRUE(keysym) << "code " << code;
        EXPECT_EQ(keyCodeForKeysym(*keysym), code) << "code " << code;
    }
    EXPECT_GT(named, 90);
}

TEST(X11KeysTest, UpperCaseLettersAndBacktabMapToTheirKeys)
{
    EXPECT_EQ(keyCodeForKeysym(XK_P), keycode::kP);
    EXPECT_EQ(keyCodeForKeysym(XK_ISO_Left_Tab), keycode::kTab);
    EXPECT_EQ(keyCodeForKeysym(XK_plus), std::nullopt);
}

TEST(X11KeysTest, ModifierFlagsRoundTripAndIgnoreLockBits)
{
    const uint64_t all = eventflag::kShift | eventflag::kCommand | eventflag::kOption | eventflag::kControl;
    EXPECT_EQ(x11ModifiersForFlags(all), kShiftMask | kControlMask | kMod1Mask | kMod4Mask);
    EXPECT_EQ(flagsForX11Modifiers(x11ModifiersForFlags(all)), all);
    EXPECT_EQ(flagsForX11Modifiers(kLockMask | (1u << 4)), 0u); // Caps Lock and Num Lock (Mod2)
    EXPECT_EQ(x11ModifiersForFlags(eventflag::kCommand), kControlMask);
}

TEST(X11KeysTest, BareModifierKeysymIsNoCombination)
{
    EXPECT_EQ(keyDataForKeysym(XK_Control_L, eventflag::kCommand), std::nullopt);
    EXPECT_EQ(keyDataForKeysym(0, 0), std::nullopt);
}

TEST(X11KeysTest, ReadShortcutComparesEqualToTheStoredPaletteShortcut)
{
    // The palette recognises its own shortcut in a menu by comparing identity texts.
    const std::optional<KeyData> fromMenu = keyDataFromQtKeyBinding(QStringLiteral("Ctrl+Shift+P"), QString());
    ASSERT_TRUE(fromMenu);
    const std::optional<KeyData> stored = KeyData::keyDataFromString(QStringLiteral("cmd+shift+p"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(fromMenu->toString(), stored->toString());
}

} // namespace
} // namespace tavolin::x11
