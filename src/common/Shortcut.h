#pragma once

#include <QString>

#include <cstdint>
#include <limits>

namespace tavolin {

// The shortcut value the hot-key binder, the validator and the recorder exchange: a virtual key code (the
// key-code space of SafeKeyCodeString) plus platform event modifier flags (the eventflag bits of KeyData.h).
//
// Only Shift, Control, Option and Command are kept: Caps Lock and Function are key states, not parts of a
// hot key, and every other bit is dropped at construction, so two values made from the same key and
// modifiers compare equal whatever else the event carried. A plain value; any thread.
class Shortcut
{
public:
    // The marker for "no key code" (the largest signed integer); its keyCodeString() is "".
    static constexpr int64_t kKeyCodeNotFound = std::numeric_limits<int64_t>::max();
    // The modifier bits a Shortcut keeps.
    static constexpr uint64_t kModifierMask = 0x20000 | 0x40000 | 0x80000 | 0x100000;

    Shortcut(int64_t keyCode, uint64_t modifierFlags)
        : m_keyCode(keyCode), m_modifierFlags(modifierFlags & kModifierMask) {}

    int64_t keyCode() const { return m_keyCode; }
    uint64_t modifierFlags() const { return m_modifierFlags; }

    // The key's printable name ("P", "F5", "Space", "↩"); "" when the code has none.
    QString keyCodeString() const;
    // Modifier symbols in the order ⌥ ⇧ ⌃ ⌘ followed by keyCodeString(): the same text as
    // KeyData::stringFromShortcut, so it compares equal with KeyData::toString().
    QString description() const;

    bool operator==(const Shortcut &other) const = default;

private:
    int64_t m_keyCode;
    uint64_t m_modifierFlags;
};

} // namespace tavolin
