#pragma once

#include "accessibility/AXMenu.h"
#include "accessibility/AxAppWatcher.h"
#include "accessibility/ElementSource.h"
#include "accessibility/LocaleUtils.h"
#include "common/Mutex.h"

#include <QLocale>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

class Dispatcher;

// What the application object needs from the layers above (rules, the shell, settings), passed down so this
// layer includes none of them. Functions may be empty (see each); those called while reading (marked
// "any thread") must be thread-safe.
struct AXAppHooks
{
    // The rule for a bundle identifier, or for the executable name when none is stored under the identifier:
    // true for "allow", false for "disabled", none for "auto" (PaletteRulesManager::ruleForApp). Main thread.
    // Empty: "auto".
    std::function<std::optional<bool>(const std::optional<QString> &bundleIdentifier,
                                      const std::optional<QString> &executableName)>
        ruleForApp;
    // Records a decision for an "auto" application (PaletteRulesManager::updateRuleForApp). Any thread.
    std::function<void(const std::optional<QString> &bundleIdentifier, const std::optional<QString> &executableName,
                       bool isSafe)>
        updateRuleForApp;
    // Whether the palette's shortcut is the default one (PaletteRulesManager::useDefaultHotKey). Any thread.
    // Empty: false.
    std::function<bool()> useDefaultHotKey;
    // The shell's forced flag: true while the palette was called in the forced way. Any thread. Empty: false.
    std::function<bool()> triggeredByForce;
    // "palette_shortcut_string" (KeyData::toString() form), none when unset. Any thread. Empty: unset.
    std::function<std::optional<QString>()> paletteShortcutString;
    // Menu rules, as AXReadContext::ignorableOption. Any thread. Empty: no rules.
    std::function<std::optional<int64_t>(const QString &title, const QString &appKey)> ignorableOption;
    // The menu provider's raw application name, the key for menu rules. Any thread. Empty: this
    // application's own appName ("" when none).
    std::function<QString()> appKey;
    // Builds the translation map (background thread). Empty: LocaleUtils::buildTransMap.
    std::function<void(const std::optional<LocaleBundle> &, const std::optional<QString> &locale)> buildTransMap;
    // As AXReadContext::keepDisabled: the terminal tool shows disabled items, marked, instead of leaving them out.
    bool keepDisabledItems = false;
};

enum class MenuLoad {
    MenusOnly,
    WithLanguage, // also loads the application's language and translation map in the background
};

// The application whose menus the palette offers: its identity, its menu bar, the reading of its top-level
// menus (the first at once, the others in parallel on the background pool, or one after another on the main
// thread when the source reads there only), and the trigger decision: whether the palette serves it.
//
// The decision for an "auto" application comes from the first menu item that holds the palette's shortcut:
// in the application's first own menu (on Linux the bar's first menu) the item is tolerated while the
// palette keeps its default shortcut, anywhere later the key is left to the application; a load that ends
// without such an item serves it, however many menus the bar has. "allow" and "disabled" are never changed
// by the menus, except on bars that start with a system menu, whose application menu (the next one) may
// name the palette's own item or take the key whatever the rule.
//
// Made with create() or currentApp() and held by shared_ptr; queued work holds it weakly, so dropping the
// last reference stops further reading and delivery. One object per palette call; a second loadMenus()
// supersedes the first (work of the earlier load delivers nothing more).
//
// Threads: create() and currentApp() ask the application itself (its title), so the palette calls them where
// the source reads (the background pool unless it reads on the main thread only); loadMenus() and
// setWatcher() on the main thread. Getters are thread-safe. Work is queued through the dispatcher given at
// creation, which must outlive the object.
class AXApp : public std::enable_shared_from_this<AXApp>
{
public:
    static constexpr auto kPaletteName = "Tavolin";
    static constexpr double kMessagingTimeoutSeconds = 0.9;

    // The focused application, or none (no focused application or no permission: a line on standard
    // output; the palette itself focused: none, and *paletteFocused set when given). One that does not
    // answer is returned with isAnswering() false and the name of its running application.
    static std::shared_ptr<AXApp> currentApp(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher,
                                             AXAppHooks hooks, bool *paletteFocused = nullptr);
    // The application of element `ref`. Reads its title and process; the running application gives the rest.
    static std::shared_ptr<AXApp> create(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher,
                                         AXAppHooks hooks, ElementRef ref);

    ~AXApp();
    AXApp(const AXApp &) = delete;
    AXApp &operator=(const AXApp &) = delete;

    const std::optional<QString> &name() const { return m_name; }
    // Icon theme name or path; "" when none.
    const QString &icon() const { return m_icon; }
    int32_t pid() const { return m_pid; }
    const std::optional<QString> &appName() const { return m_appName; }
    const std::optional<RunningApp> &runningApplication() const { return m_runningApplication; }
    std::optional<QString> bundleIdentifier() const;
    const ElementRef &ref() const { return m_ref; }

    // Written by the language loading on a background thread; none until then.
    std::optional<QString> locale() const;
    std::optional<QLocale> localeContext() const;

    // False once the application ran into the messaging time-out, when it was found or while its menus
    // were read: its menus are then empty or partial. Any thread.
    bool isAnswering() const { return m_answering.load(); }

    std::optional<bool> shouldTrigger() const;
    bool isLoaded() const { return m_isLoaded.load(); }
    void setLoaded(bool loaded) { m_isLoaded.store(loaded); }
    // The menu bar of the latest load; null before it or when there is none.
    AXMenuPtr menu() const;
    // Top-level menus of the latest load whose submenus are still being read. Main thread.
    int parseCounter() const;

    // Replaces the watcher (an empty pointer drops it). Waits for deliveries running on other threads, so no
    // callback reaches the old watcher once this returns (called from inside a callback, it does not wait).
    // So never call it while holding a lock that the watcher's callbacks take.
    void setWatcher(std::weak_ptr<AxAppWatcher> watcher);

    // Reads the menu bar where the source reads (never waiting on the main thread for the application),
    // then, on the main thread, decides from the rule and starts reading the submenus (see the class
    // comment); with WithLanguage also loads the language on the background pool. Does nothing without an
    // element. An application that does not answer gets an empty menu bar (or the part read).
    void loadMenus(MenuLoad load);

    // Records a trigger decision: unless forced, tells the rules and the watcher; true also marks it loaded.
    // A forced call ignores decisions not to serve (the application stays served).
    void updateShouldTrigger(bool value);

    // What cut the latest reading of the menus short besides a time-out (isAnswering): the limits the source
    // and the reader ran into, elements that vanished. Any thread.
    MenuReadCuts readCuts() const;

    // The context every menu record of this application reads with.
    const AXReadContextPtr &readContext() const { return m_context; }

private:
    struct Load;
    class Delivery;

    AXApp(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher, AXAppHooks hooks, ElementRef ref);

    void readMenuBar(Load &load);
    void menuBarRead(const std::shared_ptr<Load> &load);
    void loadSubmenus(const std::shared_ptr<Load> &load);
    void readTopLevel(const std::shared_ptr<Load> &load, int index);
    void readInOrder(const std::shared_ptr<Load> &load, int index);
    void checkMenu(const std::vector<AXRowInfo> &rows, int index);
    void counterStep(const std::shared_ptr<Load> &load);
    void finishLoad(const std::shared_ptr<Load> &load);
    bool hasApplicationMenu() const;
    void scheduleTopLevel(const std::shared_ptr<Load> &load, int index);
    void applicationMenuCheck(const std::vector<AXRowInfo> &rows);
    void otherMenuCheck(const std::vector<AXRowInfo> &rows, int index);
    bool updateShouldTriggerIfUndecided(bool value);
    void announce(bool value);
    std::optional<AXRowInfo> firstMatch(const std::vector<AXRowInfo> &rows) const;
    void loadLanguage();
    bool forced() const;
    bool isCurrent(const Load &load) const;

    std::shared_ptr<ElementSource> m_source;
    Dispatcher &m_dispatcher;
    AXAppHooks m_hooks;
    AXReadContextPtr m_context;
    std::shared_ptr<MenuReadBudget> m_budget; // the context's; restarted by each load
    ElementRef m_ref;
    std::optional<QString> m_name;
    QString m_icon;
    int32_t m_pid = 0;
    std::optional<QString> m_appName;
    std::optional<RunningApp> m_runningApplication;

    mutable Mutex m_mutex;
    std::optional<QString> m_locale GUARDED_BY(m_mutex);
    std::optional<bool> m_shouldTrigger GUARDED_BY(m_mutex);
    std::shared_ptr<Load> m_load GUARDED_BY(m_mutex);
    std::weak_ptr<AxAppWatcher> m_watcher GUARDED_BY(m_mutex);
    int m_deliveriesInFlight GUARDED_BY(m_mutex) = 0;
    ConditionVariable m_deliveriesDone; // signalled when m_deliveriesInFlight drops to 0
    std::atomic<bool> m_isLoaded{false};
    std::atomic<bool> m_answering{true};
};

using AXAppPtr = std::shared_ptr<AXApp>;

} // namespace tavolin
