#pragma once

#include "accessibility/AXApp.h"
#include "accessibility/AxAppWatcher.h"
#include "common/Mutex.h"
#include "common/PluginDataItem.h"
#include "palette/MenuHistory.h"
#include "palette/TavolinDataProvider.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavolin {

class DataSource;
class PaletteRulesManager;
class PluginDataProvider;

// The rows of the command palette mode: the target application's menu commands grouped by top-level menu,
// its extension commands in a group of their own, and, while the menus are still being read, placeholders
// for the application's history.
//
// It is the watcher of the current AXApp: each menu read is turned into rows, deduplicated (the same title
// with an equal shortcut twice in one menu gives one row), filtered by the menu rules (option 0 hides an
// item but lists its children; option 1, through hiddenByAncestor(), hides what lies below an item), and
// matched with the history. A history entry's placeholder is dropped as soon as its live row is read; the
// placeholders still left when every menu has been read stand for commands the application no longer has,
// and are deleted from the history then. It tells its own watcher (the palette controller) when its rows
// changed and when the application's menus decided whether the palette serves it.
//
// Loading another application, or resetState(), drops the old application's watcher first, so no row of
// a menu still being read for it ever reaches the new lists.
//
// Ownership: held by shared_ptr (the application holds it weakly); create() makes one.
// Threads: loadFromApp, resetState, onUpdate(menu), onLoadFinished, addRecent, clearHistory and the
// DataProvider operations on the main thread. onUpdate(item, index) runs on reading threads, several at
// once; it builds its rows without the lock and stores them under it. The base class's lists are the main
// thread's; the rows and their maps are m_lock's.
class MenuDataProvider : public TavolinDataProvider,
                         public AxAppWatcher,
                         public std::enable_shared_from_this<MenuDataProvider>
{
public:
    static constexpr auto kExtensionsTitle = "Extensions";
    static constexpr auto kOwnExtensionsTitle = "Extensions (Tavolin)";
    // The palette's own desktop service item, never listed.
    static constexpr auto kServiceTitle = "Tavolin: Command Palette";

    // What the provider works with; each must outlive it.
    struct Context
    {
        // Where histories are kept. Required.
        MenuHistory *history = nullptr;
        // Where extensions come from. Null: no extension group.
        PluginDataProvider *extensions = nullptr;
        // The panel's mode (history is recorded only in the command palette mode). Required.
        DataSource *dataSource = nullptr;
        // The menu rules; asked when no ignorableOption is given. Neither: no menu rule applies.
        PaletteRulesManager *rules = nullptr;
        // Where work is queued (rows read on other threads reach the watcher on the main thread). Required.
        Dispatcher *dispatcher = nullptr;
        // The menu rule option of a title in an application, in place of `rules`.
        std::function<std::optional<int>(const QString &title, const QString &appKey)> ignorableOption;
    };

    static std::shared_ptr<MenuDataProvider> create(Context context);
    ~MenuDataProvider() override;

    // Starts loading the rows of `app` (none: clears everything). The same application object again reads
    // its menus only; a new one also loads its language. `force` marks the application loaded at once.
    void loadFromApp(const AXAppPtr &app, bool force);
    // Forgets the application, every row and the search over them; reading still under way for it delivers
    // nothing more.
    void resetState() EXCLUDES(m_lock);

    // The command rows group after group, then the history placeholders not yet replaced.
    QList<MenuItemDataPtr> all() override;
    QList<MenuItemDataPtr> topLevels() const;
    QList<MenuItemDataPtr> recents() const;
    bool hasExtension() const;
    // The application whose menus are loaded; null when none or when it is gone.
    AXAppPtr ref() const EXCLUDES(m_lock);
    // The key of menu rules and rows: the executable name, else the title, else "". Any thread.
    QString appKey() const EXCLUDES(m_lock);
    AppMenuHistoryItemsPtr appHistoryItem() const;

    // The watcher is held weakly; an empty pointer drops it. Main thread.
    void setWatcher(std::weak_ptr<MenuDataProviderWatcher> watcher);

    // Records a performed row at the head of the application's history (command palette mode only).
    void addRecent(const MenuItemData &row);
    // Routes every performed menu row (MenuItemData's performed sink) to addRecent() of this provider.
    void recordPerformedRows();
    // Forgets every application's history, including the history rows of the current application.
    void clearHistory();
    // How an extension row learns the document of the application it is performed over: `read` gets the
    // application's element and returns the focused window's document path ("" when none). It runs on the
    // extension runner's thread when the row is performed, so the document is the one shown then.
    void setDocumentSource(std::function<QString(const ElementRef &app)> read);

    // AxAppWatcher
    void onUpdate(const AXMenuPtr &menu) override;
    std::vector<AXRowInfo> onUpdate(const AXMenuItemPtr &item, int index) override;
    void onShouldTriggerUpdate(bool value) override;
    void onLoadFinished() override;

    // TavolinDataProvider hooks
    bool hiddenByAncestor(const MenuItemData *parent, const MenuItemData &current) override;
    void shouldAppendTopLevels() override;
    bool shouldMatchEntitle() override { return true; }
    RowDataPtr itemForShortcut(const QString &text) override;
    // "NAME is not answering" while the application's menus could not be read (at the top level).
    QString inputHint() override;
    // The row under a shortcut text (KeyData::toString()), or null. Any thread.
    MenuItemDataPtr shortcutRow(const QString &text) const;

private:
    struct Walk;

    explicit MenuDataProvider(Context context);

    MenuHistory &history() const;
    DataSource &dataSource() const;
    std::optional<int> ruleOption(const QString &title, const QString &appKey) const;
    void walkItem(Walk &walk, const AXMenuItemPtr &item, const MenuItemData *parent) const;
    static void matchHistory(MenuItemData &row, const QList<MenuHistoryItemPtr> &entries,
                             QList<MenuHistoryItemPtr> &matched);
    void dropTombstones(const QList<MenuHistoryItemPtr> &matched) REQUIRES(m_lock);
    bool appendExtensions() EXCLUDES(m_lock);
    MenuItemDataPtr extensionRow(PluginDataProvider &extensions, const PluginDataItem &item, const QString &group,
                                 const QString &key);
    bool keepsRowsFor(const AXApp &app) const EXCLUDES(m_lock);
    void detachApplication(const AXAppPtr &old) EXCLUDES(m_lock);
    void loadHistory(const std::optional<QString> &name) EXCLUDES(m_lock);
    bool keptBarMatches(const AXMenu &menu) EXCLUDES(m_lock);
    bool dropExtensionGroup() EXCLUDES(m_lock);
    void rebuildKeyMaps() REQUIRES(m_lock);
    void notifyUpdate() EXCLUDES(m_lock);
    void updateWatcherSoon();
    bool onMainThread() const;

    Context m_context;

    mutable Mutex m_lock;
    std::function<QString(const ElementRef &)> m_documentSource GUARDED_BY(m_lock);
    QList<MenuItemDataPtr> m_topLevels GUARDED_BY(m_lock);
    QList<QList<MenuItemDataPtr>> m_menus GUARDED_BY(m_lock);      // same positions as m_topLevels
    QList<MenuItemDataPtr> m_recents GUARDED_BY(m_lock);           // placeholders not yet replaced
    QList<MenuHistoryItemPtr> m_historyEntries GUARDED_BY(m_lock); // the history as loaded, for matching
    QHash<QString, MenuItemDataPtr> m_keyMaps GUARDED_BY(m_lock);  // KeyData::toString() → row
    bool m_hasExtension GUARDED_BY(m_lock) = false;
    // Every placeholder made at the load, and the history entries whose rows this load's menus (not rows
    // kept from the last show) held; what is left at the end is gone from the application.
    QList<MenuItemDataPtr> m_tombstones GUARDED_BY(m_lock);
    QList<MenuHistoryItemPtr> m_freshMatches GUARDED_BY(m_lock);
    MenuItemDataPtr m_extensionGroup GUARDED_BY(m_lock); // null when none is listed
    // Whose rows are listed (process and title), and whether they are a whole tree, read to its end: then
    // the next load for the same owner keeps them listed while it reads again.
    struct RowsOwner
    {
        int32_t pid = 0;
        QString name;
    };
    RowsOwner m_rowsOwner GUARDED_BY(m_lock);
    bool m_rowsComplete GUARDED_BY(m_lock) = false;
    std::weak_ptr<AXApp> m_ref GUARDED_BY(m_lock);
    std::optional<QString> m_rawAppName GUARDED_BY(m_lock); // the executable's name, for its extensions
    QString m_appKey GUARDED_BY(m_lock);
    std::weak_ptr<MenuDataProviderWatcher> m_watcher GUARDED_BY(m_lock);

    AppMenuHistoryItemsPtr m_appHistoryItem; // main thread
    std::atomic<bool> m_updateQueued{false};  // a notifyUpdate() is queued for the main thread
};

} // namespace tavolin
