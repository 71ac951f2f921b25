#include "platform/linux/X11Keys.h"

#include "common/SafeKeyCodeString.h"

#include <X11/keysym.h>

#include <gtest/gtest.h>

namespace tavolin::x11 {
namespace {

using namespace Qt::StringLiterals;

constexpr int64_t kCmd = 0; // Command (Ctrl here) alone
constexpr int64_t kNone = keymask::kNoCommand;

struct BindingCase
{
    const char *name;
    const char *text;
    const char *title;
    std::optional<KeyData> expected;
};

TEST(X11KeysTest, MapsTheGtkAcceleratorField)
{
    const BindingCase cases[] = {
        {"PrimaryLetter", "n;<Alt>f:n;<Primary>n", "", KeyData(u"N"_s, 0, kCmd)},
        {"ShiftDeleteIsVirtualKey", "l;<Alt>e:l;<Primary><Shift>Delete", "",
         KeyData(std::nullopt, keycode::kForwardDelete, kCmd | keymask::kShift)},
        {"FunctionKeyWithoutModifiers", "f;<Alt>v:f;F11", "", KeyData(std::nullopt, 103, kNone)},
        {"AltDigit", ";;<Alt>1", "", KeyData(u"1"_s, 0, kNone | keymask::kOption)},
        {"MenuTitleHasOnlyMnemonics", "<Alt>f;<Alt>f;", "", std::nullopt},
        {"ControlSpelledOut", ";;<Control>q", "", KeyData(u"Q"_s, 0, kCmd)},
        {"LetterAIsKeptAsCharacter", ";;<Primary>a", "", KeyData(u"A"_s, 0, kCmd)},
        {"ShiftedSymbolKeepsItsCharacter", ";;<Primary>plus", "", KeyData(u"+"_s, 0, kCmd)},
        {"SuperIsControlBit", ";;<Super>Return", "",
         KeyData(std::nullopt, keycode::kReturn, kNone | keymask::kControl)},
        {"UnknownModifierRefused", ";;<Hyperdrive>x", "", std::nullopt},
        {"UnknownKeyNameRefused", ";;<Primary>NotAKey", "", std::nullopt},
        {"TooFewFields", "<Primary>n", "", std::nullopt},
        {"Empty", "", "", std::nullopt},
    };
    for (const BindingCase &c : cases)
        EXPECT_EQ(keyDataFromGtkKeyBinding(QString::fromUtf8(c.text)), c.expected) << c.name;
}

TEST(X11KeysTest, MapsQtsPortableText)
{
    const BindingCase cases[] = {
        {"CtrlShiftP", "Ctrl+Shift+P", "Command Palette", KeyData(u"P"_s, 0, kCmd | keymask::kShift)},
        {"CtrlPlus", "Ctrl++", "Zoom In", KeyData(u"+"_s, 0, kCmd)},
        {"F5Alone", "F5", "Reload", KeyData(std::nullopt, keycode::kF5, kNone)},
        {"DelAbbreviation", "Ctrl+Del", "Delete", KeyData(std::nullopt, keycode::kForwardDelete, kCmd)},
        {"PgDown", "Alt+PgDown", "Next", KeyData(std::nullopt, keycode::kPageDown, kNone | keymask::kOption)},
        {"MnemonicOfTitleIsNoShortcut", "Alt+F", "File", std::nullopt},
        {"AltLetterNotInTitleIsShortcut", "Alt+X", "File", KeyData(u"X"_s, 0, kNone | keymask::kOption)},
        {"MetaIsControlBit", "Meta+Space", "Complete",
         KeyData(std::nullopt, keycode::kSpace, kNone | keymask::kControl)},
        {"OnlyFirstSequence", "Ctrl+S, Ctrl+X", "Save", KeyData(u"S"_s, 0, kCmd)},
        {"UnknownModifierRefused", "Hyper+S", "Save", std::nullopt},
        {"ModifiersWithoutKeyRefused", "Ctrl+", "Save", std::nullopt},
        {"Empty", "", "Save", std::nullopt},
    };
    for (const BindingCase &c : cases)
        EXPECT_EQ(keyDataFromQtKeyBinding(QString::fromUtf8(c.text), QString::fromUtf8(c.title)), c.expected) << c.name;
}

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

TEST(X11KeysTest, KeysymsAndModifierFlagsMapBothWays)
{
    // Upper-case letters and backtab are their keys; a bare modifier is no combination.
    EXPECT_EQ(keyCodeForKeysym(XK_P), keycode::kP);
    EXPECT_EQ(keyCodeForKeysym(XK_ISO_Left_Tab), keycode::kTab);
    EXPECT_EQ(keyCodeForKeysym(XK_plus), std::nullopt);
    EXPECT_EQ(keyDataForKeysym(XK_Control_L, eventflag::kCommand), std::nullopt);
    EXPECT_EQ(keyDataForKeysym(0, 0), std::nullopt);
    // Modifier flags round-trip; the lock bits are ignored.
    const uint64_t all = eventflag::kShift | eventflag::kCommand | eventflag::kOption | eventflag::kControl;
    EXPECT_EQ(x11ModifiersForFlags(all), kShiftMask | kControlMask | kMod1Mask | kMod4Mask);
    EXPECT_EQ(flagsForX11Modifiers(x11ModifiersForFlags(all)), all);
    EXPECT_EQ(flagsForX11Modifiers(kLockMask | (1u << 4)), 0u); // Caps Lock and Num Lock (Mod2)
    EXPECT_EQ(x11ModifiersForFlags(eventflag::kCommand), kControlMask);
}

TEST(X11KeysTest, ReadShortcutComparesEqualToTheStoredPaletteShortcut)
{
    // The palette recognises its own shortcut in a menu by comparing identity texts.
    const std::optional<KeyData> fromMenu = keyDataFromQtKeyBinding(u"Ctrl+Shift+P"_s, QString());
    ASSERT_TRUE(fromMenu);
    const std::optional<KeyData> stored = KeyData::keyDataFromString(u"cmd+shift+p"_s);
    ASSERT_TRUE(stored);
    EXPECT_EQ(fromMenu->toString(), stored->toString());
}

} // namespace
} // namespace tavolin::x11
