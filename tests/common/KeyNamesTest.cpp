#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/SafeKeyCodeString.h"
#include "common/Shortcut.h"
#include "common/ShortcutValidator.h"
#include "support/ModifierFlags.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace test::modifiers;

// Checks a name of each row's key code.
struct NameRow { const char *name; int64_t code; QString expected; };
void expectNames(std::initializer_list<NameRow> rows, QString (*nameOf)(int64_t))
{
    for (const NameRow &row : rows)
        EXPECT_EQ(nameOf(row.code).toStdString(), row.expected.toStdString()) << row.name;
}

TEST(SafeKeyCodeString, StringForKeyCodeUsesFixedNamesThenTheUsLayout)
{
    expectNames({
        {"letter A is code 0", 0, u"A"_qs},
        {"main-row 6 sits before 5", 22, u"6"_qs},
        {"help shows a question mark", 114, u"?"_qs},
        {"F1", 122, u"F1"_qs},
        {"keypad 1", 83, u"1"_qs},
        {"keypad 9 after the gap", 92, u"9"_qs},
        {"keypad minus is an en dash", 78, u"–"_qs},
        {"command key has no name", 55, QString()},
        {"unused code 90", 90, QString()},
        {"beyond the table", 128, QString()},
        {"negative", -1, QString()},
        {"not-found marker", Shortcut::kKeyCodeNotFound, QString()},
    }, &SafeKeyCodeString::stringForKeyCode);
}

TEST(SafeKeyCodeString, KeyCodeForCharPrefersTheMainRow)
{
    const struct { const char *name; QString keyName; int64_t expected; } rows[] = {
        {"digit 1 is the main row, not the keypad", u"1"_qs, 18},
        {"equals is the main key", u"="_qs, 24},
        {"period is the main key", u"."_qs, 47},
        {"slash is the main key", u"/"_qs, 44},
        {"question mark is the help key", u"?"_qs, 114},
        {"lower case is unknown", u"a"_qs, -1},
        {"keypad-only asterisk", u"*"_qs, -1},
        {"keypad-only en dash", u"–"_qs, -1},
        {"empty", QString(), -1},
        {"word", u"Return"_qs, -1},
    };
    for (const auto &row : rows)
        EXPECT_EQ(SafeKeyCodeString::keyCodeForChar(row.keyName), row.expected) << row.name;
}

TEST(SafeKeyCodeString, EveryKnownNameLeadsBackToItself)
{
    for (int64_t code = 0; code < 128; ++code) {
        const QString name = SafeKeyCodeString::stringForKeyCode(code);
        const int64_t back = SafeKeyCodeString::keyCodeForChar(name);
        if (back >= 0) {
            EXPECT_EQ(SafeKeyCodeString::stringForKeyCode(back), name) << code;
        }
        if (!name.isEmpty() && (code < 65 || code > 92)) {
            EXPECT_EQ(back, code) << "main key " << code << " must be found by its name";
        }
    }
}

TEST(SafeKeyCodeString, DisplayNamesInWords)
{
    expectNames({
        {"return", 36, u"Return"_qs},
        {"forward delete", 117, u"Delete"_qs},
        {"down arrow", 125, u"Down"_qs},
        {"keypad enter", 76, u"Enter"_qs},
        {"space", 49, u"Space"_qs},
        {"function key keeps its name", 96, u"F5"_qs},
        {"letter keeps its name", 35, u"P"_qs},
        {"no name", 55, QString()},
    }, &SafeKeyCodeString::displayNameForKeyCode);
    EXPECT_EQ(SafeKeyCodeString::displayNameForKeyName(u"↘"_qs), u"End"_qs);
    EXPECT_EQ(SafeKeyCodeString::displayNameForKeyName(u"?"_qs), u"?"_qs);
    EXPECT_EQ(SafeKeyCodeString::displayNameForKeyName(u"ä"_qs), u"Ä"_qs);
}

TEST(Shortcut, KeepsOnlyTheFourModifiers)
{
    const Shortcut noisy(35, kCmd | eventflag::kCapsLock | eventflag::kFunction | 0x100);
    EXPECT_EQ(noisy.modifierFlags(), kCmd);
    EXPECT_EQ(noisy, Shortcut(35, kCmd));
    EXPECT_EQ(noisy.keyCodeString(), u"P"_qs);
    EXPECT_EQ(Shortcut(35, kCmd | kShift).description(), u"⇧⌘P"_qs);
    EXPECT_EQ(SafeKeyCodeString::getSafeKeyCodeString(Shortcut(49, 0)), u"Space"_qs);
}

TEST(KeyCodeHelper, StoredFormIsTheTextFormAndOnlyTextThatParsesReadsBack)
{
    const struct { const char *name; Shortcut shortcut; QJsonValue expected; } rows[] = {
        {"command shift p", Shortcut(35, kCmd | kShift), u"cmd+shift+p"_qs},
        {"super option space", Shortcut(49, kCtrl | kOpt), u"super+alt+space"_qs},
        {"function key alone", Shortcut(96, 0), u"f5"_qs},
        {"letter alone has no stored form", Shortcut(35, 0), QJsonValue(QJsonValue::Undefined)},
        {"key without a name", Shortcut(55, kCmd), QJsonValue(QJsonValue::Undefined)},
    };
    for (const auto &row : rows)
        EXPECT_EQ(KeyCodeHelper::serializeShortcut(row.shortcut), row.expected) << row.name;

    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(u"cmd+shift+p"_qs), Shortcut(35, kCmd | kShift));
    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(u"Ctrl + Alt + Space"_qs), Shortcut(49, kCmd | kOpt));
    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(u"ctrl+alt+space"_qs), Shortcut(49, kCtrl | kOpt))
        << "the form older builds stored for Super+Alt+Space";
    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(u"cmd+a"_qs), Shortcut(0, kCmd));
    EXPECT_FALSE(KeyCodeHelper::deserializeShortcut(u"p"_qs));
    EXPECT_FALSE(KeyCodeHelper::deserializeShortcut(u""_qs));
    EXPECT_FALSE(KeyCodeHelper::deserializeShortcut(QJsonValue(35)));
    EXPECT_FALSE(KeyCodeHelper::deserializeShortcut(QJsonValue(QJsonValue::Undefined)));
}

TEST(KeyCodeHelper, StoredFormRoundTripsEveryStorableShortcut)
{
    const uint64_t modifiers[] = {kCmd, kShift, kCtrl, kOpt};
    int stored = 0;
    for (int64_t code = 0; code < 128; ++code) {
        for (int subset = 0; subset < 16; ++subset) {
            uint64_t flags = 0;
            for (int bit = 0; bit < 4; ++bit)
                flags |= (subset & (1 << bit)) ? modifiers[bit] : 0;
            const Shortcut shortcut(code, flags);
            const QJsonValue value = KeyCodeHelper::serializeShortcut(shortcut);
            if (value.isUndefined())
                continue;
            ++stored;
            const std::optional<Shortcut> back = KeyCodeHelper::deserializeShortcut(value);
            ASSERT_TRUE(back) << value.toString().toStdString();
            // Keypad keys come back as their main-row twin: same text, same modifiers.
            EXPECT_EQ(back->description(), shortcut.description());
            if (code < 65 || code > 92) {
                EXPECT_EQ(*back, shortcut) << value.toString().toStdString();
            }
        }
    }
    EXPECT_GT(stored, 1000);
}

TEST(KeyCodeHelper, Data2ShortcutBuildsAndValidates)
{
    const QString p = u"P"_qs;
    const struct { const char *name; std::optional<QString> key; std::optional<QStringList> modifiers; bool allowOption;
                   std::optional<Shortcut> expected; } rows[] = {
        {"command shift p", p, QStringList{u"⌘"_qs, u"⇧"_qs}, false, Shortcut(35, kCmd | kShift)},
        {"repeats change nothing", p, QStringList{u"⌘"_qs, u"⌘"_qs}, false, Shortcut(35, kCmd)},
        {"other strings ignored", p, QStringList{u"⌘"_qs, u"cmd"_qs, u"⇪"_qs}, false, Shortcut(35, kCmd)},
        {"control", p, QStringList{u"⌃"_qs}, false, Shortcut(35, kCtrl)},
        {"no modifiers refused", p, QStringList{}, false, std::nullopt},
        {"function flag alone refused", p, QStringList{u"Fn"_qs}, false, std::nullopt},
        {"function key alone", u"F5"_qs, QStringList{}, false, Shortcut(96, 0)},
        {"option refused by default", p, QStringList{u"⌥"_qs}, false, std::nullopt},
        {"option when allowed", p, QStringList{u"⌥"_qs}, true, Shortcut(35, kOpt)},
        {"unknown key name", u"Nope"_qs, QStringList{u"⌘"_qs}, false, std::nullopt},
        {"absent key", std::nullopt, QStringList{u"⌘"_qs}, false, std::nullopt},
        {"absent modifiers", p, std::nullopt, false, std::nullopt},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ShortcutValidator validator;
        validator.setAllowAnyShortcutWithOptionModifier(row.allowOption);
        EXPECT_EQ(KeyCodeHelper::data2Shortcut(row.key, row.modifiers, validator), row.expected);
    }
}

TEST(KeyCodeHelper, QtKeysMapToKeyCodes)
{
    const struct { const char *name; int qtKey; Qt::KeyboardModifiers modifiers; int64_t expected; } rows[] = {
        {"P", Qt::Key_P, Qt::NoModifier, 35},
        {"main-row 1", Qt::Key_1, Qt::NoModifier, 18},
        {"keypad 1", Qt::Key_1, Qt::KeypadModifier, 83},
        {"keypad asterisk", Qt::Key_Asterisk, Qt::KeypadModifier, 67},
        {"keypad minus", Qt::Key_Minus, Qt::KeypadModifier, 78},
        {"shifted asterisk is the 8 key", Qt::Key_Asterisk, Qt::ShiftModifier, 28},
        {"shifted 1", Qt::Key_Exclam, Qt::ShiftModifier, 18},
        {"question mark is the slash key", Qt::Key_Question, Qt::ShiftModifier, 44},
        {"enter", Qt::Key_Enter, Qt::KeypadModifier, 76},
        {"back tab", Qt::Key_Backtab, Qt::ShiftModifier, 48},
        {"volume key has none", Qt::Key_VolumeUp, Qt::NoModifier, -1},
        {"F20 has none", Qt::Key_F20, Qt::NoModifier, -1},
        {"unknown", Qt::Key_unknown, Qt::NoModifier, -1},
    };
    for (const auto &row : rows)
        EXPECT_EQ(KeyCodeHelper::keyCodeForQtKey(row.qtKey, row.modifiers), row.expected) << row.name;
}

TEST(KeyCodeHelper, EveryNamedKeyCodeRoundTripsThroughQt)
{
    for (int64_t code = 0; code < 128; ++code) {
        if (SafeKeyCodeString::stringForKeyCode(code).isEmpty())
            continue;
        const int qtKey = KeyCodeHelper::qtKeyForKeyCode(code);
        ASSERT_NE(qtKey, Qt::Key_unknown) << code;
        const bool keypad = code >= 65 && code <= 92 && code != 71 && code != 76 && code != 79 && code != 80;
        EXPECT_EQ(KeyCodeHelper::keyCodeForQtKey(qtKey, keypad ? Qt::KeypadModifier : Qt::NoModifier), code);
    }
    EXPECT_EQ(KeyCodeHelper::qtKeyForKeyCode(55), Qt::Key_unknown);
}

TEST(KeyCodeHelper, QtModifiersFollowLinuxNames)
{
    EXPECT_EQ(KeyCodeHelper::eventFlagsForQtModifiers(Qt::ControlModifier), kCmd);
    EXPECT_EQ(KeyCodeHelper::eventFlagsForQtModifiers(Qt::MetaModifier), kCtrl);
    EXPECT_EQ(KeyCodeHelper::eventFlagsForQtModifiers(Qt::AltModifier | Qt::ShiftModifier), kOpt | kShift);
    EXPECT_EQ(KeyCodeHelper::eventFlagsForQtModifiers(Qt::KeypadModifier), 0u);
    for (uint64_t flags : {uint64_t(0), kCmd, kCtrl | kOpt, kCmd | kShift | kCtrl | kOpt})
        EXPECT_EQ(KeyCodeHelper::eventFlagsForQtModifiers(KeyCodeHelper::qtModifiersForEventFlags(flags)), flags);
}

TEST(ShortcutValidator, AppliesTheShortcutRules)
{
    // validWithOption: with allowAnyShortcutWithOptionModifier set.
    const struct { const char *name; Shortcut shortcut; bool validByDefault, validWithOption; } rows[] = {
        {"command p", Shortcut(35, kCmd), true, true},
        {"command shift p", Shortcut(35, kCmd | kShift), true, true},
        {"control (super) p", Shortcut(35, kCtrl), true, true},
        {"command a, key code 0", Shortcut(0, kCmd), true, true},
        {"command space", Shortcut(49, kCmd), true, true},
        {"option command p", Shortcut(35, kOpt | kCmd), true, true},
        {"option control return", Shortcut(36, kOpt | kCtrl), true, true},
        {"option p", Shortcut(35, kOpt), false, true},
        {"option shift p", Shortcut(35, kOpt | kShift), false, true},
        {"shift p", Shortcut(35, kShift), false, false},
        {"p alone", Shortcut(35, 0), false, false},
        {"space alone", Shortcut(49, 0), false, false},
        {"escape alone", Shortcut(53, 0), false, false},
        {"caps lock is not a modifier", Shortcut(35, eventflag::kCapsLock), false, false},
        {"function flag is not a modifier", Shortcut(35, eventflag::kFunction), false, false},
        {"F5 alone", Shortcut(96, 0), true, true},
        {"F19 alone", Shortcut(80, 0), true, true},
        {"shift F1", Shortcut(122, kShift), true, true},
        {"command on a modifier key", Shortcut(55, kCmd), false, false},
        {"command on an unnamed code (F20)", Shortcut(90, kCmd), false, false},
        {"not-found marker", Shortcut(Shortcut::kKeyCodeNotFound, kCmd), false, false},
        {"negative code", Shortcut(-1, kCmd), false, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ShortcutValidator validator;
        EXPECT_EQ(validator.isShortcutValid(row.shortcut), row.validByDefault);
        validator.setAllowAnyShortcutWithOptionModifier(true);
        EXPECT_EQ(validator.isShortcutValid(row.shortcut), row.validWithOption);
    }
}

TEST(ShortcutValidator, FunctionKeysAreExactlyF1ToF19)
{
    int count = 0;
    for (int64_t code = -1; code < 200; ++code)
        count += ShortcutValidator::isFunctionKey(code) ? 1 : 0;
    EXPECT_EQ(count, 19);
    EXPECT_TRUE(ShortcutValidator::isFunctionKey(64));  // F17
    EXPECT_FALSE(ShortcutValidator::isFunctionKey(90)); // F20 has no name here
}

} // namespace
} // namespace tavolin
