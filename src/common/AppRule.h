#pragma once

#include <QString>

#include <array>
#include <optional>

namespace tavolin {

// What the palette shortcut does over an application: open the palette (Allow), leave the shortcut to the
// application (Disabled), or decide from the application's own menus (Auto). Stored as "allow", "disabled"
// and "auto"; the order of the cases is part of the stored contract of the preferences program.
enum class AppRule { Allow, Disabled, Auto };

inline constexpr std::array<AppRule, 3> kAllAppRules = {AppRule::Allow, AppRule::Disabled, AppRule::Auto};

inline QString appRuleString(AppRule rule)
{
    switch (rule) {
    case AppRule::Allow: return QStringLiteral("allow");
    case AppRule::Disabled: return QStringLiteral("disabled");
    case AppRule::Auto: return QStringLiteral("auto");
    }
    return QStringLiteral("auto");
}

// nullopt for any string that is not exactly one of the three stored forms.
inline std::optional<AppRule> appRuleFromString(const QString &text)
{
    for (AppRule rule : kAllAppRules) {
        if (text == appRuleString(rule))
            return rule;
    }
    return std::nullopt;
}

} // namespace tavolin
