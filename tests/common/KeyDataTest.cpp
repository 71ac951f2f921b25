#include "common/KeyData.h"
#include "common/SafeKeyCodeString.h"
#include "common/Shortcut.h"
#include "support/ModifierFlags.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace test::modifiers;

// Checks one text form of each row's key.
struct TextRow { const char *name; KeyData keyData; QString expected; };
void expectText(std::initializer_list<TextRow> rows, QString (KeyData::*form)() const)
{
    for (const TextRow &row : rows)
        EXPECT_EQ((row.keyData.*form)().toStdString(), row.expected.toStdString()) << row.name;
}

TEST(KeyData, KeyDataFromStringReadsWhatPeopleWrite)
{
    const KeyData cmdShiftP(u"P"_qs, 0, keymask::kShift);
    const struct { const char *name; QString text; std::optional<KeyData> expected; } rows[] = {
        {"command shift p in words", u"Command+Shift+P"_qs, cmdShiftP},
        {"upper case, other order", u"SHIFT+CMD+p"_qs, cmdShiftP},
        {"spaces and tabs anywhere", u" cmd \t+ shift +P "_qs, cmdShiftP},
        {"key first", u"p+shift+command"_qs, cmdShiftP},
        {"symbols", u"⇧+⌘+p"_qs, cmdShiftP},
        {"single letter refused", u"p"_qs, std::nullopt},
        {"single glyph refused", u"↩"_qs, std::nullopt},
        {"function key alone", u"f5"_qs, KeyData(u"F5"_qs, 0, 8)},
        {"space alone is a long name", u"space"_qs, KeyData(u"Space"_qs, 0, 8)},
        {"ctrl is the Ctrl key", u"Ctrl+Shift+P"_qs, cmdShiftP},
        {"control in words", u"control + shift + p"_qs, cmdShiftP},
        {"ctrl alt space", u"ctrl+alt+space"_qs, KeyData(u"Space"_qs, 0, 2)},
        {"ctrl beside cmd is the Control bit", u"cmd+ctrl+k"_qs, KeyData(u"K"_qs, 0, 4)},
        {"every alias of option", u"alt+opt+⌥+option+x"_qs, KeyData(u"X"_qs, 0, 10)},
        {"super", u"Super+F12"_qs, KeyData(u"F12"_qs, 0, 12)},
        {"meta and win are super", u"meta+win+f12"_qs, KeyData(u"F12"_qs, 0, 12)},
        {"control symbol is super", u"⌃+f12"_qs, KeyData(u"F12"_qs, 0, 12)},
        {"every Linux name", u"Super+Ctrl+Alt+Shift+K"_qs, KeyData(u"K"_qs, 0, 7)},
        {"key shown in words", u"Ctrl+Return"_qs, KeyData(u"↩"_qs, 0, 0)},
        {"key shown in two words", u"Ctrl+Shift+Page Up"_qs, KeyData(u"⇞"_qs, 0, 1)},
        {"enter is return", u"alt+enter"_qs, KeyData(u"↩"_qs, 0, 10)},
        {"escape and esc", u"ctrl+esc"_qs, KeyData(u"⎋"_qs, 0, 0)},
        {"delete is forward delete", u"Ctrl+Delete"_qs, KeyData(u"⌦"_qs, 0, 0)},
        {"arrow in words", u"Ctrl+Alt+Left"_qs, KeyData(u"←"_qs, 0, 2)},
        {"cmd a although A is code 0", u"cmd+a"_qs, KeyData(u"A"_qs, 0, 0)},
        {"digit names the main row", u"cmd+1"_qs, KeyData(u"1"_qs, 0, 0)},
        {"glyph key", u"cmd+↩"_qs, KeyData(u"↩"_qs, 0, 0)},
        {"last key wins", u"cmd+p+q"_qs, KeyData(u"Q"_qs, 0, 0)},
        {"unknown key name", u"ctrl+nosuchkey"_qs, std::nullopt},
        {"modifier names are no key", u"ctrl+super"_qs, std::nullopt},
        {"modifiers without key", u"cmd+shift"_qs, std::nullopt},
        {"trailing plus", u"cmd+"_qs, std::nullopt},
        {"empty text", u""_qs, std::nullopt},
        {"blanks only", u" \t "_qs, std::nullopt},
        {"absent text", QString(), std::nullopt},
    };
    for (const auto &row : rows)
        EXPECT_EQ(KeyData::keyDataFromString(row.text), row.expected) << row.name;
}

// A settings value is read the way it was written: older builds wrote the Super bit as "ctrl" (and Ctrl as
// "cmd"), so their exact text keeps that meaning, while text written any other way reads as key text.
TEST(KeyData, StoredFormsOfEveryBuildAndHandWrittenTextReadAsMeant)
{
    // stored: keyDataFromStoredString, a settings value; handWritten: keyDataFromString, a manifest.
    struct Row { const char *name; QString text; std::optional<KeyData> stored, handWritten; };
    const KeyData ctrlShiftP(u"P"_qs, 0, 1);
    const KeyData superShiftP(u"P"_qs, 0, 13);
    const KeyData superAltSpace(u"Space"_qs, 0, 14);
    const KeyData ctrlAltSpace(u"Space"_qs, 0, 2);
    const Row rows[] = {
        {"default, every build", u"cmd+shift+p"_qs, ctrlShiftP, ctrlShiftP},
        {"older super alt space", u"ctrl+alt+space"_qs, superAltSpace, ctrlAltSpace},
        {"older super shift p", u"ctrl+shift+p"_qs, superShiftP, ctrlShiftP},
        {"older super alone", u"ctrl+f5"_qs, KeyData(u"F5"_qs, 0, 12), KeyData(u"F5"_qs, 0, 0)},
        {"older super with a glyph key", u"ctrl+alt+shift+↩"_qs, KeyData(u"↩"_qs, 0, 15), KeyData(u"↩"_qs, 0, 3)},
        {"older every modifier", u"cmd+ctrl+alt+shift+k"_qs, KeyData(u"K"_qs, 0, 7), KeyData(u"K"_qs, 0, 7)},
        {"super alt space now", u"super+alt+space"_qs, superAltSpace, superAltSpace},
        {"every modifier now", u"cmd+super+alt+shift+k"_qs, KeyData(u"K"_qs, 0, 7), KeyData(u"K"_qs, 0, 7)},
        {"function key alone", u"f5"_qs, KeyData(u"F5"_qs, 0, 8), KeyData(u"F5"_qs, 0, 8)},
        {"edited by hand as shown", u"Ctrl+Shift+P"_qs, ctrlShiftP, ctrlShiftP},
        {"edited by hand with spaces", u"ctrl + alt + space"_qs, ctrlAltSpace, ctrlAltSpace},
        {"edited by hand in another order", u"shift+ctrl+p"_qs, ctrlShiftP, ctrlShiftP},
        {"edited by hand with a key in words", u"Ctrl+Page Up"_qs, KeyData(u"⇞"_qs, 0, 0), KeyData(u"⇞"_qs, 0, 0)},
        {"older form of a letter alone", u"ctrl+"_qs, std::nullopt, std::nullopt},
        {"not a key", u"ctrl+alt+nosuchkey"_qs, std::nullopt, std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyData::keyDataFromStoredString(row.text), row.stored);
        EXPECT_EQ(KeyData::keyDataFromString(row.text), row.handWritten);
    }
}

TEST(KeyData, ToStringPutsSymbolsInOptionShiftControlCommandOrder)
{
    expectText({
        {"shift command", KeyData(u"P"_qs, 0, 1), u"⇧⌘P"_qs},
        {"every modifier", KeyData(u"K"_qs, 0, 7), u"⌥⇧⌃⌘K"_qs},
        {"every modifier but command", KeyData(u"K"_qs, 0, 15), u"⌥⇧⌃K"_qs},
        {"no modifier", KeyData(u"F5"_qs, 0, 8), u"F5"_qs},
        {"virtual key F1", KeyData(std::nullopt, 122, 8), u"F1"_qs},
        {"virtual key F1 with command", KeyData(std::nullopt, 122, 0), u"⌘F1"_qs},
        {"empty character falls back to the key", KeyData(QString(), 36, 9), u"⇧↩"_qs},
        {"character wins over virtual key", KeyData(u"P"_qs, 122, 8), u"P"_qs},
        {"no key with modifiers", KeyData(std::nullopt, 0, 3), QString()},
        {"empty character, no key", KeyData(QString(), 0, 0), QString()},
    }, &KeyData::toString);
}

TEST(KeyData, DisplayTextNamesModifiersAndKeysTheLinuxWay)
{
    expectText({
        {"command shift p", KeyData(u"P"_qs, 0, 1), u"Ctrl+Shift+P"_qs},
        {"control option space", KeyData(u"Space"_qs, 0, 14), u"Super+Alt+Space"_qs},
        {"every modifier", KeyData(u"K"_qs, 0, 7), u"Super+Ctrl+Alt+Shift+K"_qs},
        {"return by code", KeyData(std::nullopt, 36, 0), u"Ctrl+Return"_qs},
        {"backspace glyph", KeyData(u"⌫"_qs, 0, 0), u"Ctrl+Backspace"_qs},
        {"forward delete alone", KeyData(std::nullopt, 117, 8), u"Delete"_qs},
        {"page up glyph", KeyData(u"⇞"_qs, 0, 1), u"Ctrl+Shift+Page Up"_qs},
        {"arrow by code", KeyData(std::nullopt, 123, 2), u"Ctrl+Alt+Left"_qs},
        {"lower-case letter", KeyData(u"p"_qs, 0, 0), u"Ctrl+P"_qs},
        {"question mark stays", KeyData(u"?"_qs, 0, 1), u"Ctrl+Shift+?"_qs},
        {"help key by code", KeyData(std::nullopt, 114, 0), u"Ctrl+Help"_qs},
        {"no key", KeyData(std::nullopt, 0, 1), QString()},
        {"code without a name", KeyData(std::nullopt, 55, 1), QString()},
    }, &KeyData::displayText);
}

TEST(KeyData, StorageStringExamples)
{
    expectText({
        {"command shift p", KeyData(u"P"_qs, 0, 1), u"cmd+shift+p"_qs},
        {"super option space", KeyData(u"Space"_qs, 0, 14), u"super+alt+space"_qs},
        {"every modifier", KeyData(u"K"_qs, 0, 7), u"cmd+super+alt+shift+k"_qs},
        {"function key alone", KeyData(u"F5"_qs, 0, 8), u"f5"_qs},
        {"key by code only", KeyData(std::nullopt, 122, 0), u"cmd+f1"_qs},
        {"glyph by code", KeyData(std::nullopt, 36, 1), u"cmd+shift+↩"_qs},
        {"letter alone cannot be read back", KeyData(u"P"_qs, 0, 8), QString()},
        {"keypad-only key cannot be read back", KeyData(std::nullopt, 67, 0), QString()},
        {"plus key cannot be written", KeyData(u"+"_qs, 0, 0), QString()},
        {"no key", KeyData(std::nullopt, 0, 0), QString()},
    }, &KeyData::toStorageString);
}

// Every key name keyDataFromString accepts, with every modifier subset, given by name or by code.
TEST(KeyData, StorageStringReadsBackForEveryAcceptedCombination)
{
    int checked = 0;
    for (int64_t code = 0; code < 128; ++code) {
        const QString name = SafeKeyCodeString::stringForKeyCode(code);
        if (name.isEmpty())
            continue;
        const bool readable = SafeKeyCodeString::keyCodeForChar(name) >= 0;
        for (int64_t mask = 0; mask < 16; ++mask) {
            SCOPED_TRACE(u"code %1 mask %2"_qs.arg(code).arg(mask).toStdString());
            const KeyData byName(name, 0, mask);
            const bool accepted = readable && !(name.size() == 1 && mask == keymask::kNoCommand);
            const QString stored = byName.toStorageString();
            if (!accepted) {
                EXPECT_EQ(stored, QString());
                continue;
            }
            EXPECT_EQ(KeyData::keyDataFromStoredString(stored), byName) << stored.toStdString();
            EXPECT_EQ(KeyData::keyDataFromString(stored), byName) << stored.toStdString();

            if (code == 0)
                continue; // a virtualKey of 0 means "no key"
            const KeyData byCode(std::nullopt, code, mask);
            const std::optional<KeyData> back = KeyData::keyDataFromStoredString(byCode.toStorageString());
            ASSERT_TRUE(back);
            EXPECT_EQ(back->toString(), byCode.toString());
            ++checked;
        }
    }
    EXPECT_GT(checked, 60 * 15); // the table really was walked
}

TEST(KeyData, EventFlagsInvertCommandDropOtherFlagsAndRoundTripEveryMask)
{
    const struct { const char *name; uint64_t eventFlags; int64_t mask; } rows[] = {
        {"command alone", kCmd, 0},
        {"nothing", 0, 8},
        {"shift command", kShift | kCmd, 1},
        {"control option", kCtrl | kOpt, 14},
        {"caps lock and function dropped", eventflag::kCapsLock | eventflag::kFunction | kCmd, 0},
        {"unknown bits dropped", 0x1 | 0x100, 8},
        {"all four", kShift | kCtrl | kOpt | kCmd, 7},
    };
    for (const auto &row : rows)
        EXPECT_EQ(KeyData::flagsFromEvent(row.eventFlags), row.mask) << row.name;
    EXPECT_EQ(KeyData(std::nullopt, 0, 8).eventModifierFlags(), 0u);
    EXPECT_EQ(KeyData(std::nullopt, 0, 0).eventModifierFlags(), kCmd);
    EXPECT_EQ(KeyData(std::nullopt, 0, 15).eventModifierFlags(), kShift | kOpt | kCtrl);
    for (int64_t mask = 0; mask < 16; ++mask)
        EXPECT_EQ(KeyData::flagsFromEvent(KeyData(std::nullopt, 0, mask).eventModifierFlags()), mask) << mask;
}

TEST(KeyData, ToShortcutLooksUpTheCharacterElseTakesTheVirtualKey)
{
    const struct { const char *name; KeyData keyData; std::optional<Shortcut> expected; } rows[] = {
        {"command shift p", KeyData(u"P"_qs, 0, 1), Shortcut(35, kCmd | kShift)},
        {"letter with code 0", KeyData(u"A"_qs, 0, 0), Shortcut(0, kCmd)},
        {"digit maps to main row", KeyData(u"1"_qs, 0, 0), Shortcut(18, kCmd)},
        {"virtual key", KeyData(std::nullopt, 122, 8), Shortcut(122, 0)},
        {"empty character uses virtual key", KeyData(QString(), 96, 12), Shortcut(96, kCtrl)},
        {"unknown character", KeyData(u"Ä"_qs, 0, 0), std::nullopt},
        {"no key at all", KeyData(std::nullopt, 0, 0), std::nullopt},
        {"negative virtual key", KeyData(std::nullopt, -4, 0), std::nullopt},
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.keyData.toShortcut(), row.expected) << row.name;
}

TEST(KeyData, FromShortcutKeepsTheNameOrElseTheCode)
{
    EXPECT_EQ(KeyData::keyDataFromShortcut(Shortcut(35, kCmd | kShift)), KeyData(u"P"_qs, 0, 1));
    EXPECT_EQ(KeyData::keyDataFromShortcut(Shortcut(122, 0)), KeyData(u"F1"_qs, 0, 8));
    // Code 55 (a modifier key) has no name: the code is kept, the character is present but empty.
    EXPECT_EQ(KeyData::keyDataFromShortcut(Shortcut(55, kOpt)), KeyData(QString(), 55, 10));

    EXPECT_EQ(KeyData::stringFromShortcut(Shortcut(35, kShift | kCtrl | kOpt | kCmd)), u"⌥⇧⌃⌘P"_qs);
    EXPECT_EQ(KeyData::stringFromShortcut(Shortcut(Shortcut::kKeyCodeNotFound, kCmd)), u"⌘"_qs);
    for (int64_t mask = 0; mask < 16; ++mask) {
        const KeyData keyData(u"F5"_qs, 0, mask);
        EXPECT_EQ(KeyData::stringFromShortcut(*keyData.toShortcut()), keyData.toString()) << mask;
    }
}

TEST(KeyData, JsonRoundTripsWithAndWithoutCharacterAndRefusesWrongTypes)
{
    const KeyData withChar(u"Space"_qs, 0, 14);
    const QJsonObject object = withChar.toJson();
    EXPECT_EQ(object.value(QLatin1String("cmdChar")).toString(), u"Space"_qs);
    EXPECT_EQ(object.value(QLatin1String("modifierFlags")).toInteger(), 14);
    EXPECT_EQ(KeyData::fromJson(object), withChar);

    const KeyData byCode(std::nullopt, 122, 8);
    EXPECT_FALSE(byCode.toJson().contains(QLatin1String("cmdChar")));
    EXPECT_EQ(KeyData::fromJson(byCode.toJson()), byCode);

    const struct { const char *name; const char *json; std::optional<KeyData> expected; } rows[] = {
        {"complete", R"({"cmdChar":"P","virtualKey":0,"modifierFlags":1})", KeyData(u"P"_qs, 0, 1)},
        {"null character is absent", R"({"cmdChar":null,"virtualKey":122,"modifierFlags":8})", KeyData(std::nullopt, 122, 8)},
        {"missing virtual key", R"({"cmdChar":"P","modifierFlags":1})", std::nullopt},
        {"missing mask", R"({"cmdChar":"P","virtualKey":0})", std::nullopt},
        {"virtual key as text", R"({"virtualKey":"0","modifierFlags":1})", std::nullopt},
        {"fractional mask", R"({"virtualKey":0,"modifierFlags":1.5})", std::nullopt},
        {"huge virtual key", R"({"virtualKey":1e300,"modifierFlags":1})", std::nullopt},
        {"character as number", R"({"cmdChar":5,"virtualKey":0,"modifierFlags":1})", std::nullopt},
        {"mask as bool", R"({"virtualKey":0,"modifierFlags":true})", std::nullopt},
    };
    for (const auto &row : rows)
        EXPECT_EQ(KeyData::fromJson(QJsonDocument::fromJson(row.json).object()), row.expected) << row.name;
}

} // namespace
} // namespace tavolin
