#include "files/QuickOpenConfig.h"

#include "common/HotkeyBinder.h"
#include "common/SettingsKeys.h"

namespace tavolin {

Shortcut QuickOpenConfig::defaultHotkey()
{
    return Shortcut(settings::kDefaultOpenShortcutKeyCode, settings::kDefaultOpenShortcutFlags);
}

std::optional<Shortcut> QuickOpenConfig::getHotKey(const HotkeyBinder *binder)
{
    return binder ? binder->shortcutForKey(QString(settings::kOpenShortcut)) : std::nullopt;
}

} // namespace tavolin
