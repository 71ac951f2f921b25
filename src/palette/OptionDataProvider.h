#pragma once

#include <QCoreApplication>
#include "palette/ThemeManager.h"
#include "palette/TavolinDataProvider.h"

#include <QMetaObject>
#include <QString>

#include <optional>

namespace tavolin {

class ShellPort;

// The palette's own rows, shown in the SelfOptions mode: "Preferences", "Themes" (a level whose rows
// preview a theme while selected), "About Tavolin", "Quit", and "Update" at the top while an update is
// offered. Option rows are never reached by shortcut: keyMaps stays empty.
//
// Ownership: the shell and the theme manager are not owned and must outlive the provider, and so must
// every row it made (their actions refer to the provider).
// Threads: main thread only.
class OptionDataProvider : public TavolinDataProvider
{
    Q_DECLARE_TR_FUNCTIONS(tavolin::OptionDataProvider)

public:
    static constexpr auto kPreferencesUrl = "tavolin-preferences://preferences/";
    static constexpr auto kUpdateHint = "Update Avaiable";

    // `version`: the program's short version ("unknown" when empty); `icon`: the program's own icon.
    OptionDataProvider(ShellPort &shell, ThemeManager &themes, Dispatcher &dispatcher, const QString &version,
                       std::optional<QString> icon = std::nullopt);
    ~OptionDataProvider() override;
    OptionDataProvider(const OptionDataProvider &) = delete;
    OptionDataProvider &operator=(const OptionDataProvider &) = delete;

    // The "Themes" row.
    const MenuItemDataPtr &theme() const { return m_theme; }
    const MenuItemDataPtr &updateMenuItem() const { return m_updateMenuItem; }
    const QList<MenuItemDataPtr> &themeMenus() const { return m_themeMenus; }
    // While true the panel's mode button shows "back"; the panel sets it again whenever it closes.
    bool haveBack = true;

    // Puts an "Update" row for `version` first (replacing an earlier one).
    void addUpdateMenu(const QString &version);
    // Takes the update row away again when it is still first.
    void removeUpdateMenu();
    // Opens the preferences program at `pane` by its address when it is installed and a pane is given,
    // else at its default pane.
    void openPreferencesPanel(const QString &pane);

    // Opening the "Themes" row lists the themes afresh first.
    void filter(const RowDataPtr &row) override;

private:
    static MenuItemDataPtr makeRow(const QString &title, std::optional<KeyData> shortcut, const QString &hint);
    void refreshThemeHint();
    // One row per theme under the "Themes" row, the current one checked; rows made by an earlier call are
    // removed first.
    void loadThemes();

    ShellPort &m_shell;
    ThemeManager &m_themes;
    MenuItemDataPtr m_updateMenuItem;
    QList<MenuItemDataPtr> m_themeMenus;
    MenuItemDataPtr m_theme;
    QMetaObject::Connection m_themeChanged;
};

} // namespace tavolin
