#pragma once

#include "common/KeyData.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tavolin::x11 {

// X keysyms and modifier state for the program's canonical key space (the virtual key codes and US-layout
// names of SafeKeyCodeString, and the modifier flags of Shortcut/KeyData).
//
// Modifiers follow KeyData's Linux reading: Command is Ctrl, Option is Alt (Mod1), Control is Super (Mod4),
// Shift is Shift. Pure functions, thread-safe; nothing here needs a display connection.

// X11 modifier state bits (X.h values, repeated so callers need not include Xlib).
inline constexpr unsigned kShiftMask = 1u << 0;
inline constexpr unsigned kLockMask = 1u << 1;
inline constexpr unsigned kControlMask = 1u << 2;
inline constexpr unsigned kMod1Mask = 1u << 3; // Alt
inline constexpr unsigned kMod4Mask = 1u << 6; // Super

// The unshifted keysym of a virtual key code (lower-case letter, digit, "F5", "Return"...); none for codes
// without a key on a US layout (modifier keys, unused codes).
std::optional<uint32_t> keysymForKeyCode(int64_t keyCode);
// The virtual key code a keysym is typed with; letters of either case, ISO_Left_Tab as Tab. None for
// keysyms that need a shifted key ("plus") or have no key in the table.
std::optional<int64_t> keyCodeForKeysym(uint32_t keysym);

// Shortcut event flags → X modifier state, and back (bits other than the four modifiers are ignored).
unsigned x11ModifiersForFlags(uint64_t eventFlags);
uint64_t flagsForX11Modifiers(unsigned state);

// A key combination as the menu reader's records carry it: a printable key as its upper-cased name in
// cmdChar ("P", "+", "["), a named key ("F5", "Delete", arrows) as its virtual key; modifier mask from
// `eventFlags`. None when the keysym is a bare modifier or unusable.
std::optional<KeyData> keyDataForKeysym(uint32_t keysym, uint64_t eventFlags);

// GTK's accelerator text, e.g. "<Primary><Shift>Delete", "<Control>q", "F11", "<Alt>1". "<Primary>" and
// "<Control>" are Ctrl. None for an empty or unparsable text.
std::optional<KeyData> keyDataFromGtkAccelerator(const QString &accelerator);

// GTK's AT-SPI key binding "mnemonic;mnemonic-path;accelerator": only the accelerator field is a shortcut.
std::optional<KeyData> keyDataFromGtkKeyBinding(const QString &binding);

// Qt's portable shortcut text, e.g. "Ctrl+Shift+P", "F5", "Ctrl++", "Del". A plain "Alt+X" whose X is a
// letter or digit of `title` is taken as the label's mnemonic, not a shortcut (Qt reports mnemonics in the
// same field), and gives none. None for an empty or unparsable text.
std::optional<KeyData> keyDataFromQtKeyBinding(const QString &binding, const QString &title);

} // namespace tavolin::x11
