#include "platform/linux/AtspiMenuWalker.h"

#include "accessibility/ElementSource.h"
#include "platform/linux/AtspiItemsTree.h"
#include "platform/linux/AtspiStreamedWalk.h"
#include "platform/linux/X11Keys.h"

#include <QElapsedTimer>
#include <QSet>

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <chrono>
#include <deque>

namespace tavolin {
namespace {

// Times one call of a kind into the walk's figures.
class CallTimer
{
public:
    CallTimer(AtspiCallFigures &figures, AtspiCall kind, int calls = 1) : m_figures(figures), m_kind(int(kind))
    {
        m_figures.calls[m_kind] += calls;
        m_timer.start();
    }
    ~CallTimer()
    {
        const qint64 ns = m_timer.nsecsElapsed();
        m_figures.milliseconds[m_kind] += double(ns) / 1e6;
        if (ns >= 15000)
            ++m_figures.slow[m_kind];
    }

private:
    AtspiCallFigures &m_figures;
    int m_kind;
    QElapsedTimer m_timer;
};

// One walk's state. A call that runs into the time-out sets `failed`; every later call is then skipped, so
// an application that stopped answering costs one time-out. A call that fails at once means the element
// being read is gone (`itemGone`): its later calls are skipped and the item left out. Reaching the rows or
// the time limit sets `stopped`: nothing more is read.
struct Walk
{
    AtspiWalkResult result;
    AtspiActionReads actionReads = AtspiActionReads::Full; // Full unless the application is GTK
    // Items whose key binding the pipelined batch asks for, at the end of the walk.
    std::vector<std::shared_ptr<AtspiMenuNode>> bindingsWanted;
    int timeoutMs = 900;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now() + menulimits::kReadBudget;
    std::chrono::steady_clock::time_point callStart;
    bool itemGone = false;
    bool stopped = false;
    QSet<QByteArray> visited; // bus name and path of every element read

    bool skip() const { return result.failed || stopped || itemGone; }

    // Before each call: a failure is told a time-out or a vanished element by how long the call took.
    void begin() { callStart = std::chrono::steady_clock::now(); }

    void failedCall()
    {
        const auto waited = std::chrono::steady_clock::now() - callStart;
        if (waited >= std::chrono::milliseconds(timeoutMs * 9 / 10))
            result.failed = true;
        else
            itemGone = true;
    }

    bool ok(GError *error)
    {
        if (error == nullptr)
            return !skip();
        g_error_free(error);
        failedCall();
        return false;
    }

    // Whether `a`, `depth` menus below the bar, is read: not read before, and within the limits.
    bool admit(AtspiAccessible *a, int depth)
    {
        if (skip())
            return false;
        if (depth > menulimits::kMaxDepth) {
            result.cuts.depth = true;
            return false;
        }
        if (result.nodes >= menulimits::kMaxRows || std::chrono::steady_clock::now() >= deadline) {
            (result.nodes >= menulimits::kMaxRows ? result.cuts.rows : result.cuts.budget) = true;
            stopped = true;
            return false;
        }
        const AtspiObject *object = ATSPI_OBJECT(a);
        QByteArray identity = object->app != nullptr && object->app->bus_name != nullptr
            ? QByteArray(object->app->bus_name) : QByteArray();
        identity += ':';
        identity += object->path != nullptr ? object->path : "";
        if (visited.contains(identity)) {
            result.cuts.cycle = true;
            return false;
        }
        visited.insert(identity);
        return true;
    }

    AtspiRole role(AtspiAccessible *a)
    {
        if (skip())
            return ATSPI_ROLE_INVALID;
        CallTimer timer(result.figures, AtspiCall::Role);
        begin();
        GError *error = nullptr;
        const AtspiRole r = atspi_accessible_get_role(a, &error);
        return ok(error) ? r : ATSPI_ROLE_INVALID;
    }

    QString name(AtspiAccessible *a)
    {
        if (skip())
            return {};
        CallTimer timer(result.figures, AtspiCall::Name);
        begin();
        GError *error = nullptr;
        gchar *n = atspi_accessible_get_name(a, &error);
        const QString text = QString::fromUtf8(n ? n : "").trimmed();
        g_free(n);
        return ok(error) ? text : QString();
    }

    std::vector<AtspiAccessible *> children(AtspiAccessible *a)
    {
        std::vector<AtspiAccessible *> list;
        if (skip())
            return list;
        CallTimer timer(result.figures, AtspiCall::Children);
        GError *error = nullptr;
        begin();
        const gint count = atspi_accessible_get_child_count(a, &error);
        if (!ok(error) || count < 0) {
            if (!skip())
                failedCall(); // -1 is how libatspi reports a failed call here
            return list;
        }
        for (gint i = 0; i < count && !skip(); ++i) {
            begin();
            AtspiAccessible *child = atspi_accessible_get_child_at_index(a, i, &error);
            if (error != nullptr || child == nullptr) {
                if (error != nullptr)
                    g_error_free(error);
                error = nullptr;
                failedCall();
                // A child destroyed since the count was read: the others are still listed.
                if (itemGone) {
                    itemGone = false;
                    result.cuts.vanished = true;
                    continue;
                }
                break;
            }
            list.push_back(child);
        }
        return list;
    }

    // enabled and checked from the state set ({defunct} when the application did not answer); whether the
    // item is shown.
    bool states(AtspiAccessible *a, AtspiMenuNode &node)
    {
        if (skip())
            return false;
        CallTimer timer(result.figures, AtspiCall::States);
        begin();
        AtspiStateSet *set = atspi_accessible_get_state_set(a);
        if (set == nullptr)
            return false;
        if (atspi_state_set_contains(set, ATSPI_STATE_DEFUNCT))
            failedCall();
        node.enabled = atspi_state_set_contains(set, ATSPI_STATE_ENABLED)
            && atspi_state_set_contains(set, ATSPI_STATE_SENSITIVE);
        node.checked = atspi_state_set_contains(set, ATSPI_STATE_CHECKED);
        const bool visible = atspi_state_set_contains(set, ATSPI_STATE_VISIBLE);
        g_object_unref(set);
        return visible;
    }

    // Whether `a` has the VISIBLE state (false when the application did not answer).
    bool shown(AtspiAccessible *a)
    {
        AtspiMenuNode unused;
        return states(a, unused);
    }

    // The press action's index and the shortcut from the key bindings.
    void actions(AtspiAccessible *a, const std::shared_ptr<AtspiMenuNode> &item, bool wantShortcut, bool visible)
    {
        if (skip())
            return;
        if (actionReads != AtspiActionReads::Full) {
            singleAction(a, item, wantShortcut, visible);
            return;
        }
        AtspiMenuNode &node = *item;
        AtspiAction *action = atspi_accessible_get_action_iface(a);
        if (action == nullptr)
            return;
        GError *error = nullptr;
        gint count = 0;
        {
            CallTimer timer(result.figures, AtspiCall::ActionCount);
            begin();
            count = atspi_action_get_n_actions(action, &error);
        }
        int press = -1;
        QString binding;
        for (gint i = 0; ok(error) && i < count; ++i) {
            // GetName gives the untranslated name ("click"); GetActions would give "Klicken".
            QString actionName;
            {
                CallTimer timer(result.figures, AtspiCall::ActionName);
                begin();
                gchar *n = atspi_action_get_action_name(action, i, &error);
                actionName = QString::fromUtf8(n ? n : "").toLower();
                g_free(n);
            }
            if (!ok(error))
                break;
            if (press < 0 && (actionName == QLatin1String("click") || actionName == QLatin1String("press")
                              || actionName == QLatin1String("activate")))
                press = i;
            if (wantShortcut && binding.isEmpty()) {
                CallTimer timer(result.figures, AtspiCall::KeyBinding);
                begin();
                gchar *k = atspi_action_get_key_binding(action, i, &error);
                binding = QString::fromUtf8(k ? k : "");
                g_free(k);
                if (!ok(error))
                    break;
            }
        }
        g_object_unref(action);
        node.actionIndex = press >= 0 ? press : (count > 0 ? 0 : -1);
        setShortcut(node, binding);
    }

    // GTK: the one action "click" exists while the item is enabled and shown (see AtspiActionReads).
    void singleAction(AtspiAccessible *a, const std::shared_ptr<AtspiMenuNode> &item, bool wantShortcut, bool visible)
    {
        AtspiMenuNode &node = *item;
        if (!node.enabled || !visible)
            return;
        AtspiAction *action = atspi_accessible_get_action_iface(a); // from the cached interfaces
        if (action == nullptr)
            return;
        node.actionIndex = 0;
        if (!wantShortcut || actionReads == AtspiActionReads::Pipelined) {
            if (wantShortcut)
                bindingsWanted.push_back(item);
            g_object_unref(action);
            return;
        }
        GError *error = nullptr;
        QString binding;
        {
            CallTimer timer(result.figures, AtspiCall::KeyBinding);
            begin();
            gchar *k = atspi_action_get_key_binding(action, 0, &error);
            binding = QString::fromUtf8(k ? k : "");
            g_free(k);
        }
        g_object_unref(action);
        if (ok(error))
            setShortcut(node, binding);
    }

    static void setShortcut(AtspiMenuNode &node, const QString &binding)
    {
        if (!binding.isEmpty())
            node.shortcut = atspiShortcutOf(binding, node.title.value_or(QString()));
    }
};

bool isItemRole(int role)
{
    return role == ATSPI_ROLE_MENU_ITEM || role == ATSPI_ROLE_CHECK_MENU_ITEM || role == ATSPI_ROLE_RADIO_MENU_ITEM
        || role == ATSPI_ROLE_TEAROFF_MENU_ITEM;
}

void identify(AtspiAccessible *a, AtspiMenuNode &node)
{
    // The object's address on the bus, from libatspi's public object record (no call is made).
    const AtspiObject *object = ATSPI_OBJECT(a);
    if (object->app != nullptr && object->app->bus_name != nullptr)
        node.busName = QString::fromUtf8(object->app->bus_name);
    if (object->path != nullptr)
        node.path = QString::fromUtf8(object->path);
}

void unrefAll(std::vector<AtspiAccessible *> &list)
{
    for (AtspiAccessible *a : list)
        g_object_unref(a);
    list.clear();
}

AtspiMenuNodePtr readItem(Walk &walk, AtspiAccessible *a, bool topLevel, bool menuShown, int depth);

// A menu of the reader's shape holding the items read from `children` of a menu that is shown or not,
// `depth` menus below the bar.
AtspiMenuNodePtr menuOf(Walk &walk, std::vector<AtspiAccessible *> children, bool shown, int depth)
{
    auto menu = std::make_shared<AtspiMenuNode>();
    menu->role = QString::fromLatin1(axrole::kMenu);
    menu->enabled = true;
    for (AtspiAccessible *child : children) {
        if (AtspiMenuNodePtr item = readItem(walk, child, false, shown, depth))
            menu->children.push_back(std::move(item));
    }
    unrefAll(children);
    return menu;
}

AtspiMenuNodePtr readAdmittedItem(Walk &walk, AtspiAccessible *a, bool topLevel, bool menuShown, int depth)
{
    const AtspiRole role = walk.role(a);
    if (walk.skip())
        return nullptr;
    ++walk.result.nodes;
    auto node = std::make_shared<AtspiMenuNode>();
    node->role = QString::fromLatin1(topLevel ? axrole::kMenuBarItem : axrole::kMenuItem);
    if (role == ATSPI_ROLE_SEPARATOR) {
        node->title = QString(); // separators are dropped by the reader for their empty title
        return node;
    }
    node->title = walk.name(a);
    const bool visible = walk.states(a, *node);
    if (!walk.skip() && !atspiItemIsListed(role, visible, menuShown))
        return nullptr;
    identify(a, *node);
    if (role == ATSPI_ROLE_MENU) {
        // GTK: the menu is its own item. Split it into an item holding a nameless menu.
        ++walk.result.menuItems;
        walk.actions(a, node, false, visible);
        node->children.push_back(menuOf(walk, walk.children(a), visible, depth + 1));
        return node;
    }
    if (isItemRole(role)) {
        ++walk.result.menuItems;
        walk.actions(a, node, true, visible);
        // GTK's submenus are menus (above): its items hold nothing, and asking costs a round trip each.
        if (walk.actionReads != AtspiActionReads::Full)
            return node;
        // Qt: an item with a submenu holds a nameless popup menu.
        std::vector<AtspiAccessible *> kids = walk.children(a);
        for (AtspiAccessible *kid : kids) {
            if (!walk.admit(kid, depth + 1))
                continue;
            const AtspiRole kidRole = walk.role(kid);
            if (kidRole == ATSPI_ROLE_MENU || kidRole == ATSPI_ROLE_POPUP_MENU) {
                ++walk.result.nodes;
                const bool shown = walk.shown(kid);
                node->children.push_back(menuOf(walk, walk.children(kid), shown, depth + 1));
            }
        }
        unrefAll(kids);
        return node;
    }
    node->role = QStringLiteral("AXUnknown");
    return node;
}

// The item `a`, `depth` menus below the bar; null when the limits refuse it, its application keeps it
// hidden, or it vanished while it was read.
AtspiMenuNodePtr readItem(Walk &walk, AtspiAccessible *a, bool topLevel, bool menuShown, int depth)
{
    if (!walk.admit(a, depth))
        return nullptr;
    AtspiMenuNodePtr node = readAdmittedItem(walk, a, topLevel, menuShown, depth);
    if (!walk.itemGone)
        return node;
    walk.itemGone = false;
    walk.result.cuts.vanished = true;
    return nullptr;
}

bool isLeafContainer(int role)
{
    return role == ATSPI_ROLE_MENU || role == ATSPI_ROLE_POPUP_MENU || role == ATSPI_ROLE_TABLE || role == ATSPI_ROLE_TREE_TABLE
        || role == ATSPI_ROLE_LIST || role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_DOCUMENT_TEXT
        || role == ATSPI_ROLE_TREE || role == ATSPI_ROLE_PAGE_TAB_LIST || role == ATSPI_ROLE_TERMINAL;
}

// Breadth first, a few levels deep: GTK puts the menu bar under frame > filler > filler.
AtspiAccessible *findMenuBar(Walk &walk, AtspiAccessible *application)
{
    std::deque<std::pair<AtspiAccessible *, int>> queue;
    queue.emplace_back(static_cast<AtspiAccessible *>(g_object_ref(application)), 0);
    AtspiAccessible *found = nullptr;
    while (!queue.empty() && found == nullptr && !walk.result.failed && !walk.stopped) {
        auto [a, depth] = queue.front();
        queue.pop_front();
        // Each element once (an application may list one under itself), within the walk's time.
        if (a != application && !walk.admit(a, 0)) {
            g_object_unref(a);
            continue;
        }
        if (walk.itemGone) {
            walk.itemGone = false; // a vanished element is no menu bar; the search goes on
            walk.result.cuts.vanished = true;
        }
        const AtspiRole role = a == application ? ATSPI_ROLE_APPLICATION : walk.role(a);
        if (role == ATSPI_ROLE_MENU_BAR) {
            found = a;
            break;
        }
        if (depth < 6 && !isLeafContainer(role)) {
            for (AtspiAccessible *child : walk.children(a))
                queue.emplace_back(child, depth + 1);
        }
        g_object_unref(a);
    }
    walk.result.cuts.vanished = walk.result.cuts.vanished || walk.itemGone;
    walk.itemGone = false;
    for (auto &[a, depth] : queue)
        g_object_unref(a);
    return found;
}

// Asks every item's key binding of action 0 at once (callPipelined) on libatspi's own connection, which this
// thread owns. False when a call timed out or the application left; the bindings read until then are kept.
// An item that answers with an error was destroyed meanwhile: it keeps no shortcut and `cuts` say so.
bool readKeyBindingsPipelined(AtspiAccessible *application, const std::vector<std::shared_ptr<AtspiMenuNode>> &items,
                              int timeoutMs, MenuReadCuts &cuts)
{
    DBusConnection *bus = atspiApplicationBus(application);
    if (bus == nullptr)
        return false;
    std::vector<DBusMessage *> calls;
    calls.reserve(items.size());
    for (const std::shared_ptr<AtspiMenuNode> &item : items) {
        const QByteArray busName = item->busName.toUtf8();
        const QByteArray path = item->path.toUtf8();
        DBusMessage *call = dbus_message_new_method_call(busName.constData(), path.constData(),
                                                         "org.a11y.atspi.Action", "GetKeyBinding");
        const dbus_int32_t index = 0;
        if (call != nullptr && !dbus_message_append_args(call, DBUS_TYPE_INT32, &index, DBUS_TYPE_INVALID)) {
            dbus_message_unref(call);
            call = nullptr;
        }
        calls.push_back(call);
    }
    bool ok = true;
    const bool sent = callPipelined(bus, std::move(calls), timeoutMs, [&](size_t i, DBusMessage *reply) {
        const char *binding = nullptr;
        if (reply != nullptr && dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN
            && dbus_message_get_args(reply, nullptr, DBUS_TYPE_STRING, &binding, DBUS_TYPE_INVALID)) {
            Walk::setShortcut(*items[i], QString::fromUtf8(binding));
        } else if (!isNoAnswer(reply) && dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR) {
            cuts.vanished = true;
        } else {
            ok = false; // a time-out, or the application left: the rest is not trusted either
        }
        return ok;
    });
    return sent && ok;
}

// Up to this many key bindings are asked in one batch (an application's usual menus: geany asks 488, in
// about 15 ms), and the bar handed out whole; a larger tree is handed out menu by menu.
constexpr size_t kBindingsInOneBatch = 1000;

// `wanted` split by the top-level item of `bar` each lies below, in order.
std::vector<std::vector<std::shared_ptr<AtspiMenuNode>>>
bindingsByTopItem(const AtspiMenuNode &bar, const std::vector<std::shared_ptr<AtspiMenuNode>> &wanted)
{
    QHash<const AtspiMenuNode *, size_t> topOf;
    for (size_t i = 0; i < bar.children.size(); ++i) {
        std::vector<const AtspiMenuNode *> stack{bar.children[i].get()};
        while (!stack.empty()) {
            const AtspiMenuNode *node = stack.back();
            stack.pop_back();
            topOf.insert(node, i);
            for (const AtspiMenuNodePtr &child : node->children)
                stack.push_back(child.get());
        }
    }
    std::vector<std::vector<std::shared_ptr<AtspiMenuNode>>> groups(bar.children.size());
    for (const std::shared_ptr<AtspiMenuNode> &item : wanted) {
        const auto found = topOf.constFind(item.get());
        if (found != topOf.constEnd())
            groups[*found].push_back(item);
    }
    return groups;
}

// Reads the key bindings menu by menu and hands each top-level menu out once its bindings are in (but the
// last: see AtspiWalkOptions::onBar).
void readKeyBindingsByMenu(AtspiAccessible *application, const AtspiItemsMenuBar &bar, int timeoutMs,
                           const std::function<void(const AtspiEarlyBar &)> &onBar, AtspiWalkResult &result)
{
    const AtspiEarlyBar early = atspiEarlyBarOf(*bar.menuBar);
    const auto groups = bindingsByTopItem(*bar.menuBar, bar.bindingsWanted);
    const size_t menus = bar.menuBar->children.size();
    for (size_t i = 0; i < menus; ++i) {
        if (!groups[i].empty() && !result.failed) {
            CallTimer timer(result.figures, AtspiCall::KeyBinding, int(groups[i].size()));
            if (!readKeyBindingsPipelined(application, groups[i], timeoutMs, result.cuts))
                result.failed = true;
        }
        if (i + 1 < menus) {
            early.menus[i]->fill(bar.menuBar->children[i]->children);
            if (i == 0)
                onBar(early);
        }
    }
}

// The menu bar from one GetItems reply, each menu's children in order from GetChildren calls sent at once,
// then its key bindings pipelined (menu by menu, each handed out as it is whole, when `onBar` is set and
// the tree is large).
// False when the application has no such call, no menu bar among its items, or a child its cache lacks: it
// is walked instead.
bool readFromItems(AtspiAccessible *application, int timeoutMs,
                   const std::function<void(const AtspiEarlyBar &)> &onBar, AtspiWalkResult &result)
{
    std::vector<AtspiCacheItem> items;
    const QByteArray busName = atspiApplicationBusName(application);
    AtspiItemsStatus status;
    {
        CallTimer timer(result.figures, AtspiCall::Items);
        status = fetchCacheItems(atspiApplicationBus(application), busName, timeoutMs, items);
    }
    if (status == AtspiItemsStatus::Failed) {
        result.failed = true;
        return true;
    }
    if (status == AtspiItemsStatus::Unsupported)
        return false;
    AtspiChildOrder order;
    {
        const std::vector<QByteArray> containers = menuContainersOf(items);
        CallTimer timer(result.figures, AtspiCall::Children, int(containers.size()));
        status = fetchChildOrder(atspiApplicationBus(application), busName, containers, timeoutMs, order);
    }
    if (status == AtspiItemsStatus::Failed) {
        result.failed = true;
        return true;
    }
    if (status == AtspiItemsStatus::Unsupported)
        return false;
    result.cuts.vanished = status == AtspiItemsStatus::Vanished;
    AtspiItemsMenuBar bar = menuBarFromItems(items, order, QString::fromUtf8(busName));
    if (!bar.menuBar)
        return false;
    result.nodes = bar.nodes;
    result.menuItems = bar.menuItems;
    result.cuts |= bar.cuts;
    if (onBar && bar.bindingsWanted.size() > kBindingsInOneBatch) {
        readKeyBindingsByMenu(application, bar, timeoutMs, onBar, result);
    } else if (!bar.bindingsWanted.empty()) {
        CallTimer timer(result.figures, AtspiCall::KeyBinding, int(bar.bindingsWanted.size()));
        if (!readKeyBindingsPipelined(application, bar.bindingsWanted, timeoutMs, result.cuts))
            result.failed = true;
    }
    result.menuBar = std::move(bar.menuBar);
    return true;
}

} // namespace

void AtspiPendingMenu::fill(std::vector<AtspiMenuNodePtr> children)
{
    MutexLocker lock(m_mutex);
    if (m_children)
        return;
    m_children = std::move(children);
    m_filled.notifyAll();
}

const std::vector<AtspiMenuNodePtr> *AtspiPendingMenu::wait(std::chrono::steady_clock::time_point deadline) const
{
    MutexLocker lock(m_mutex);
    while (!m_children) {
        if (!m_filled.waitUntil(m_mutex, deadline))
            return m_children ? &*m_children : nullptr;
    }
    return &*m_children;
}

void AtspiEarlyBar::fillRest(const AtspiMenuNodePtr &whole)
{
    QHash<QString, const AtspiMenuNode *> byPath;
    if (whole) {
        for (const AtspiMenuNodePtr &item : whole->children)
            byPath.insert(item->busName + QLatin1Char(':') + item->path, item.get());
    }
    for (size_t i = 0; i < menus.size() && i < bar->children.size(); ++i) {
        const AtspiMenuNode &early = *bar->children[i];
        const AtspiMenuNode *item = byPath.value(early.busName + QLatin1Char(':') + early.path);
        menus[i]->fill(item != nullptr ? item->children : std::vector<AtspiMenuNodePtr>());
    }
}

AtspiEarlyBar atspiEarlyBarOf(const AtspiMenuNode &bar)
{
    AtspiEarlyBar early;
    auto copy = std::make_shared<AtspiMenuNode>(bar);
    copy->children.clear();
    for (const AtspiMenuNodePtr &item : bar.children) {
        auto top = std::make_shared<AtspiMenuNode>(*item);
        top->children.clear();
        top->pending = std::make_shared<AtspiPendingMenu>();
        early.menus.push_back(top->pending);
        copy->children.push_back(std::move(top));
    }
    early.bar = std::move(copy);
    return early;
}

bool atspiItemIsListed(int role, bool visible, bool menuShown)
{
    return visible || !menuShown || role == ATSPI_ROLE_SEPARATOR;
}

std::optional<KeyData> atspiShortcutOf(const QString &binding, const QString &title)
{
    if (binding.isEmpty())
        return std::nullopt;
    return binding.contains(QLatin1Char(';')) ? x11::keyDataFromGtkKeyBinding(binding)
                                              : x11::keyDataFromQtKeyBinding(binding, title);
}

bool isAtspiMenuItemRole(int role)
{
    return isItemRole(role);
}

bool isAtspiLeafContainerRole(int role)
{
    return isLeafContainer(role);
}

AtspiWalkResult walkMenuBar(AtspiAccessible *application, const AtspiWalkOptions &options)
{
    Walk walk;
    walk.timeoutMs = options.timeoutMs;
    bool qt = false;
    bool gtk = false;
    {
        CallTimer timer(walk.result.figures, AtspiCall::Setup);
        // GTK answers the cache's GetItems with its whole tree in one reply and sends state changes as
        // events; Qt answers GetItems empty and sends no event when a checkable action flips, so its cached
        // states would go stale: Qt is read uncached.
        GError *error = nullptr;
        const auto asked = std::chrono::steady_clock::now();
        gchar *toolkit = atspi_accessible_get_toolkit_name(application, &error);
        qt = toolkit != nullptr && g_str_has_prefix(toolkit, "Qt");
        gtk = toolkit != nullptr && g_ascii_strcasecmp(toolkit, "gtk") == 0; // GTK 3 says "gtk"
        g_free(toolkit);
        if (error != nullptr) {
            g_error_free(error);
            // An application without a toolkit name answers at once and is walked; one that stopped
            // answering costs this one time-out, not one more for each way of reading it after.
            const auto waited = std::chrono::steady_clock::now() - asked;
            if (waited >= std::chrono::milliseconds(options.timeoutMs * 9 / 10)) {
                walk.result.failed = true;
                return walk.result;
            }
        }
        atspi_accessible_clear_cache(application); // menus change between palette calls
        const bool cached = options.cache == AtspiCacheUse::On && !qt;
        atspi_accessible_set_cache_mask(application, cached ? ATSPI_CACHE_DEFAULT : ATSPI_CACHE_NONE);
        // Single and Pipelined lean on cached states and interfaces; the uncached walk is the reference.
        walk.actionReads = gtk && cached ? options.actions : AtspiActionReads::Full;
    }
    if (gtk && options.cache == AtspiCacheUse::On && options.tree == AtspiTreeReads::Items
        && readFromItems(application, options.timeoutMs, options.onBar, walk.result))
        return walk.result;
    AtspiAccessible *bar = findMenuBar(walk, application);
    if (bar == nullptr)
        return walk.result;
    if (!gtk && options.calls == AtspiWalkCalls::Streamed) {
        readMenuBarStreamed(bar, qt ? AtspiActionNames::GetActions : AtspiActionNames::ByIndex, options.timeoutMs,
                            walk.deadline, walk.visited, walk.result, options.onBar);
        g_object_unref(bar);
        return walk.result;
    }
    auto root = std::make_shared<AtspiMenuNode>();
    root->role = QString::fromLatin1(axrole::kMenuBar);
    root->enabled = true;
    identify(bar, *root);
    const bool barShown = walk.shown(bar);
    std::vector<AtspiAccessible *> items = walk.children(bar);
    walk.itemGone = false; // a bar destroyed meanwhile lists nothing
    for (AtspiAccessible *item : items) {
        if (AtspiMenuNodePtr node = readItem(walk, item, true, barShown, 0))
            root->children.push_back(std::move(node));
    }
    unrefAll(items);
    g_object_unref(bar);
    if (!walk.result.failed && !walk.bindingsWanted.empty()) {
        CallTimer timer(walk.result.figures, AtspiCall::KeyBinding, int(walk.bindingsWanted.size()));
        if (!readKeyBindingsPipelined(application, walk.bindingsWanted, options.timeoutMs, walk.result.cuts))
            walk.result.failed = true;
    }
    walk.result.menuBar = std::move(root);
    return walk.result;
}

} // namespace tavolin
