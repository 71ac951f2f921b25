#include "common/KeyData.h"
#include "common/SafeKeyCodeString.h"
#include "common/Shortcut.h"
#include "support/ModifierFlags.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace test::modifiers;

struct ParseRow
{
    const char *name;
    QString text;
    std::optional<KeyData> expected;
};

TEST(KeyData, KeyDataFromStringReadsWhatPeopleWrite)
{
    const KeyData cmdShiftP(QStringLiteral("P"), 0, keymask::kShift);
    const ParseRow rows[] = {
        {"command shift p in words", QStringLiteral("Command+Shift+P"), cmdShiftP},
        {"upper case, other order", QStringLiteral("SHIFT+CMD+p"), cmdShiftP},
        {"spaces and tabs anywhere", QStringLiteral(" cmd \t+ shift +P "), cmdShiftP},
        {"key first", QStringLiteral("p+shift+command"), cmdShiftP},
        {"symbols", QStringLiteral("⇧+⌘+p"), cmdShiftP},
        {"single letter refused", QStringLiteral("p"), std::nullopt},
        {"single glyph refused", QStringLiteral("↩"), std::nullopt},
        {"function key alone", QStringLiteral("f5"), KeyData(QStringLiteral("F5"), 0, 8)},
        {"space alone is a long name", QStringLiteral("space"), KeyData(QStringLiteral("Space"), 0, 8)},
        {"ctrl is the Ctrl key", QStringLiteral("Ctrl+Shift+P"), cmdShiftP},
        {"control in words", QStringLiteral("control + shift + p"), cmdShiftP},
        {"ctrl alt space", QStringLiteral("ctrl+alt+space"), KeyData(QStringLiteral("Space"), 0, 2)},
        {"ctrl beside cmd is the Control bit", QStringLiteral("cmd+ctrl+k"), KeyData(QStringLiteral("K"), 0, 4)},
        {"every alias of option", QStringLiteral("alt+opt+⌥+option+x"), KeyData(QStringLiteral("X"), 0, 10)},
        {"super", QStringLiteral("Super+F12"), KeyData(QStringLiteral("F12"), 0, 12)},
        {"meta and win are super", QStringLiteral("meta+win+f12"), KeyData(QStringLiteral("F12"), 0, 12)},
        {"control symbol is super", QStringLiteral("⌃+f12"), KeyData(QStringLiteral("F12"), 0, 12)},
        {"every Linux name", QStringLiteral("Super+Ctrl+Alt+Shift+K"), KeyData(QStringLiteral("K"), 0, 7)},
        {"key shown in words", QStringLiteral("Ctrl+Return"), KeyData(QStringLiteral("↩"), 0, 0)},
        {"key shown in two words", QStringLiteral("Ctrl+Shift+Page Up"), KeyData(QStringLiteral("⇞"), 0, 1)},
        {"enter is return", QStringLiteral("alt+enter"), KeyData(QStringLiteral("↩"), 0, 10)},
        {"escape and esc", QStringLiteral("ctrl+esc"), KeyData(QStringLiteral("⎋"), 0, 0)},
        {"delete is forward delete", QStringLiteral("Ctrl+Delete"), KeyData(QStringLiteral("⌦"), 0, 0)},
        {"arrow in words", QStringLiteral("Ctrl+Alt+Left"), KeyData(QStringLiteral("←"), 0, 2)},
        {"cmd a although A is code 0", QStringLiteral("cmd+a"), KeyData(QStringLiteral("A"), 0, 0)},
        {"digit names the main row", QStringLiteral("cmd+1"), KeyData(QStringLiteral("1"), 0, 0)},
        {"glyph key", QStringLiteral("cmd+↩"), KeyData(QStringLiteral("↩"), 0, 0)},
        {"last key wins", QStringLiteral("cmd+p+q"), KeyData(QStringLiteral("Q"), 0, 0)},
        {"unknown key name", QStringLiteral("ctrl+nosuchkey"), std::nullopt},
        {"modifier names are no key", QStringLiteral("ctrl+super"), std::nullopt},
        {"modifiers without key", QStringLiteral("cmd+shift"), std::nullopt},
        {"trailing plus", QStringLiteral("cmd+"), std::nullopt},
        {"empty text", QStringLiteral(""), std::nullopt},
        {"blanks only", QStringLiteral(" \t "), std::nullopt},
        {"absent text", QString(), std::nullopt},
    };
    for (const ParseRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyData::keyDataFromString(row.text), row.expected);
    }
}

// A settings value is read the way it was written: older builds wrote the Super bit as "ctrl" (and Ctrl as
// "cmd"), so their exact text keeps that meaning, while text written any other way reads as key text.
TEST(KeyData, StoredFormsOfEveryBuildAndHandWrittenTextReadAsMeant)
{
    struct Row
    {
        const char *name;
        QString text;
        std::optional<KeyData> stored;      // keyDataFromStoredString: a settings value
        std::optional<KeyData> handWritten; // keyDataFromString: a manifest
    };
    const KeyData ctrlShiftP(QStringLiteral("P"), 0, 1);
    const KeyData superShiftP(QStringLiteral("P"), 0, 13);
    const KeyData superAltSpace(QStringLiteral("Space"), 0, 14);
    const KeyData ctrlAltSpace(QStringLiteral("Space"), 0, 2);
    const Row rows[] = {
        {"default, every build", QStringLiteral("cmd+shift+p"), ctrlShiftP, ctrlShiftP},
        {"older super alt space", QStringLiteral("ctrl+alt+space"), superAltSpace, ctrlAltSpace},
        {"older super shift p", QStringLiteral("ctrl+shift+p"), superShiftP, ctrlShiftP},
        {"older super alone", QStringLiteral("ctrl+f5"), KeyData(QStringLiteral("F5"), 0, 12),
         KeyData(QStringLiteral("F5"), 0, 0)},
        {"older super with a glyph key", QStringLiteral("ctrl+alt+shift+↩"), KeyData(QStringLiteral("↩"), 0, 15),
         KeyData(QStringLiteral("↩"), 0, 3)},
        {"older every modifier", QStringLiteral("cmd+ctrl+alt+shift+k"), KeyData(QStringLiteral("K"), 0, 7),
         KeyData(QStringLiteral("K"), 0, 7)},
        {"super alt space now", QStringLiteral("super+alt+space"), superAltSpace, superAltSpace},
        {"every modifier now", QStringLiteral("cmd+super+alt+shift+k"), KeyData(QStringLiteral("K"), 0, 7),
         KeyData(QStringLiteral("K"), 0, 7)},
        {"function key alone", QStringLiteral("f5"), KeyData(QStringLiteral("F5"), 0, 8),
         KeyData(QStringLiteral("F5"), 0, 8)},
        {"edited by hand as shown", QStringLiteral("Ctrl+Shift+P"), ctrlShiftP, ctrlShiftP},
        {"edited by hand with spaces", QStringLiteral("ctrl + alt + space"), ctrlAltSpace, ctrlAltSpace},
        {"edited by hand in another order", QStringLiteral("shift+ctrl+p"), ctrlShiftP, ctrlShiftP},
        {"edited by hand with a key in words", QStringLiteral("Ctrl+Page Up"), KeyData(QStringLiteral("⇞"), 0, 0),
         KeyData(QStringLiteral("⇞"), 0, 0)},
        {"older form of a letter alone", QStringLiteral("ctrl+"), std::nullopt, std::nullopt},
        {"not a key", QStringLiteral("ctrl+alt+nosuchkey"), std::nullopt, std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyData::keyDataFromStoredString(row.text), row.stored);
        EXPECT_EQ(KeyData::keyDataFromString(row.text), row.handWritten);
    }
}

struct TextRow
{
    const char *name;
    KeyData keyData;
    QString expected;
};

TEST(KeyData, ToStringPutsSymbolsInOptionShiftControlCommandOrder)
{
    const TextRow rows[] = {
        {"shift command", KeyData(QStringLiteral("P"), 0, 1), QStringLiteral("⇧⌘P")},
        {"every modifier", KeyData(QStringLiteral("K"), 0, 7), QStringLiteral("⌥⇧⌃⌘K")},
        {"every modifier but command", KeyData(QStringLiteral("K"), 0, 15), QStringLiteral("⌥⇧⌃K")},
        {"no modifier", KeyData(QStringLiteral("F5"), 0, 8), QStringLiteral("F5")},
        {"virtual key F1", KeyData(std::nullopt, 122, 8), QStringLiteral("F1")},
        {"virtual key F1 with command", KeyData(std::nullopt, 122, 0), QStringLiteral("⌘F1")},
        {"empty character falls back to the key", KeyData(QString(), 36, 9), QStringLiteral("⇧↩")},
        {"character wins over virtual key", KeyData(QStringLiteral("P"), 122, 8), QStringLiteral("P")},
        {"no key with modifiers", KeyData(std::nullopt, 0, 3), QString()},
        {"empty character, no key", KeyData(QString(), 0, 0), QString()},
    };
    for (const TextRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.keyData.toString().toStdString(), row.expected.toStdString());
    }
}

TEST(KeyData, DisplayTextNamesModifiersAndKeysTheLinuxWay)
{
    const TextRow rows[] = {
        {"command shift p", KeyData(QStringLiteral("P"), 0, 1), QStringLiteral("Ctrl+Shift+P")},
        {"control option space", KeyData(QStringLiteral("Space"), 0, 14), QStringLiteral("Super+Alt+Space")},
        {"every modifier", KeyData(QStringLiteral("K"), 0, 7), QStringLiteral("Super+Ctrl+Alt+Shift+K")},
        {"return by code", KeyData(std::nullopt, 36, 0), QStringLiteral("Ctrl+Return")},
        {"backspace glyph", KeyData(QStringLiteral("⌫"), 0, 0), QStringLiteral("Ctrl+Backspace")},
        {"forward delete alone", KeyData(std::nullopt, 117, 8), QStringLiteral("Delete")},
        {"page up glyph", KeyData(QStringLiteral("⇞"), 0, 1), QStringLiteral("Ctrl+Shift+Page Up")},
        {"arrow by code", KeyData(std::nullopt, 123, 2), QStringLiteral("Ctrl+Alt+Left")},
        {"lower-case letter", KeyData(QStringLiteral("p"), 0, 0), QStringLiteral("Ctrl+P")},
        {"question mark stays", KeyData(QStringLiteral("?"), 0, 1), QStringLiteral("Ctrl+Shift+?")},
        {"help key by code", KeyData(std::nullopt, 114, 0), QStringLiteral("Ctrl+Help")},
        {"no key", KeyData(std::nullopt, 0, 1), QString()},
        {"code without a name", KeyData(std::nullopt, 55, 1), QString()},
    };
    for (const TextRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.keyData.displayText().toStdString(), row.expected.toStdString());
    }
}

TEST(KeyData, StorageStringExamples)
{
    const TextRow rows[] = {
        {"command shift p", KeyData(QStringLiteral("P"), 0, 1), QStringLiteral("cmd+shift+p")},
        {"super option space", KeyData(QStringLiteral("Space"), 0, 14), QStringLiteral("super+alt+space")},
        {"every modifier", KeyData(QStringLiteral("K"), 0, 7), QStringLiteral("cmd+super+alt+shift+k")},
        {"function key alone", KeyData(QStringLiteral("F5"), 0, 8), QStringLiteral("f5")},
        {"key by code only", KeyData(std::nullopt, 122, 0), QStringLiteral("cmd+f1")},
        {"glyph by code", KeyData(std::nullopt, 36, 1), QStringLiteral("cmd+shift+↩")},
        {"letter alone cannot be read back", KeyData(QStringLiteral("P"), 0, 8), QString()},
        {"keypad-only key cannot be read back", KeyData(std::nullopt, 67, 0), QString()},
        {"plus key cannot be written", KeyData(QStringLiteral("+"), 0, 0), QString()},
        {"no key", KeyData(std::nullopt, 0, 0), QString()},
    };
    for (const TextRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.keyData.toStorageString().toStdString(), row.expected.toStdString());
    }
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
            SCOPED_TRACE(QStringLiteral("code %1 mask %2").arg(code).arg(mask).toStdString());
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

struct FlagsRow
{
    const char *name;
    uint64_t eventFlags;
    int64_t mask;
};

TEST(KeyData, FlagsFromEventInvertsCommandAndDropsOtherFlags)
{
    const FlagsRow rows[] = {
        {"command alone", kCmd, 0},
        {"nothing", 0, 8},
        {"shift command", kShift | kCmd, 1},
        {"control option", kCtrl | kOpt, 14},
        {"caps lock and function dropped", eventflag::kCapsLock | eventflag::kFunction | kCmd, 0},
        {"unknown bits dropped", 0x1 | 0x100, 8},
        {"all four", kShift | kCtrl | kOpt | kCmd, 7},
    };
    for (const FlagsRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyData::flagsFromEvent(row.eventFlags), row.mask);
    }
}

TEST(KeyData, EventModifierFlagsRoundTripsEveryMask)
{
    EXPECT_EQ(KeyData(std::nullopt, 0, 8).eventModifierFlags(), 0u);
    EXPECT_EQ(KeyData(std::nullopt, 0, 0).eventModifierFlags(), kCmd);
    EXPECT_EQ(KeyData(std::nullopt, 0, 15).eventModifierFlags(), kShift | kOpt | kCtrl);
    for (int64_t mask = 0; mask < 16; ++mask)
        EXPECT_EQ(KeyData::flagsFromEvent(KeyData(std::nullopt, 0, mask).eventModifierFlags()), mask) << mask;
}

struct ShortcutRow
{
    const char *name;
    KeyData keyData;
    std::optional<Shortcut> expected;
};

TEST(KeyData, ToShortcutLooksUpTheCharacterElseTakesTheVirtualKey)
{
    const ShortcutRow rows[] = {
        {"command shift p", KeyData(QStringLiteral("P"), 0, 1), Shortcut(35, kCmd | kShift)},
        {"letter with code 0", KeyData(QStringLiteral("A"), 0, 0), Shortcut(0, kCmd)},
        {"digit maps to main row", KeyData(QStringLiteral("1"), 0, 0), Shortcut(18, kCmd)},
        {"virtual key", KeyData(std::nullopt, 122, 8), Shortcut(122, 0)},
        {"empty character uses virtual key", KeyData(QString(), 96, 12), Shortcut(96, kCtrl)},
        {"unknown character", KeyData(QStringLiteral("Ä"), 0, 0), std::nullopt},
        {"no key at all", KeyData(std::nullopt, 0, 0), std::nullopt},
        {"negative virtual key", KeyData(std::nullopt, -4, 0), std::nullopt},
    };
    for (const ShortcutRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.keyData.toShortcut(), row.expected);
    }
}

TEST(KeyData, FromShortcutKeepsTheNameOrElseTheCode)
{
    EXPECT_EQ(KeyData::keyDataFromShortcut(Shortcut(35, kCmd | kShift)), KeyData(QStringLiteral("P"), 0, 1));
    EXPECT_EQ(KeyData::keyDataFromShortcut(Shortcut(122, 0)), KeyData(QStringLiteral("F1"), 0, 8));
    // Code 55 (a modifier key) has no name: the code is kept, the character is present but empty.
    EXPECT_EQ(KeyData::keyDataFromShortcut(Shortcut(55, kOpt)), KeyData(QString(), 55, 10));
}

TEST(KeyData, StringFromShortcutMatchesToString)
{
    EXPECT_EQ(KeyData::stringFromShortcut(Shortcut(35, kShift | kCtrl | kOpt | kCmd)), QStringLiteral("⌥⇧⌃⌘P"));
    EXPECT_EQ(KeyData::stringFromShortcut(Shortcut(Shortcut::kKeyCodeNotFound, kCmd)), QStringLiteral("⌘"));
    for (int64_t mask = 0; mask < 16; ++mask) {
        const KeyData keyData(QStringLiteral("F5"), 0, mask);
        EXPECT_EQ(KeyData::stringFromShortcut(*keyData.toShortcut()), keyData.toString()) << mask;
    }
}

TEST(KeyData, EqualityTellsAbsentFromEmptyCharacter)
{
    EXPECT_EQ(KeyData(QStringLiteral("P"), 0, 1), KeyData(QStringLiteral("P"), 0, 1));
    EXPECT_EQ(KeyData(std::nullopt, 5, 1), KeyData(std::nullopt, 5, 1));
    EXPECT_NE(KeyData(std::nullopt, 0, 1), KeyData(QString(), 0, 1));
    EXPECT_NE(KeyData(QStringLiteral("P"), 0, 1), KeyData(QStringLiteral("P"), 0, 0));
    EXPECT_NE(KeyData(QStringLiteral("P"), 0, 1), KeyData(QStringLiteral("P"), 35, 1));
    EXPECT_NE(KeyData(QStringLiteral("P"), 0, 1), KeyData(QStringLiteral("p"), 0, 1));
}

TEST(KeyData, JsonRoundTripsWithAndWithoutCharacter)
{
    const KeyData withChar(QStringLiteral("Space"), 0, 14);
    const QJsonObject object = withChar.toJson();
    EXPECT_EQ(object.value(QLatin1String("cmdChar")).toString(), QStringLiteral("Space"));
    EXPECT_EQ(object.value(QLatin1String("modifierFlags")).toInteger(), 14);
    EXPECT_EQ(KeyData::fromJson(object), withChar);

    const KeyData byCode(std::nullopt, 122, 8);
    EXPECT_FALSE(byCode.toJson().contains(QLatin1String("cmdChar")));
    EXPECT_EQ(KeyData::fromJson(byCode.toJson()), byCode);
}

struct JsonRow
{
    const char *name;
    const char *json;
    std::optional<KeyData> expected;
};

TEST(KeyData, FromJsonRefusesWrongTypes)
{
    const JsonRow rows[] = {
        {"complete", R"({"cmdChar":"P","virtualKey":0,"modifierFlags":1})", KeyData(QStringLiteral("P"), 0, 1)},
        {"null character is absent", R"({"cmdChar":null,"virtualKey":122,"modifierFlags":8})",
         KeyData(std::nullopt, 122, 8)},
        {"missing virtual key", R"({"cmdChar":"P","modifierFlags":1})", std::nullopt},
        {"missing mask", R"({"cmdChar":"P","virtualKey":0})", std::nullopt},
        {"virtual key as text", R"({"virtualKey":"0","modifierFlags":1})", std::nullopt},
        {"fractional mask", R"({"virtualKey":0,"modifierFlags":1.5})", std::nullopt},
        {"huge virtual key", R"({"virtualKey":1e300,"modifierFlags":1})", std::nullopt},
        {"character as number", R"({"cmdChar":5,"virtualKey":0,"modifierFlags":1})", std::nullopt},
        {"mask as bool", R"({"virtualKey":0,"modifierFlags":true})", std::nullopt},
    };
    for (const JsonRow &row : rows) {
        SCOPED_TRACE(row.name);
        const QJsonObject object = QJsonDocument::fromJson(row.json).object();
        EXPECT_EQ(KeyData::fromJson(object), row.expected);
    }
}

} // namespace
} // namespace tavolin
