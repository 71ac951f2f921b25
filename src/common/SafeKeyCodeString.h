#pragma once

#include <QString>

#include <cstdint>

namespace tavolin {

class Shortcut;

// Virtual key codes with a meaning of their own in the program (the canonical key space of KeyData).
namespace keycode {
inline constexpr int64_t kA = 0;
inline constexpr int64_t kP = 35;
inline constexpr int64_t kReturn = 36;
inline constexpr int64_t kTab = 48;
inline constexpr int64_t kSpace = 49;
inline constexpr int64_t kBackspace = 51;
inline constexpr int64_t kEscape = 53;
inline constexpr int64_t kKeypadEnter = 76;
inline constexpr int64_t kHome = 115;
inline constexpr int64_t kPageUp = 116;
inline constexpr int64_t kForwardDelete = 117;
inline constexpr int64_t kEnd = 119;
inline constexpr int64_t kPageDown = 121;
inline constexpr int64_t kLeft = 123;
inline constexpr int64_t kRight = 124;
inline constexpr int64_t kDown = 125;
inline constexpr int64_t kUp = 126;
inline constexpr int64_t kF1 = 122;
inline constexpr int64_t kF5 = 96;
} // namespace keycode

// Names of virtual key codes, and back. The names are fixed: glyphs for the editing and navigation keys
// ("↩", "⇥", "←"...), "Space", "F1"–"F19", the keypad's characters, and for every other key the upper-cased
// character it types on a US layout ("A", "1", "[", "§"). They do not follow the user's keyboard layout,
// so a stored key combination means the same physical key everywhere.
//
// All functions are thread-safe; the reverse map is built once, on first use.
class SafeKeyCodeString
{
public:
    // The key's name; "" for codes without one (modifier keys, unknown codes, Shortcut::kKeyCodeNotFound).
    static QString stringForKeyCode(int64_t keyCode);
    static QString getSafeKeyCodeString(const Shortcut &shortcut);
    // The key code whose name is `name` (exact, case-sensitive: "P", not "p"); -1 when no key has it.
    // Keypad codes are left out, so "1" gives the main-row key; when two keys share a name the higher
    // code wins ("?" is the Help key, 114).
    static int64_t keyCodeForChar(const QString &name);

    // The key's name in words for people on Linux: "Return", "Tab", "Backspace", "Escape", "Delete",
    // "Left", "Page Up", "Space", "F5"; other keys keep their name. "" when the code has no name.
    static QString displayNameForKeyCode(int64_t keyCode);
    // The same for a key given by its name ("↩" → "Return"; a single letter is upper-cased: "p" → "P").
    static QString displayNameForKeyName(const QString &name);
};

} // namespace tavolin
