#pragma once

#include "KeyData.h"

#include <QLatin1String>

#include <cstdint>

// Names of the keys in the palette's settings domain (SettingsDomain::kPaletteDomain) that both programs
// share, and the values a key has while it was never written. Typed reads with these defaults are in
// SettingsReads.h.
namespace tavolin::settings {

// Global shortcut that opens the palette; stored in KeyData's text form. Written with the default below
// on the palette's first start.
inline constexpr QLatin1String kPaletteShortcut{"palette_shortcut"};
inline constexpr int64_t kDefaultPaletteShortcutKeyCode = 35; // P
inline constexpr uint64_t kDefaultPaletteShortcutFlags = eventflag::kCommand | eventflag::kShift;
// Display text of the bound palette shortcut; recognises the palette's own shortcut in menus.
inline constexpr QLatin1String kPaletteShortcutString{"palette_shortcut_string"};
// In a Wayland session, the trigger the desktop's GlobalShortcuts portal reports for the palette shortcut
// ("Ctrl+Alt+K"), written by the palette; absent without the portal.
inline constexpr QLatin1String kPaletteShortcutDesktopTrigger{"palette_shortcut_desktop_trigger"};
// Global shortcut of quick open; registered with this default only while quick open is switched on.
inline constexpr QLatin1String kOpenShortcut{"open_shortcut"};
inline constexpr int64_t kDefaultOpenShortcutKeyCode = 31; // O
inline constexpr uint64_t kDefaultOpenShortcutFlags = eventflag::kCommand | eventflag::kShift;

// Bools.
inline constexpr QLatin1String kShowMenuState{"palette_showMenuState"};
inline constexpr bool kDefaultShowMenuState = true;
inline constexpr QLatin1String kUsePreferenceShortcut{"usePreferenceShortcut"};
inline constexpr QLatin1String kHideAppIcon{"hideAppIcon"};
inline constexpr QLatin1String kHideOptionIcon{"hideOptionIcon"};
inline constexpr QLatin1String kStartOnLogin{"startOnLogin"};
inline constexpr QLatin1String kSendData{"sendData"};
inline constexpr QLatin1String kSkipWelcome{"skipWelcome"};
// Quick open of the target application's files; "open_shortcut" is bound only while it is true.
inline constexpr QLatin1String kQuickOpen{"quickOpen"};
// Default of every bool key above except kShowMenuState.
inline constexpr bool kDefaultFlag = false;

// Rows visible before the list scrolls; absent or below 1 reads as the default. The appearance pane offers
// 5 and up, its menu index being the value minus kListNumberMenuBase.
inline constexpr QLatin1String kListNumber{"listNumber"};
inline constexpr int kDefaultListNumber = 7;
inline constexpr int kListNumberMenuBase = 5;

// Name of the current theme; absent, or naming no built-in theme, means the theme "default".
inline constexpr QLatin1String kTheme{"theme"};
inline constexpr QLatin1String kDefaultTheme{"default"};

// Rules: [[bundle id, rule, name], ...]; the rule of applications without an entry; menu rules by app key.
inline constexpr QLatin1String kAppRules{"palette_rule_app"};
inline constexpr QLatin1String kAppRuleDefault{"palette_rule_app_default"};
inline constexpr QLatin1String kDefaultAppRule{"auto"};
inline constexpr QLatin1String kMenuRules{"palette_rule_menu"};

// Strings without a default (absent means none).
inline constexpr QLatin1String kSkippedVersion{"skippedVersion"};
inline constexpr QLatin1String kAppVersion{"appVersion"};
// Address of the update feed (an appcast: RSS with version attributes); absent: no update checks.
inline constexpr QLatin1String kUpdateFeedURL{"updateFeedURL"};

// The command channel (CommandChannel.h): [name, arguments..., time].
inline constexpr QLatin1String kCommand{"command"};

} // namespace tavolin::settings

// Names of the commands sent over the command channel.
namespace tavolin::command {

inline constexpr QLatin1String kShowOption{"showOption"};
inline constexpr QLatin1String kShowTheme{"showTheme"};
inline constexpr QLatin1String kCheckUpdates{"checkUpdates"};
// ["updateExtension", application key, extension JSON text, time]
inline constexpr QLatin1String kUpdateExtension{"updateExtension"};
inline constexpr QLatin1String kClearHistory{"clearHistory"};
inline constexpr QLatin1String kAccessRecentFolder{"accessRecentFolder"};

} // namespace tavolin::command
