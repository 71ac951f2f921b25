#pragma once

#include "common/Shortcut.h"

#include <optional>

namespace tavolin {

class HotkeyBinder;

// The hot key of quick open.
class QuickOpenConfig
{
public:
    QuickOpenConfig() = delete;

    // Ctrl+Shift+O here (Command-Shift-O in the key space of KeyData): key code 31, Command and Shift.
    static Shortcut defaultHotkey();
    // The combination `binder` holds for "open_shortcut"; none when it holds none or there is no binder.
    // Any thread.
    static std::optional<Shortcut> getHotKey(const HotkeyBinder *binder);
};

} // namespace tavolin
