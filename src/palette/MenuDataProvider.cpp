#include "MenuDataProvider.h"

#include "common/Dispatcher.h"
#include "common/Log.h"
#include "common/Mutex.h"
#include "common/PaletteRulesManager.h"
#include "extensions/PluginDataProvider.h"
#include "palette/DataSource.h"

#include <QCoreApplication>
#include <QMultiHash>
#include <QThread>

#include <chrono>

namespace tavolin {
namespace {

bool mayBeListed(const MenuItemData &row)
{
    if (row.isSelfHidden())
        return false;
    return row.expands() || row.title() != QLatin1String(MenuDataProvider::kServiceTitle);
}

QString shortcutText(const MenuItemData &row)
{
    return row.shortcut() ? row.shortcut()->toString() : QString();
}

} // namespace

// The rows of one top-level menu, built by one reading thread without the provider's lock; stored under it
// afterwards only while the menu's group still belongs to the current application.
struct MenuDataProvider::Walk
{
    QString key;
    QList<MenuHistoryItemPtr> history; // the history as loaded; empty: no matching
    const MenuItemData *top = nullptr;
    bool topHasChild = false;
    bool sawExtensions = false;
    QList<MenuItemDataPtr> rows;
    QMultiHash<QString, const MenuItemData *> withShortcut; // by title, for the duplicate rule
    QList<MenuHistoryItemPtr> matched;                      // entries whose live row was read
};

std::shared_ptr<MenuDataProvider> MenuDataProvider::create(Context context)
{
    return std::shared_ptr<MenuDataProvider>(new MenuDataProvider(std::move(context)));
}

MenuDataProvider::MenuDataProvider(Context context)
    : TavolinDataProvider(*context.dispatcher), m_context(std::move(context))
{
}

MenuDataProvider::~MenuDataProvider() = default;

MenuHistory &MenuDataProvider::history() const
{
    return *m_context.history;
}

DataSource &MenuDataProvider::dataSource() const
{
    return *m_context.dataSource;
}

std::optional<int> MenuDataProvider::ruleOption(const QString &title, const QString &appKey) const
{
    if (m_context.ignorableOption)
        return m_context.ignorableOption(title, appKey);
    if (m_context.rules)
        return m_context.rules->getIgnorableOption(title, appKey);
    return std::nullopt;
}

bool MenuDataProvider::onMainThread() const
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void MenuDataProvider::loadFromApp(const AXAppPtr &app, bool force)
{
    const AXAppPtr old = ref();
    const bool same = old && app && old == app;
    const bool keep = app && keepsRowsFor(*app);
    if (keep)
        detachApplication(old);
    else
        resetState();
    if (!app) {
        appIconName.reset();
        m_appHistoryItem.reset();
        MutexLocker lock(m_lock);
        m_rawAppName.reset();
        m_appKey.clear();
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    appIconName = app->icon().isEmpty() ? std::nullopt : std::optional<QString>(app->icon());
    {
        MutexLocker lock(m_lock);
        m_ref = app;
        m_rawAppName = app->appName();
        m_appKey = m_rawAppName.value_or(app->name().value_or(QString()));
        m_rowsOwner = {app->pid(), app->name().value_or(QString())};
    }
    loadHistory(app->name());
    app->setWatcher(weak_from_this());
    app->loadMenus(same ? MenuLoad::MenusOnly : MenuLoad::WithLanguage);
    if (force)
        app->setLoaded(true);
    // The history rows, and the rows kept from the last show, are listed before any menu is read again.
    notifyUpdate();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    log::debug(QStringLiteral("isDifferentApp: %1, convert AXMenu cost %2 ms")
                   .arg(same ? QStringLiteral("false") : QStringLiteral("true"))
                   .arg(elapsed.count()));
    // The latency benchmark times the second show's first rows from this line.
    if (keep)
        log::debug(QStringLiteral("menu rows kept from the last show: %1 rows").arg(all().size()));
}

// The rows of the last show stay listed while the same application process (and title) is served again:
// its menus are read again behind them, and each menu read replaces its group, so a command added or
// renamed since shows up as soon as its menu is read. Only a tree read to its end is kept.
bool MenuDataProvider::keepsRowsFor(const AXApp &app) const
{
    MutexLocker lock(m_lock);
    return m_rowsComplete && m_rowsOwner.pid == app.pid() && m_rowsOwner.name == app.name().value_or(QString());
}

void MenuDataProvider::detachApplication(const AXAppPtr &old)
{
    // Outside the lock: this waits for deliveries in flight, which take the lock themselves.
    if (old)
        old->setWatcher({});
    MutexLocker lock(m_lock);
    m_ref.reset();
}

// The application's history: its placeholders, and the history marks of rows kept from the last show (a
// command performed since moves to the top at once).
void MenuDataProvider::loadHistory(const std::optional<QString> &name)
{
    m_appHistoryItem = history().get(name);
    MutexLocker lock(m_lock);
    m_recents.clear();
    m_historyEntries.clear();
    m_tombstones.clear();
    m_freshMatches.clear();
    // Placeholders only while history rows are matched: a placeholder nobody replaces is deleted from the
    // history when the load finishes, so listing them without matching would erase the history.
    if (m_appHistoryItem && history().showHistory) {
        m_tombstones = m_appHistoryItem->makeTombstones();
        m_historyEntries = m_appHistoryItem->recents();
    }
    m_recents = m_tombstones;
    QList<MenuHistoryItemPtr> matched;
    for (const QList<MenuItemDataPtr> &group : std::as_const(m_menus)) {
        for (const MenuItemDataPtr &row : group) {
            if (!row->expands())
                matchHistory(*row, m_historyEntries, matched);
        }
    }
    dropTombstones(matched);
}

void MenuDataProvider::resetState()
{
    AXAppPtr old = ref();
    // Outside the lock: this waits for deliveries in flight, which take the lock themselves.
    if (old)
        old->setWatcher({});
    {
        MutexLocker lock(m_lock);
        m_ref.reset();
        m_hasExtension = false;
        m_keyMaps.clear();
        m_topLevels.clear();
        m_menus.clear();
        m_recents.clear();
        m_historyEntries.clear();
        m_tombstones.clear();
        m_freshMatches.clear();
        m_extensionGroup.reset();
        m_rowsComplete = false;
        m_rowsOwner = {};
    }
    // The lists the panel reads too, or the old application's rows stay listed (and performable) until a
    // menu of the next one arrives, which never happens when it has no menu bar. The panel is told, so it
    // does not keep counting rows that are gone.
    const bool listed = numberOfRows() > 0;
    resetSearchState();
    if (listed)
        notifyUpdate();
}

QList<MenuItemDataPtr> MenuDataProvider::all()
{
    MutexLocker lock(m_lock);
    QList<MenuItemDataPtr> rows;
    for (const QList<MenuItemDataPtr> &group : std::as_const(m_menus))
        rows.append(group);
    rows.append(m_recents);
    return rows;
}

QList<MenuItemDataPtr> MenuDataProvider::topLevels() const
{
    MutexLocker lock(m_lock);
    return m_topLevels;
}

QList<MenuItemDataPtr> MenuDataProvider::recents() const
{
    MutexLocker lock(m_lock);
    return m_recents;
}

bool MenuDataProvider::hasExtension() const
{
    MutexLocker lock(m_lock);
    return m_hasExtension;
}

AXAppPtr MenuDataProvider::ref() const
{
    MutexLocker lock(m_lock);
    return m_ref.lock();
}

QString MenuDataProvider::appKey() const
{
    MutexLocker lock(m_lock);
    return m_appKey;
}

AppMenuHistoryItemsPtr MenuDataProvider::appHistoryItem() const { return m_appHistoryItem; }

void MenuDataProvider::setWatcher(std::weak_ptr<MenuDataProviderWatcher> watcher)
{
    MutexLocker lock(m_lock);
    m_watcher = std::move(watcher);
}

void MenuDataProvider::addRecent(const MenuItemData &row)
{
    if (dataSource().mode() != PanelMode::CommandPalette || !m_appHistoryItem)
        return;
    m_appHistoryItem->addItem(
        std::make_shared<const MenuHistoryItem>(row.title(), row.path(), row.shortcut(), row.isChecked()));
}

void MenuDataProvider::recordPerformedRows()
{
    const std::weak_ptr<MenuDataProvider> weak = weak_from_this();
    MenuItemData::setPerformedSink([weak](const MenuItemData &row) {
        if (const auto self = weak.lock())
            self->addRecent(row);
    });
}

void MenuDataProvider::clearHistory()
{
    {
        MutexLocker lock(m_lock);
        m_recents.clear();
        m_historyEntries.clear();
        m_tombstones.clear();
        for (const QList<MenuItemDataPtr> &group : std::as_const(m_menus)) {
            for (const MenuItemDataPtr &row : group)
                row->setHistoryIndex(-1);
        }
    }
    if (m_appHistoryItem)
        m_appHistoryItem = std::make_shared<AppMenuHistoryItems>(m_appHistoryItem->name(), QList<MenuHistoryItemPtr>(),
                                                                 &history());
    history().deleteAll();
    notifyUpdate();
}

void MenuDataProvider::onUpdate(const AXMenuPtr &menu)
{
    if (!menu)
        return;
    if (keptBarMatches(*menu))
        return; // each group is replaced as its menu is read again
    MutexLocker lock(m_lock);
    for (const AXMenuItemPtr &item : menu->items()) {
        auto row = std::make_shared<MenuItemData>(item, nullptr, m_appKey);
        if (row->title() == QLatin1String(kExtensionsTitle))
            m_hasExtension = true;
        m_topLevels.append(std::move(row));
        m_menus.append(QList<MenuItemDataPtr>());
    }
}

// Rows kept from the last show under the same top-level menus stay; under another menu bar they go, and
// the new bar's groups fill in as they are read.
bool MenuDataProvider::keptBarMatches(const AXMenu &menu)
{
    {
        MutexLocker lock(m_lock);
        if (m_topLevels.isEmpty())
            return false;
        QStringList kept;
        for (const MenuItemDataPtr &row : std::as_const(m_topLevels)) {
            if (row != m_extensionGroup)
                kept << row->title();
        }
        QStringList read;
        for (const AXMenuItemPtr &item : menu.items())
            read << MenuItemData(item, nullptr, m_appKey).title();
        if (kept == read)
            return true;
        m_topLevels.clear();
        m_menus.clear();
        m_keyMaps.clear();
        m_extensionGroup.reset();
        m_rowsComplete = false;
        m_recents = m_tombstones; // the history marks went with the kept rows
    }
    resetSearchState();
    notifyUpdate();
    return false;
}

std::vector<AXRowInfo> MenuDataProvider::onUpdate(const AXMenuItemPtr &item, int index)
{
    MenuItemDataPtr parent;
    Walk walk;
    {
        MutexLocker lock(m_lock);
        // Only menus of the loaded application: its records share its read context.
        const AXAppPtr app = m_ref.lock();
        if (!item || !app || item->context() != app->readContext())
            return {};
        if (index >= 0 && index < m_topLevels.size())
            parent = m_topLevels.at(index);
        walk.key = m_appKey;
        walk.history = m_historyEntries;
    }
    if (!parent)
        return {};
    walk.top = parent.get();
    if (const std::shared_ptr<AXMenu> &submenu = item->submenu()) {
        for (const AXMenuItemPtr &child : submenu->items())
            walkItem(walk, child, parent.get());
    }
    {
        MutexLocker lock(m_lock);
        // Stored only while the group is still this application's: a reset or a new load replaced the
        // top-level rows, and the rows of the old application are dropped here.
        if (index < m_topLevels.size() && m_topLevels.at(index) == parent && index < m_menus.size()) {
            m_menus[index] = walk.rows;
            rebuildKeyMaps();
            if (walk.sawExtensions)
                m_hasExtension = true;
            if (walk.topHasChild)
                parent->setExpands(true);
            dropTombstones(walk.matched);
            m_freshMatches.append(walk.matched);
        }
    }
    updateWatcherSoon();
    // The latency benchmark times the first full group from this line.
    log::debug(QStringLiteral("menu group %1 ready with %2 rows").arg(index).arg(walk.rows.size()));
    std::vector<AXRowInfo> infos;
    infos.reserve(static_cast<size_t>(walk.rows.size()));
    for (const MenuItemDataPtr &row : std::as_const(walk.rows)) {
        AXRowInfo info{row->title(), std::nullopt};
        if (row->shortcut())
            info.shortcutText = row->shortcut()->toString();
        infos.push_back(std::move(info));
    }
    return infos;
}

// One item and, recursively, its submenu. A row that may not be listed still passes its children on, so
// they carry its title in their path.
void MenuDataProvider::walkItem(Walk &walk, const AXMenuItemPtr &item, const MenuItemData *parent) const
{
    auto row = std::make_shared<MenuItemData>(item, parent, walk.key);
    const bool hasChildren = row->expands();
    if (row->title() == QLatin1String(kExtensionsTitle))
        walk.sawExtensions = true;
    if (mayBeListed(*row)) {
        if (row->shortcut()) {
            for (auto it = walk.withShortcut.constFind(row->title()); it != walk.withShortcut.cend() && it.key() == row->title(); ++it) {
                if ((*it)->shortcut() == row->shortcut())
                    return; // the same command listed twice: its submenu is not walked again
            }
            walk.withShortcut.insert(row->title(), row.get());
        }
        walk.rows.append(row);
        if (parent == walk.top)
            walk.topHasChild = true;
        else if (parent)
            const_cast<MenuItemData *>(parent)->setExpands(true); // a row of this walk, not shared yet
    }
    if (hasChildren) {
        for (const AXMenuItemPtr &child : item->submenu()->items())
            walkItem(walk, child, row.get());
        return;
    }
    matchHistory(*row, walk.history, walk.matched);
}

void MenuDataProvider::matchHistory(MenuItemData &row, const QList<MenuHistoryItemPtr> &entries,
                                    QList<MenuHistoryItemPtr> &matched)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries.at(i)->sameCommand(row.title(), row.path())) {
            row.setHistoryIndex(static_cast<int>(i));
            matched.append(entries.at(i));
            return;
        }
    }
    row.setHistoryIndex(-1);
}

void MenuDataProvider::dropTombstones(const QList<MenuHistoryItemPtr> &matched)
{
    if (matched.isEmpty())
        return;
    m_recents.removeIf([&matched](const MenuItemDataPtr &tombstone) {
        return std::any_of(matched.begin(), matched.end(), [&tombstone](const MenuHistoryItemPtr &entry) {
            return entry->sameCommand(tombstone->title(), tombstone->path());
        });
    });
}

QString MenuDataProvider::inputHint()
{
    const AXAppPtr app = ref();
    if (app && !app->isAnswering() && filteredParents.isEmpty())
        return QCoreApplication::translate("tavolin::MenuDataProvider", "%1 is not answering")
            .arg(app->name().value_or(QCoreApplication::translate("tavolin::MenuDataProvider", "The application")));
    return TavolinDataProvider::inputHint();
}

void MenuDataProvider::onShouldTriggerUpdate(bool value)
{
    if (!onMainThread()) {
        const std::weak_ptr<MenuDataProvider> weak = weak_from_this();
        dispatcher().toMain([weak, value] {
            if (const auto self = weak.lock())
                self->onShouldTriggerUpdate(value);
        });
        return;
    }
    std::shared_ptr<MenuDataProviderWatcher> watcher;
    {
        MutexLocker lock(m_lock);
        watcher = m_watcher.lock();
    }
    if (!watcher)
        return;
    if (value)
        watcher->onShow(*this);
    else
        watcher->onBypass(*this);
}

void MenuDataProvider::onLoadFinished()
{
    bool changed = appendExtensions();
    // Menus read in part (the application stopped answering) are no proof that a command is gone: the
    // history keeps its placeholders, and they stay listed.
    const AXAppPtr app = ref();
    if (app && !app->isAnswering()) {
        notifyUpdate(); // also for the panel's text saying so
        return;
    }
    QList<MenuItemDataPtr> gone;
    {
        MutexLocker lock(m_lock);
        // Every menu has been read: commands of the history that no menu holds now are gone from the
        // application (also those a row kept from the last show stood for until its menu was read again).
        for (const MenuItemDataPtr &tombstone : std::as_const(m_tombstones)) {
            const bool found = std::any_of(m_freshMatches.begin(), m_freshMatches.end(), [&](const MenuHistoryItemPtr &entry) {
                return entry->sameCommand(tombstone->title(), tombstone->path());
            });
            if (!found)
                gone << tombstone;
        }
        changed = changed || !m_recents.isEmpty();
        m_recents.clear();
        m_tombstones.clear();
        m_rowsComplete = app != nullptr;
    }
    if (m_appHistoryItem) {
        for (const MenuItemDataPtr &tombstone : std::as_const(gone))
            m_appHistoryItem->removeItem(*tombstone);
    }
    if (changed)
        notifyUpdate();
}

void MenuDataProvider::rebuildKeyMaps()
{
    m_keyMaps.clear();
    for (const QList<MenuItemDataPtr> &group : std::as_const(m_menus)) {
        for (const MenuItemDataPtr &row : group) {
            if (const QString text = shortcutText(*row); !text.isEmpty())
                m_keyMaps.insert(text, row);
        }
    }
}

bool MenuDataProvider::appendExtensions()
{
    QString raw;
    QString key;
    QList<MenuHistoryItemPtr> history;
    bool ownMenu = false;
    {
        MutexLocker lock(m_lock);
        if (!m_rawAppName)
            return false;
        raw = *m_rawAppName;
        key = m_appKey;
        history = m_historyEntries;
        ownMenu = m_hasExtension;
    }
    PluginDataProvider *extensions = m_context.extensions;
    if (!extensions)
        return false;
    const QString group = QLatin1String(ownMenu ? kOwnExtensionsTitle : kExtensionsTitle);
    QList<MenuItemDataPtr> rows;
    QList<MenuHistoryItemPtr> matched;
    for (const PluginDataItem &item : extensions->getExtentions(raw)) {
        if (item.enabled)
            rows.append(extensionRow(*extensions, item, group, key));
    }
    const bool hadGroup = dropExtensionGroup();
    // A group whose extensions are all switched off would only be an empty entry to type into.
    if (rows.isEmpty())
        return hadGroup;
    for (const MenuItemDataPtr &row : std::as_const(rows))
        matchHistory(*row, history, matched);
    auto groupRow = std::make_shared<MenuItemData>(group, QStringList(), false, std::nullopt, key);
    groupRow->setExpands(true);
    MutexLocker lock(m_lock);
    m_topLevels.append(groupRow);
    m_menus.append(rows);
    m_extensionGroup = groupRow;
    rebuildKeyMaps();
    dropTombstones(matched);
    m_freshMatches.append(matched);
    return true;
}

// The extension group of rows kept from the last show, replaced by the one made now.
bool MenuDataProvider::dropExtensionGroup()
{
    MutexLocker lock(m_lock);
    const qsizetype at = m_extensionGroup ? m_topLevels.indexOf(m_extensionGroup) : -1;
    m_extensionGroup.reset();
    if (at < 0)
        return false;
    m_topLevels.removeAt(at);
    if (at < m_menus.size())
        m_menus.removeAt(at);
    rebuildKeyMaps();
    return true;
}

MenuItemDataPtr MenuDataProvider::extensionRow(PluginDataProvider &extensions, const PluginDataItem &item,
                                               const QString &group, const QString &key)
{
    auto row = std::make_shared<MenuItemData>(item.label, QStringList{group}, false, std::nullopt, key);
    row->setEnTitle(item.enLabel.isEmpty() ? std::nullopt : std::optional<QString>(item.enLabel));
    row->setShortcut(item.keyData);
    RunContext context;
    context.appKey = key.isEmpty() ? QString() : key + QStringLiteral(".app");
    if (const AXAppPtr app = ref()) {
        context.appPid = app->pid();
        MutexLocker lock(m_lock);
        if (m_documentSource)
            context.readDocument = [read = m_documentSource, element = app->ref()] { return read(element); };
    }
    const std::weak_ptr<MenuDataProvider> weak = weak_from_this();
    row->setAction(extensions.getAction<RowData>(item, context, [weak](const RowData &performed) {
        const auto self = weak.lock();
        if (const auto *menuRow = dynamic_cast<const MenuItemData *>(&performed); self && menuRow)
            self->addRecent(*menuRow);
    }));
    return row;
}

void MenuDataProvider::setDocumentSource(std::function<QString(const ElementRef &app)> read)
{
    MutexLocker lock(m_lock);
    m_documentSource = std::move(read);
}

bool MenuDataProvider::hiddenByAncestor(const MenuItemData *parent, const MenuItemData &current)
{
    if (current.historyIndex() >= 0)
        return false;
    // Asked for every row at each listing: without any menu rule, no lock the reading threads also take.
    if (!m_context.ignorableOption && (!m_context.rules || !m_context.rules->hasMenuRules()))
        return false;
    QStringList names = current.path();
    if (parent) {
        const qsizetype below = names.size() - parent->path().size() - 1;
        names = below > 0 ? names.mid(names.size() - below) : QStringList();
    }
    const QString key = appKey();
    for (const QString &name : std::as_const(names)) {
        if (ruleOption(name, key) == menuoption::kHideChildren)
            return true;
    }
    return false;
}

void MenuDataProvider::shouldAppendTopLevels()
{
    MutexLocker lock(m_lock);
    filteredMenus.append(m_topLevels);
}

RowDataPtr MenuDataProvider::itemForShortcut(const QString &text) { return shortcutRow(text); }

MenuItemDataPtr MenuDataProvider::shortcutRow(const QString &text) const
{
    MutexLocker lock(m_lock);
    return m_keyMaps.value(text);
}

void MenuDataProvider::notifyUpdate()
{
    std::shared_ptr<MenuDataProviderWatcher> watcher;
    {
        MutexLocker lock(m_lock);
        watcher = m_watcher.lock();
    }
    if (watcher)
        watcher->onUpdate(*this);
}

// Rows read on a background thread reach the watcher from the main thread, so the controller is never
// called (or destroyed) from a reading thread.
void MenuDataProvider::updateWatcherSoon()
{
    if (onMainThread()) {
        notifyUpdate();
        return;
    }
    // One update queued at a time: menus read together (a bar of thousands of items hands on its menus in a
    // burst) would otherwise each list every row again on the main thread, one after the other.
    if (m_updateQueued.exchange(true))
        return;
    const std::weak_ptr<MenuDataProvider> weak = weak_from_this();
    dispatcher().toMain([weak] {
        if (const auto self = weak.lock()) {
            self->m_updateQueued.store(false); // before: a menu stored from now on queues the next update
            self->notifyUpdate();
        }
    });
}

} // namespace tavolin
