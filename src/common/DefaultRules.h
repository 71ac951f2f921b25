#pragma once

#include "common/SettingsKeys.h"
#include "common/Shortcut.h"

#include <QJsonArray>
#include <QString>

#include <array>
#include <cstdint>

namespace tavolin {

// The application rules written to "palette_rule_app" when it holds none, and the palette's default
// shortcut (P with Command and Shift).
struct DefaultRules
{
    struct Entry
    {
        const char *identifier;
        const char *rule;
        const char *name; // shown in the preferences program only
    };

    static constexpr std::array<Entry, 5> kAppRules = {{
        {"com.microsoft.VSCode", "disabled", "VS Code"},
        {"com.sublimetext.2", "disabled", "Sublime Text"},
        {"com.github.atom", "disabled", "Atom"},
        {"com.apple.dt.Xcode", "allow", "XCode"},
        {"com.apple.finder", "allow", "Finder"},
    }};

    static constexpr int64_t kPaletteKeyCode = settings::kDefaultPaletteShortcutKeyCode; // P
    static constexpr uint64_t kPaletteModifierFlags = settings::kDefaultPaletteShortcutFlags; // Command+Shift

    static Shortcut paletteShortcut() { return Shortcut(kPaletteKeyCode, kPaletteModifierFlags); }

    // kAppRules in the stored form: [[identifier, rule, name], ...].
    static QJsonArray appRulesJson()
    {
        QJsonArray rules;
        for (const Entry &entry : kAppRules) {
            rules.append(QJsonArray{QString::fromLatin1(entry.identifier), QString::fromLatin1(entry.rule),
                                    QString::fromLatin1(entry.name)});
        }
        return rules;
    }
};
} // namespace tavolin
