#include "common/KeyCodeHelper.h"

#include "common/KeyData.h"
#include "common/SafeKeyCodeString.h"

#include <array>

namespace tavolin {
namespace {

struct CodeKey
{
    int64_t code;
    int qtKey;
};

// Keys whose name is not the character they type.
constexpr std::array<CodeKey, 36> kNamedKeys{{
    {keycode::kReturn, Qt::Key_Return}, {keycode::kTab, Qt::Key_Tab}, {keycode::kSpace, Qt::Key_Space},
    {keycode::kBackspace, Qt::Key_Backspace}, {keycode::kEscape, Qt::Key_Escape}, {71, Qt::Key_Clear},
    {keycode::kKeypadEnter, Qt::Key_Enter}, {114, Qt::Key_Help}, {keycode::kHome, Qt::Key_Home},
    {keycode::kPageUp, Qt::Key_PageUp}, {keycode::kForwardDelete, Qt::Key_Delete}, {keycode::kEnd, Qt::Key_End},
    {keycode::kPageDown, Qt::Key_PageDown}, {keycode::kLeft, Qt::Key_Left}, {keycode::kRight, Qt::Key_Right},
    {keycode::kDown, Qt::Key_Down}, {keycode::kUp, Qt::Key_Up},
    {122, Qt::Key_F1}, {120, Qt::Key_F2}, {99, Qt::Key_F3}, {118, Qt::Key_F4}, {96, Qt::Key_F5},
    {97, Qt::Key_F6}, {98, Qt::Key_F7}, {100, Qt::Key_F8}, {101, Qt::Key_F9}, {109, Qt::Key_F10},
    {103, Qt::Key_F11}, {111, Qt::Key_F12}, {105, Qt::Key_F13}, {107, Qt::Key_F14}, {113, Qt::Key_F15},
    {106, Qt::Key_F16}, {64, Qt::Key_F17}, {79, Qt::Key_F18}, {80, Qt::Key_F19},
}};

// Keypad keys; their names are their characters except the minus key, named with an en dash.
constexpr std::array<CodeKey, 16> kKeypadKeys{{
    {65, Qt::Key_Period}, {67, Qt::Key_Asterisk}, {69, Qt::Key_Plus}, {75, Qt::Key_Slash},
    {78, Qt::Key_Minus}, {81, Qt::Key_Equal}, {82, Qt::Key_0}, {83, Qt::Key_1}, {84, Qt::Key_2},
    {85, Qt::Key_3}, {86, Qt::Key_4}, {87, Qt::Key_5}, {88, Qt::Key_6}, {89, Qt::Key_7},
    {91, Qt::Key_8}, {92, Qt::Key_9},
}};

// What Shift types on the main keys of a US layout: a recorder is handed these Qt keys.
constexpr std::array<CodeKey, 22> kShiftedKeys{{
    {18, Qt::Key_Exclam}, {19, Qt::Key_At}, {20, Qt::Key_NumberSign}, {21, Qt::Key_Dollar},
    {23, Qt::Key_Percent}, {22, Qt::Key_AsciiCircum}, {26, Qt::Key_Ampersand}, {28, Qt::Key_Asterisk},
    {25, Qt::Key_ParenLeft}, {29, Qt::Key_ParenRight}, {27, Qt::Key_Underscore}, {24, Qt::Key_Plus},
    {33, Qt::Key_BraceLeft}, {30, Qt::Key_BraceRight}, {42, Qt::Key_Bar}, {41, Qt::Key_Colon},
    {39, Qt::Key_QuoteDbl}, {43, Qt::Key_Less}, {47, Qt::Key_Greater}, {44, Qt::Key_Question},
    {50, Qt::Key_AsciiTilde}, {keycode::kTab, Qt::Key_Backtab},
}};

template<size_t N>
int qtKeyIn(const std::array<CodeKey, N> &table, int64_t code)
{
    for (const CodeKey &entry : table) {
        if (entry.code == code)
            return entry.qtKey;
    }
    return Qt::Key_unknown;
}

template<size_t N>
int64_t codeIn(const std::array<CodeKey, N> &table, int qtKey)
{
    for (const CodeKey &entry : table) {
        if (entry.qtKey == qtKey)
            return entry.code;
    }
    return -1;
}

} // namespace

QJsonValue KeyCodeHelper::serializeShortcut(const Shortcut &shortcut)
{
    const QString text = KeyData::keyDataFromShortcut(shortcut).toStorageString();
    if (text.isEmpty())
        return QJsonValue(QJsonValue::Undefined);
    return QJsonValue(text);
}

std::optional<Shortcut> KeyCodeHelper::deserializeShortcut(const QJsonValue &stored)
{
    if (!stored.isString())
        return std::nullopt;
    const std::optional<KeyData> keyData = KeyData::keyDataFromStoredString(stored.toString());
    if (!keyData)
        return std::nullopt;
    return keyData->toShortcut();
}

std::optional<Shortcut> KeyCodeHelper::data2Shortcut(const std::optional<QString> &key,
                                                     const std::optional<QStringList> &modifiers,
                                                     const ShortcutValidator &validator)
{
    if (!key || !modifiers)
        return std::nullopt;
    const int64_t keyCode = SafeKeyCodeString::keyCodeForChar(*key);
    if (keyCode < 0)
        return std::nullopt;
    uint64_t flags = 0;
    for (const QString &symbol : *modifiers) {
        if (symbol == u"⌘")
            flags |= eventflag::kCommand;
        else if (symbol == u"⇧")
            flags |= eventflag::kShift;
        else if (symbol == u"Fn")
            flags |= eventflag::kFunction;
        else if (symbol == u"⌃")
            flags |= eventflag::kControl;
        else if (symbol == u"⌥")
            flags |= eventflag::kOption;
        else if (symbol == u"⇪")
            flags |= eventflag::kCapsLock;
    }
    const Shortcut shortcut(keyCode, flags);
    if (!validator.isShortcutValid(shortcut))
        return std::nullopt;
    return shortcut;
}

int64_t KeyCodeHelper::keyCodeForQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        const int64_t code = codeIn(kKeypadKeys, qtKey);
        if (code >= 0)
            return code;
    }
    if (qtKey == Qt::Key_unknown)
        return -1;
    if (const int64_t code = codeIn(kNamedKeys, qtKey); code >= 0)
        return code;
    if (const int64_t code = codeIn(kShiftedKeys, qtKey); code >= 0)
        return code;
    // Without the keypad modifier a digit or a sign is the main key, as keyCodeForChar() has it.
    for (int64_t code = 0; code < 128; ++code) {
        if (code >= 65 && code <= 92)
            continue;
        if (qtKeyForKeyCode(code) == qtKey)
            return code;
    }
    return -1;
}

int KeyCodeHelper::qtKeyForKeyCode(int64_t keyCode)
{
    if (const int key = qtKeyIn(kNamedKeys, keyCode); key != Qt::Key_unknown)
        return key;
    if (const int key = qtKeyIn(kKeypadKeys, keyCode); key != Qt::Key_unknown)
        return key;
    // Every other named key types one Latin-1 character, and Qt's key value is that character's code
    // (upper-case for letters): "A" → Qt::Key_A, "§" → Qt::Key_section.
    const QString name = SafeKeyCodeString::stringForKeyCode(keyCode);
    if (name.size() == 1 && name.at(0).unicode() < 0x100)
        return name.at(0).unicode();
    return Qt::Key_unknown;
}

uint64_t KeyCodeHelper::eventFlagsForQtModifiers(Qt::KeyboardModifiers modifiers)
{
    uint64_t flags = 0;
    for (const ModifierBits &modifier : kModifierBits) {
        if (modifiers.testFlag(modifier.qtModifier))
            flags |= modifier.eventFlag;
    }
    return flags;
}

Qt::KeyboardModifiers KeyCodeHelper::qtModifiersForEventFlags(uint64_t eventFlags)
{
    Qt::KeyboardModifiers modifiers;
    for (const ModifierBits &modifier : kModifierBits) {
        if (eventFlags & modifier.eventFlag)
            modifiers |= modifier.qtModifier;
    }
    return modifiers;
}

} // namespace tavolin
