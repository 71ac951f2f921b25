#pragma once

#include <QString>

#include <optional>

namespace tavolin {

class SettingsDomain;

// Typed reads of the shared settings keys (SettingsKeys.h), each giving the key's default when the key is
// absent or holds a value of another type. They read the domain's cache: thread-safe, never touching disk.
namespace settings {

// "listNumber": the stored integer when it is at least 1 and fits an int, else 7.
int listNumber(const SettingsDomain &domain);
// "palette_showMenuState": true unless stored false (or 0).
bool showMenuState(const SettingsDomain &domain);
bool usePreferenceShortcut(const SettingsDomain &domain);
bool hideAppIcon(const SettingsDomain &domain);
bool hideOptionIcon(const SettingsDomain &domain);
bool startOnLogin(const SettingsDomain &domain);
bool sendData(const SettingsDomain &domain);
bool skipWelcome(const SettingsDomain &domain);
// "theme": the stored name, or "default" when absent, empty or not a string.
QString themeName(const SettingsDomain &domain);
// "palette_shortcut_string": "" when absent.
QString paletteShortcutString(const SettingsDomain &domain);
// "skippedVersion", "appVersion": nullopt when absent or not a string.
std::optional<QString> skippedVersion(const SettingsDomain &domain);
std::optional<QString> appVersion(const SettingsDomain &domain);

} // namespace settings
} // namespace tavolin
