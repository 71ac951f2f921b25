#include "SettingsReads.h"

#include "SettingsDomain.h"
#include "SettingsKeys.h"

#include <limits>

namespace tavolin::settings {
namespace {

std::optional<QString> optionalString(const SettingsDomain &domain, const QString &key)
{
    const QJsonValue stored = domain.value(key);
    if (!stored.isString())
        return std::nullopt;
    return stored.toString();
}

} // namespace

int listNumber(const SettingsDomain &domain)
{
    const qint64 stored = domain.intValue(kListNumber, kDefaultListNumber);
    if (stored < 1 || stored > std::numeric_limits<int>::max())
        return kDefaultListNumber;
    return static_cast<int>(stored);
}

bool showMenuState(const SettingsDomain &domain) { return domain.boolValue(kShowMenuState, kDefaultShowMenuState); }
bool usePreferenceShortcut(const SettingsDomain &domain) { return domain.boolValue(kUsePreferenceShortcut, kDefaultFlag); }
bool hideAppIcon(const SettingsDomain &domain) { return domain.boolValue(kHideAppIcon, kDefaultFlag); }
bool hideOptionIcon(const SettingsDomain &domain) { return domain.boolValue(kHideOptionIcon, kDefaultFlag); }
bool startOnLogin(const SettingsDomain &domain) { return domain.boolValue(kStartOnLogin, kDefaultFlag); }
bool sendData(const SettingsDomain &domain) { return domain.boolValue(kSendData, kDefaultFlag); }
bool skipWelcome(const SettingsDomain &domain) { return domain.boolValue(kSkipWelcome, kDefaultFlag); }

QString themeName(const SettingsDomain &domain)
{
    const QString stored = domain.stringValue(kTheme);
    return stored.isEmpty() ? QString(kDefaultTheme) : stored;
}

QString paletteShortcutString(const SettingsDomain &domain) { return domain.stringValue(kPaletteShortcutString); }

std::optional<QString> skippedVersion(const SettingsDomain &domain) { return optionalString(domain, kSkippedVersion); }

std::optional<QString> appVersion(const SettingsDomain &domain) { return optionalString(domain, kAppVersion); }

} // namespace tavolin::settings
