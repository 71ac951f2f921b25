#pragma once

#include <QJsonObject>
#include <QString>
#include <QtCore/qnamespace.h>

#include <cstdint>
#include <optional>

namespace tavolin {

class Shortcut;

// Modifier mask of a KeyData. The Command bit is inverted: 0 is Command alone, 8 is no modifier at all.
namespace keymask {
inline constexpr int64_t kShift = 1;
inline constexpr int64_t kOption = 2;
inline constexpr int64_t kControl = 4;
inline constexpr int64_t kNoCommand = 8;
} // namespace keymask

// Platform event modifier flags, the modifier space of Shortcut values.
namespace eventflag {
inline constexpr uint64_t kCapsLock = 0x10000;
inline constexpr uint64_t kShift = 0x20000;
inline constexpr uint64_t kControl = 0x40000;
inline constexpr uint64_t kOption = 0x80000;
inline constexpr uint64_t kCommand = 0x100000;
inline constexpr uint64_t kFunction = 0x800000;
} // namespace eventflag

// One modifier in each space that names it. On Linux Command is Ctrl, Control is Super (Qt's Meta) and
// Option is Alt.
struct ModifierBits
{
    int64_t maskBit;
    uint64_t eventFlag;
    Qt::KeyboardModifier qtModifier;
};
inline constexpr ModifierBits kModifierBits[] = {
    {keymask::kShift, eventflag::kShift, Qt::ShiftModifier},
    {keymask::kOption, eventflag::kOption, Qt::AltModifier},
    {keymask::kControl, eventflag::kControl, Qt::MetaModifier},
    {keymask::kNoCommand, eventflag::kCommand, Qt::ControlModifier},
};

// A key combination: a menu item's or an extension's shortcut, in the encoding accessibility reports it:
// a character (or key name such as "Space", "F5") or a virtual key code, plus the compact modifier mask.
// On Linux the modifiers are shown as Command → Ctrl, Control → Super, Option → Alt (see displayText()).
struct KeyData
{
    std::optional<QString> cmdChar; // absent or empty when the key is given by virtualKey
    int64_t virtualKey = 0;         // 0: no virtual key
    int64_t modifierFlags = 0;      // keymask bits

    KeyData() = default;
    KeyData(std::optional<QString> cmdChar, int64_t virtualKey, int64_t modifiers)
        : cmdChar(std::move(cmdChar)), virtualKey(virtualKey), modifierFlags(modifiers) {}

    // Mask → event flags (Command when the mask lacks kNoCommand).
    uint64_t eventModifierFlags() const;
    // Event flags → mask; flags other than Shift, Option, Control and Command are dropped.
    static int64_t flagsFromEvent(uint64_t eventFlags);

    // The identity text compared everywhere: symbols in the order ⌥ ⇧ ⌃ ⌘, then the key; "" without a key.
    QString toString() const;
    // The text people read on Linux, e.g. "Ctrl+Shift+P" (Super, Ctrl, Alt, Shift order; glyph keys in words:
    // "Ctrl+Return", "Page Up"); "" without a key or for a key code without a name.
    QString displayText() const;
    // The stored text form, e.g. "cmd+shift+p" (Ctrl+Shift+P), "super+alt+space", "f5" (modifiers cmd,
    // super, alt, shift, then the key's name in lower case; a key given by virtualKey is written by its name).
    // keyDataFromStoredString() and keyDataFromString() read it back to the same combination; a keypad key
    // comes back as its main-row twin. "" when there is no key or the text would be refused (a letter alone,
    // a key only the keypad has).
    QString toStorageString() const;
    // Parses key text people write, in the names the programs show on Linux ("Ctrl+Shift+P", "super + alt +
    // space", "Ctrl+Page Up", "f5"; Super, Meta or Win for the Super key) or in the record's own words
    // ("Command+Shift+P", "cmd+ctrl+k": a text that names cmd reads ctrl as the Control bit, Super here).
    // nullopt when refused.
    static std::optional<KeyData> keyDataFromString(const QString &text);
    // Reads a value stored under a shortcut settings key: every form toStorageString() writes or wrote
    // before (older builds wrote Super as "ctrl": "ctrl+alt+space", exactly so, keeps that meaning), and
    // otherwise text as keyDataFromString() reads it.
    static std::optional<KeyData> keyDataFromStoredString(const QString &text);

    // Key code from the character's name (SafeKeyCodeString::keyCodeForChar), else virtualKey when at least
    // 1; event flags from the mask. nullopt without a key or for a character no key is named.
    std::optional<Shortcut> toShortcut() const;
    // cmdChar = the shortcut's key name, present even when "" (then virtualKey = its key code, else 0).
    static KeyData keyDataFromShortcut(const Shortcut &shortcut);
    // Modifier symbols of the shortcut (⌥ ⇧ ⌃ ⌘) followed by its key-code string.
    static QString stringFromShortcut(const Shortcut &shortcut);

    // JSON object with "cmdChar" (only when present), "virtualKey", "modifierFlags".
    QJsonObject toJson() const;
    // nullopt when "virtualKey" or "modifierFlags" is missing or not a number, or "cmdChar" is not a string.
    static std::optional<KeyData> fromJson(const QJsonObject &object);

    // Characters both absent or equal, and equal virtualKey and modifierFlags.
    bool operator==(const KeyData &other) const = default;
};

} // namespace tavolin
