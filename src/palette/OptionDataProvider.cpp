#include "OptionDataProvider.h"

#include "common/Dispatcher.h"
#include "palette/ShellPort.h"

namespace tavolin {
namespace {

const QString kOwner = QStringLiteral("Tavolin");

QString appearanceHint(ThemeAppearance appearance)
{
    switch (appearance) {
    case ThemeAppearance::Auto:
    case ThemeAppearance::Vibrant: return OptionDataProvider::tr("Light / Dark");
    case ThemeAppearance::Aqua:
    case ThemeAppearance::VibrantLight: return OptionDataProvider::tr("Light");
    case ThemeAppearance::DarkAqua:
    case ThemeAppearance::VibrantDark: return OptionDataProvider::tr("Dark");
    }
    return OptionDataProvider::tr("Light / Dark");
}

QString currentThemeHint(ThemeManager &themes)
{
    return OptionDataProvider::tr("Current Theme: %1").arg(themes.currentTheme()->name);
}

} // namespace

OptionDataProvider::OptionDataProvider(ShellPort &shell, ThemeManager &themes, Dispatcher &dispatcher,
                                       const QString &version, std::optional<QString> icon)
    : TavolinDataProvider(dispatcher), m_shell(shell), m_themes(themes)
{
    appIconName = std::move(icon);

    m_theme = makeRow(tr("Themes"), std::nullopt, currentThemeHint(themes));
    m_theme->setExpands(true);
    m_theme->setInputHint(tr("Press ↑ ↓ to Switch Themes"));
    m_theme->setApplyOnHover(true);

    const MenuItemDataPtr preferences = makeRow(tr("Preferences"), KeyData(QStringLiteral(","), 0, 0),
                                                tr("Change settings of Tavolin"));
    preferences->setAction([this](RowData &) {
        openPreferencesPanel(QString());
        return true;
    });
    const MenuItemDataPtr about =
        makeRow(tr("About Tavolin"), std::nullopt,
                tr("Current Version: %1").arg(version.isEmpty() ? tr("unknown") : version));
    about->setAction([this](RowData &) {
        openPreferencesPanel(QStringLiteral("about"));
        return true;
    });
    const MenuItemDataPtr quit =
        makeRow(tr("Quit"), KeyData(QStringLiteral("Q"), 0, 0), tr("Terminate Tavolin"));
    quit->setAction([this](RowData &) {
        // Later, so the panel closes and the current event finishes first.
        ShellPort *shell = &m_shell;
        this->dispatcher().toMain([shell] { shell->terminate(); });
        return true;
    });
    allRows = {preferences, m_theme, about, quit};

    m_themeChanged = QObject::connect(&themes, &ThemeManager::themeChanged, &themes, [this] { refreshThemeHint(); });
}

OptionDataProvider::~OptionDataProvider()
{
    QObject::disconnect(m_themeChanged);
}

MenuItemDataPtr OptionDataProvider::makeRow(const QString &title, std::optional<KeyData> shortcut, const QString &hint)
{
    auto row = std::make_shared<MenuItemData>(title, QStringList(), false, std::move(shortcut), kOwner);
    row->setHintLabel(hint);
    return row;
}

void OptionDataProvider::refreshThemeHint() { m_theme->setHintLabel(currentThemeHint(m_themes)); }

void OptionDataProvider::addUpdateMenu(const QString &version)
{
    if (m_updateMenuItem)
        removeUpdateMenu();
    m_updateMenuItem = makeRow(tr("Update"), std::nullopt, tr("Next version: %1").arg(version));
    m_updateMenuItem->setPrimaryHint(QLatin1String(kUpdateHint));
    m_updateMenuItem->setAction([this](RowData &) {
        m_shell.checkForUpdates();
        return true;
    });
    allRows.prepend(m_updateMenuItem);
}

void OptionDataProvider::removeUpdateMenu()
{
    if (m_updateMenuItem && !allRows.isEmpty() && allRows.first() == m_updateMenuItem)
        allRows.removeFirst();
}

void OptionDataProvider::filter(const RowDataPtr &row)
{
    if (row && row == m_theme)
        loadThemes();
    TavolinDataProvider::filter(row);
}

void OptionDataProvider::loadThemes()
{
    const MenuItemData &themesRow = *m_theme;
    for (const MenuItemDataPtr &old : std::as_const(m_themeMenus))
        allRows.removeOne(old);
    m_themeMenus.clear();
    const QString current = m_themes.currentTheme()->name;
    const QStringList path = themesRow.path() + QStringList{themesRow.title()};
    for (const ThemeManager::ThemePtr &theme : m_themes.allThemes()) {
        auto row = std::make_shared<MenuItemData>(theme->name, path, theme->name == current, std::nullopt, kOwner);
        row->setShowWhenPathIs(path.join(kLevelSeparator));
        row->setHintLabel(appearanceHint(theme->appearance));
        row->setAction([this](RowData &chosen) {
            m_themes.apply(m_themes.themeNamed(chosen.title(), Qt::CaseInsensitive));
            return true;
        });
        allRows.append(row);
        m_themeMenus.append(std::move(row));
    }
}

void OptionDataProvider::openPreferencesPanel(const QString &pane)
{
    if (!pane.isEmpty() && m_shell.hasPreferencesProgram()) {
        m_shell.openUrl(QLatin1String(kPreferencesUrl) + pane);
        return;
    }
    m_shell.openPreferences();
}

} // namespace tavolin
