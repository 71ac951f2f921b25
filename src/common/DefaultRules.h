#pragma once

#include "common/SettingsKeys.h"
#include "common/Shortcut.h"

#include <QJsonArray>
#include <QString>

#include <array>
#include <cstdint>

namespace tavolin {

// The application rules written to "palette_rule_app" when it holds none, and the palette's default
// shortcut (Ctrl+Shift+P).
struct DefaultRules
{
    struct Entry
    {
        const char *identifier;
        const char *rule;
        const char *name; // shown in the preferences program only
    };

    // Editors whose own command palette sits on Ctrl+Shift+P keep it: the desktop ids their packages
    // install (Debian packages of their makers, and Flatpak).
    static constexpr std::array<Entry, 7> kAppRules = {{
        {"code", "disabled", "VS Code"},
        {"com.visualstudio.code", "disabled", "VS Code (Flatpak)"},
        {"codium", "disabled", "VSCodium"},
        {"com.vscodium.codium", "disabled", "VSCodium (Flatpak)"},
        {"sublime_text", "disabled", "Sublime Text"},
        {"com.sublimetext.three", "disabled", "Sublime Text (Flatpak)"},
        {"atom", "disabled", "Atom"},
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
