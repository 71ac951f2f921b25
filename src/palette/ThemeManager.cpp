#include "palette/ThemeManager.h"

#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "palette/ThemeFactory.h"

namespace tavolin {

ThemeManager::ThemeManager(SettingsDomain &settings, QObject *parent) : QObject(parent), m_settings(settings)
{
    loadAllThemes();
}

ThemeManager::~ThemeManager() = default;

void ThemeManager::loadAllThemes()
{
    m_allThemes.clear();
    for (Theme &theme : ThemeFactory::all())
        m_allThemes.append(std::make_shared<const Theme>(std::move(theme)));
}

ThemeManager::ThemePtr ThemeManager::loadCurrentTheme()
{
    loadAllThemes();
    const QString name = m_settings.stringValue(settings::kTheme);
    if (ThemePtr named = themeNamed(name))
        return named;
    return m_allThemes.first();
}

ThemeManager::ThemePtr ThemeManager::currentTheme()
{
    if (!m_current)
        m_current = loadCurrentTheme();
    return m_current;
}

ThemeManager::ThemePtr ThemeManager::themeNamed(const QString &name, Qt::CaseSensitivity sensitivity) const
{
    for (const ThemePtr &theme : m_allThemes) {
        if (theme->name.compare(name, sensitivity) == 0)
            return theme;
    }
    return nullptr;
}

void ThemeManager::apply(const ThemePtr &theme)
{
    if (!theme)
        return;
    const ThemePtr current = currentTheme();
    if (theme == current || *theme == *current)
        return;
    m_current = theme;
    Q_EMIT themeChanged();
}

} // namespace tavolin
