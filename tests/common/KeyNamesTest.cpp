#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/SafeKeyCodeString.h"
#include "common/Shortcut.h"
#include "support/ModifierFlags.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace test::modifiers;

struct NameRow
{
    const char *name;
    int64_t code;
    QString expected;
};

TEST(SafeKeyCodeString, StringForKeyCodeUsesFixedNamesThenTheUsLayout)
{
    const NameRow rows[] = {
        {"letter A is code 0", 0, QStringLiteral("A")},
        {"main-row 6 sits before 5", 22, QStringLiteral("6")},
        {"help shows a question mark", 114, QStringLiteral("?")},
        {"F1", 122, QStringLiteral("F1")},
        {"keypad 1", 83, QStringLiteral("1")},
        {"keypad 9 after the gap", 92, QStringLiteral("9")},
        {"keypad minus is an en dash", 78, QStringLiteral("–")},
        {"command key has no name", 55, QString()},
        {"unused code 90", 90, QString()},
        {"beyond the table", 128, QString()},
        {"negative", -1, QString()},
        {"not-found marker", Shortcut::kKeyCodeNotFound, QString()},
    };
    for (const NameRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SafeKeyCodeString::stringForKeyCode(row.code).toStdString(), row.expected.toStdString());
    }
}

struct CodeRow
{
    const char *name;
    QString keyName;
    int64_t expected;
};

TEST(SafeKeyCodeString, KeyCodeForCharPrefersTheMainRow)
{
    const CodeRow rows[] = {
        {"digit 1 is the main row, not the keypad", QStringLiteral("1"), 18},
        {"equals is the main key", QStringLiteral("="), 24},
        {"period is the main key", QStringLiteral("."), 47},
        {"slash is the main key", QStringLiteral("/"), 44},
        {"question mark is the help key", QStringLiteral("?"), 114},
        {"lower case is unknown", QStringLiteral("a"), -1},
        {"keypad-only asterisk", QStringLiteral("*"), -1},
        {"keypad-only en dash", QStringLiteral("–"), -1},
        {"empty", QString(), -1},
        {"word", QStringLiteral("Return"), -1},
    };
    for (const CodeRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SafeKeyCodeString::keyCodeForChar(row.keyName), row.expected);
    }
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
    const NameRow rows[] = {
        {"return", 36, QStringLiteral("Return")},
        {"forward delete", 117, QStringLiteral("Delete")},
        {"down arrow", 125, QStringLiteral("Down")},
        {"keypad enter", 76, QStringLiteral("Enter")},
        {"space", 49, QStringLiteral("Space")},
        {"function key keeps its name", 96, QStringLiteral("F5")},
        {"letter keeps its name", 35, QStringLiteral("P")},
        {"no name", 55, QString()},
    };
    for (const NameRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SafeKeyCodeString::displayNameForKeyCode(row.code).toStdString(), row.expected.toStdString());
    }
    EXPECT_EQ(SafeKeyCodeString::displayNameForKeyName(QStringLiteral("↘")), QStringLiteral("End"));
    EXPECT_EQ(SafeKeyCodeString::displayNameForKeyName(QStringLiteral("?")), QStringLiteral("?"));
    EXPECT_EQ(SafeKeyCodeString::displayNameForKeyName(QStringLiteral("ä")), QStringLiteral("Ä"));
}

TEST(Shortcut, KeepsOnlyTheFourModifiers)
{
    const Shortcut noisy(35, kCmd | eventflag::kCapsLock | eventflag::kFunction | 0x100);
    EXPECT_EQ(noisy.modifierFlags(), kCmd);
    EXPECT_EQ(noisy, Shortcut(35, kCmd));
    EXPECT_EQ(noisy.keyCodeString(), QStringLiteral("P"));
    EXPECT_EQ(Shortcut(35, kCmd | kShift).description(), QStringLiteral("⇧⌘P"));
    EXPECT_EQ(SafeKeyCodeString::getSafeKeyCodeString(Shortcut(49, 0)), QStringLiteral("Space"));
}

struct StoredRow
{
    const char *name;
    Shortcut shortcut;
    QJsonValue expected;
};

TEST(KeyCodeHelper, SerializeShortcutWritesTheTextForm)
{
    const StoredRow rows[] = {
        {"command shift p", Shortcut(35, kCmd | kShift), QStringLiteral("cmd+shift+p")},
        {"super option space", Shortcut(49, kCtrl | kOpt), QStringLiteral("super+alt+space")},
        {"function key alone", Shortcut(96, 0), QStringLiteral("f5")},
        {"letter alone has no stored form", Shortcut(35, 0), QJsonValue(QJsonValue::Undefined)},
        {"key without a name", Shortcut(55, kCmd), QJsonValue(QJsonValue::Undefined)},
    };
    for (const StoredRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyCodeHelper::serializeShortcut(row.shortcut), row.expected);
    }
}

TEST(KeyCodeHelper, DeserializeShortcutReadsOnlyTextThatParses)
{
    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(QStringLiteral("cmd+shift+p")), Shortcut(35, kCmd | kShift));
    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(QStringLiteral("Ctrl + Alt + Space")), Shortcut(49, kCmd | kOpt));
    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(QStringLiteral("ctrl+alt+space")), Shortcut(49, kCtrl | kOpt))
        << "the form older builds stored for Super+Alt+Space";
    EXPECT_EQ(KeyCodeHelper::deserializeShortcut(QStringLiteral("cmd+a")), Shortcut(0, kCmd));
    EXPECT_FALSE(KeyCodeHelper::deserializeShortcut(QStringLiteral("p")));
    EXPECT_FALSE(KeyCodeHelper::deserializeShortcut(QStringLiteral("")));
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

struct Data2Row
{
    const char *name;
    std::optional<QString> key;
    std::optional<QStringList> modifiers;
    bool allowOption;
    std::optional<Shortcut> expected;
};

TEST(KeyCodeHelper, Data2ShortcutBuildsAndValidates)
{
    const QString p = QStringLiteral("P");
    const Data2Row rows[] = {
        {"command shift p", p, QStringList{QStringLiteral("⌘"), QStringLiteral("⇧")}, false, Shortcut(35, kCmd | kShift)},
        {"repeats change nothing", p, QStringList{QStringLiteral("⌘"), QStringLiteral("⌘")}, false, Shortcut(35, kCmd)},
        {"other strings ignored", p, QStringList{QStringLiteral("⌘"), QStringLiteral("cmd"), QStringLiteral("⇪")}, false, Shortcut(35, kCmd)},
        {"control", p, QStringList{QStringLiteral("⌃")}, false, Shortcut(35, kCtrl)},
        {"no modifiers refused", p, QStringList{}, false, std::nullopt},
        {"function flag alone refused", p, QStringList{QStringLiteral("Fn")}, false, std::nullopt},
        {"function key alone", QStringLiteral("F5"), QStringList{}, false, Shortcut(96, 0)},
        {"option refused by default", p, QStringList{QStringLiteral("⌥")}, false, std::nullopt},
        {"option when allowed", p, QStringList{QStringLiteral("⌥")}, true, Shortcut(35, kOpt)},
        {"unknown key name", QStringLiteral("Nope"), QStringList{QStringLiteral("⌘")}, false, std::nullopt},
        {"absent key", std::nullopt, QStringList{QStringLiteral("⌘")}, false, std::nullopt},
        {"absent modifiers", p, std::nullopt, false, std::nullopt},
    };
    for (const Data2Row &row : rows) {
        SCOPED_TRACE(row.name);
        ShortcutValidator validator;
        validator.setAllowAnyShortcutWithOptionModifier(row.allowOption);
        EXPECT_EQ(KeyCodeHelper::data2Shortcut(row.key, row.modifiers, validator), row.expected);
    }
}

struct QtKeyRow
{
    const char *name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    int64_t expected;
};

TEST(KeyCodeHelper, QtKeysMapToKeyCodes)
{
    const QtKeyRow rows[] = {
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
    for (const QtKeyRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyCodeHelper::keyCodeForQtKey(row.qtKey, row.modifiers), row.expected);
    }
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

} // namespace
} // namespace tavolin
