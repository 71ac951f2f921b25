#pragma once

#include "palette/Theme.h"

#include <QList>
#include <QObject>

#include <memory>

namespace tavolin {

class SettingsDomain;

// The list of built-in themes and the current one. The current theme is restored by name from the setting
// "theme" on first use (the first theme, "default", when the setting is absent or names no theme); it then
// changes only through apply(), which announces a real change with themeChanged(). Storing the new name
// under "theme" is left to the receiver that shows it (the panel), as is re-drawing.
//
// Threads: the main thread only. The settings domain must outlive the manager.
class ThemeManager : public QObject
{
    Q_OBJECT
public:
    using ThemePtr = std::shared_ptr<const Theme>;

    explicit ThemeManager(SettingsDomain &settings, QObject *parent = nullptr);
    ~ThemeManager() override;

    // Every built-in theme in order: default, Light, Extra Light, morning, vibrancy, Dark Vibrancy,
    // deepblue, Extra Dark. Built at construction.
    QList<ThemePtr> allThemes() const { return m_allThemes; }
    // Rebuilds allThemes() (new objects; the current theme is kept as it is).
    void loadAllThemes();
    // Rebuilds the list and returns the theme the setting names; does not make it current.
    ThemePtr loadCurrentTheme();

    // Never null.
    ThemePtr currentTheme();
    // The first theme of allThemes() with that name; null when none.
    ThemePtr themeNamed(const QString &name, Qt::CaseSensitivity sensitivity = Qt::CaseSensitive) const;

    // Makes `theme` current and emits themeChanged(). Nothing happens for null or for a theme equal to the
    // current one (the same object, or the same name and values from a rebuilt list).
    void apply(const ThemePtr &theme);

Q_SIGNALS:
    // The current theme changed; read it with currentTheme().
    void themeChanged();

private:
    SettingsDomain &m_settings;
    QList<ThemePtr> m_allThemes;
    ThemePtr m_current; // null until first asked for
};

} // namespace tavolin
