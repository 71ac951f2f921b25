#pragma once

#include "common/Shortcut.h"

#include <QString>

#include <optional>

namespace tavolin {

// A key combination in the form the desktop portal's GlobalShortcuts takes as a preferred trigger
// ("CTRL+SHIFT+p", "LOGO+ALT+space", "CTRL+F5"): modifiers in upper case, then the key's X keysym name.
// Modifiers follow KeyData's Linux reading (Command is Ctrl, Option is Alt, Control is Super). None for a
// key without a keysym (a bare modifier, an unused code): the portal then picks a trigger itself.
std::optional<QString> portalTriggerFor(const Shortcut &shortcut);

} // namespace tavolin
