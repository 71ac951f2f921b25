#pragma once

#include "common/AppRule.h"
#include "common/Mutex.h"
#include "common/SettingsKeys.h"
#include "common/Shortcut.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

namespace tavolin {

class HotkeyBinder;
class SettingsDomain;

// What a menu rule asks of a menu title (the number stored with the title in "palette_rule_menu").
namespace menuoption {
inline constexpr int kHideItem = 0;     // the item is not listed; the items of its submenu are
inline constexpr int kHideChildren = 1; // the item is listed; nothing below it is
inline constexpr int kSkipMenu = 2;     // the item and its submenu are dropped; the submenu is never read
} // namespace menuoption

// The application and menu rules, read from the settings domain and kept in step with it.
//
// Application rules ("palette_rule_app": [[identifier, rule, name], ...], "palette_rule_app_default") say
// whether the palette shortcut opens the palette over an application. For "auto" applications the menu
// reader records a decision with updateRuleForApp(); decisions live in memory and are dropped when the
// rules that produced them or the palette's shortcut change. Menu rules ("palette_rule_menu": {appKey: [[title, option], ...]}) map
// normalised menu titles to a menuoption, per application key ("gedit", stored as "gedit.app") or for
// "all" applications.
//
// Construction reads the three keys; an application rule list that is unset or not a list is replaced by
// DefaultRules and written back. Malformed entries are skipped, never fatal.
//
// Threads: construct, destroy and set the hook on the main thread; changes of the settings are taken on the
// main thread. The queries (ruleForApp, updateRuleForApp, getIgnorableOption, renderMenuState,
// useDefaultHotKey) are thread-safe: the menu reader asks them from the background pool.
class PaletteRulesManager : public QObject
{
    Q_OBJECT
public:
    static constexpr QLatin1String kAppRulesKey = settings::kAppRules;
    static constexpr QLatin1String kDefaultRuleKey = settings::kAppRuleDefault;
    static constexpr QLatin1String kMenuRulesKey = settings::kMenuRules;

    // The palette's current shortcut, or nullopt when none is bound. Called on the thread asking
    // useDefaultHotKey().
    using CurrentShortcut = std::function<std::optional<Shortcut>()>;

    // `settings` is not owned and must outlive the manager. Menu titles are lower-cased with the rules of
    // `titleLocale` (Turkish "I" becomes "ı" under a Turkish locale).
    PaletteRulesManager(SettingsDomain &settings, CurrentShortcut currentShortcut,
                        const QLocale &titleLocale = QLocale::system(), QObject *parent = nullptr);
    // Takes the current shortcut from the binder's "palette_shortcut" binding; `binder` may be nullptr
    // (no current shortcut) and, when given, must outlive the manager.
    PaletteRulesManager(SettingsDomain &settings, HotkeyBinder *binder,
                        const QLocale &titleLocale = QLocale::system(), QObject *parent = nullptr);
    ~PaletteRulesManager() override;

    // The rule for an application now. An empty identifier (no application) gives Disabled. A recorded
    // decision for an "auto" application is returned silently; otherwise the rule is logged. Rules stored
    // before applications were named by desktop id carry the executable name ("mousepad"): one of those
    // answers for `executableName` when nothing is stored under the identifier.
    AppRule ruleForApp(const QString &bundleIdentifier, const QString &executableName = {}) const;
    // Records the outcome of reading an "auto" application's menus: Allow when `isSafe`, else Disabled.
    // Returns false, recording nothing, for an empty identifier or an application whose rule is not auto.
    bool updateRuleForApp(const QString &bundleIdentifier, bool isSafe, const QString &executableName = {});
    // The menuoption for a menu title in an application (its key with or without ".app"); the application's
    // own rules come before those for "all". nullopt when no rule names the title.
    std::optional<int> getIgnorableOption(const QString &title, const QString &applicationKey) const;
    // Whether any menu rule is stored (for any application). Any thread, without waiting.
    bool hasMenuRules() const { return m_hasMenuRules.load(std::memory_order_relaxed); }
    // "palette_showMenuState"; true when unset.
    bool renderMenuState() const;
    // True when the current palette shortcut is the default one (DefaultRules); false without one.
    bool useDefaultHotKey() const;

    AppRule defaultRule() const;

    // Menu title as rules compare it: every "…" and then every "..." removed, lower-cased for `locale`.
    static QString normalizeMenuTitle(const QString &title, const QLocale &locale);

private:
    void loadAppRules(const QJsonArray &entries);
    QHash<QString, QHash<QString, int>> readMenuRules(const QJsonObject &stored) const;
    AppRule readDefaultRule() const;
    AppRule parseOrDefault(const QString &rule) const REQUIRES(m_mutex);
    // Where an application's rule is kept: its identifier, or its executable name when only that names a
    // rule.
    QString ruleKey(const QString &bundleIdentifier, const QString &executableName) const REQUIRES(m_mutex);
    void onSettingChanged(const QString &key);
    void onAppRulesChanged();

    SettingsDomain &m_settings;
    const CurrentShortcut m_currentShortcut;
    const QLocale m_titleLocale;

    mutable Mutex m_mutex;
    std::atomic<bool> m_hasMenuRules{false}; // m_menuRules is not empty; written under m_mutex
    QHash<QString, QString> m_appRules GUARDED_BY(m_mutex);
    QHash<QString, QString> m_cachedAppRules GUARDED_BY(m_mutex);
    QHash<QString, QHash<QString, int>> m_menuRules GUARDED_BY(m_mutex);
    AppRule m_defaultRule GUARDED_BY(m_mutex) = AppRule::Auto;
};

} // namespace tavolin
