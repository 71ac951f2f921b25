#include "platform/linux/AtspiMenuWalker.h"

#include "accessibility/ElementSource.h"
#include "platform/linux/X11Keys.h"

#include <atspi/atspi.h>

#include <deque>

namespace tavolin {
namespace {

// One walk's state. A failed call sets `failed`; every later call is then skipped, so an application that
// stopped answering costs one time-out.
struct Walk
{
    AtspiWalkResult result;

    bool ok(GError *error)
    {
        if (error == nullptr)
            return !result.failed;
        g_error_free(error);
        result.failed = true;
        return false;
    }

    AtspiRole role(AtspiAccessible *a)
    {
        if (result.failed)
            return ATSPI_ROLE_INVALID;
        GError *error = nullptr;
        const AtspiRole r = atspi_accessible_get_role(a, &error);
        return ok(error) ? r : ATSPI_ROLE_INVALID;
    }

    QString name(AtspiAccessible *a)
    {
        if (result.failed)
            return {};
        GError *error = nullptr;
        gchar *n = atspi_accessible_get_name(a, &error);
        const QString text = QString::fromUtf8(n ? n : "").trimmed();
        g_free(n);
        return ok(error) ? text : QString();
    }

    std::vector<AtspiAccessible *> children(AtspiAccessible *a)
    {
        std::vector<AtspiAccessible *> list;
        if (result.failed)
            return list;
        GError *error = nullptr;
        const gint count = atspi_accessible_get_child_count(a, &error);
        if (!ok(error) || count < 0) {
            result.failed = true; // -1 is how libatspi reports a time-out here
            return list;
        }
        for (gint i = 0; i < count && !result.failed; ++i) {
            AtspiAccessible *child = atspi_accessible_get_child_at_index(a, i, &error);
            if (!ok(error) || child == nullptr)
                break;
            list.push_back(child);
        }
        return list;
    }

    // enabled and checked from the state set ({defunct} when the application did not answer).
    void states(AtspiAccessible *a, AtspiMenuNode &node)
    {
        if (result.failed)
            return;
        AtspiStateSet *set = atspi_accessible_get_state_set(a);
        if (set == nullptr)
            return;
        if (atspi_state_set_contains(set, ATSPI_STATE_DEFUNCT))
            result.failed = true;
        node.enabled = atspi_state_set_contains(set, ATSPI_STATE_ENABLED)
            && atspi_state_set_contains(set, ATSPI_STATE_SENSITIVE);
        node.checked = atspi_state_set_contains(set, ATSPI_STATE_CHECKED);
        g_object_unref(set);
    }

    // The press action's index and the shortcut from the key bindings.
    void actions(AtspiAccessible *a, AtspiMenuNode &node, bool wantShortcut)
    {
        if (result.failed)
            return;
        AtspiAction *action = atspi_accessible_get_action_iface(a);
        if (action == nullptr)
            return;
        GError *error = nullptr;
        const gint count = atspi_action_get_n_actions(action, &error);
        int press = -1;
        QString binding;
        for (gint i = 0; ok(error) && i < count; ++i) {
            // GetName gives the untranslated name ("click"); GetActions would give "Klicken".
            gchar *n = atspi_action_get_action_name(action, i, &error);
            const QString actionName = QString::fromUtf8(n ? n : "").toLower();
            g_free(n);
            if (!ok(error))
                break;
            if (press < 0 && (actionName == QLatin1String("click") || actionName == QLatin1String("press")
                              || actionName == QLatin1String("activate")))
                press = i;
            if (wantShortcut && binding.isEmpty()) {
                gchar *k = atspi_action_get_key_binding(action, i, &error);
                binding = QString::fromUtf8(k ? k : "");
                g_free(k);
                if (!ok(error))
                    break;
            }
        }
        g_object_unref(action);
        node.actionIndex = press >= 0 ? press : (count > 0 ? 0 : -1);
        if (!binding.isEmpty()) {
            node.shortcut = binding.contains(QLatin1Char(';'))
                ? x11::keyDataFromGtkKeyBinding(binding)
                : x11::keyDataFromQtKeyBinding(binding, node.title.value_or(QString()));
        }
    }
};

bool isItemRole(AtspiRole role)
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

AtspiMenuNodePtr readItem(Walk &walk, AtspiAccessible *a, bool topLevel);

// A menu of the reader's shape holding the items read from `children`.
AtspiMenuNodePtr menuOf(Walk &walk, std::vector<AtspiAccessible *> children)
{
    auto menu = std::make_shared<AtspiMenuNode>();
    menu->role = QString::fromLatin1(axrole::kMenu);
    menu->enabled = true;
    for (AtspiAccessible *child : children) {
        if (AtspiMenuNodePtr item = readItem(walk, child, false))
            menu->children.push_back(std::move(item));
    }
    unrefAll(children);
    return menu;
}

AtspiMenuNodePtr readItem(Walk &walk, AtspiAccessible *a, bool topLevel)
{
    const AtspiRole role = walk.role(a);
    if (walk.result.failed)
        return nullptr;
    ++walk.result.nodes;
    auto node = std::make_shared<AtspiMenuNode>();
    node->role = QString::fromLatin1(topLevel ? axrole::kMenuBarItem : axrole::kMenuItem);
    if (role == ATSPI_ROLE_SEPARATOR) {
        node->title = QString(); // separators are dropped by the reader for their empty title
        return node;
    }
    node->title = walk.name(a);
    walk.states(a, *node);
    identify(a, *node);
    if (role == ATSPI_ROLE_MENU) {
        // GTK: the menu is its own item. Split it into an item holding a nameless menu.
        ++walk.result.menuItems;
        walk.actions(a, *node, false);
        node->children.push_back(menuOf(walk, walk.children(a)));
        return node;
    }
    if (isItemRole(role)) {
        ++walk.result.menuItems;
        walk.actions(a, *node, true);
        // Qt: an item with a submenu holds a nameless popup menu.
        std::vector<AtspiAccessible *> kids = walk.children(a);
        for (AtspiAccessible *kid : kids) {
            const AtspiRole kidRole = walk.role(kid);
            if (kidRole == ATSPI_ROLE_MENU || kidRole == ATSPI_ROLE_POPUP_MENU) {
                ++walk.result.nodes;
                node->children.push_back(menuOf(walk, walk.children(kid)));
            }
        }
        unrefAll(kids);
        return node;
    }
    node->role = QStringLiteral("AXUnknown");
    return node;
}

bool isLeafContainer(AtspiRole role)
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
    while (!queue.empty() && found == nullptr && !walk.result.failed) {
        auto [a, depth] = queue.front();
        queue.pop_front();
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
    for (auto &[a, depth] : queue)
        g_object_unref(a);
    return found;
}

} // namespace

AtspiWalkResult walkMenuBar(AtspiAccessible *application, AtspiCacheUse cache)
{
    Walk walk;
    // GTK answers the cache's GetItems with its whole tree in one reply and sends state changes as events;
    // Qt answers GetItems empty and sends no event when a checkable action flips, so its cached states
    // would go stale: Qt is read uncached.
    gchar *toolkit = atspi_accessible_get_toolkit_name(application, nullptr);
    const bool qt = toolkit != nullptr && g_str_has_prefix(toolkit, "Qt");
    g_free(toolkit);
    atspi_accessible_clear_cache(application); // menus change between palette calls
    atspi_accessible_set_cache_mask(application,
                                    cache == AtspiCacheUse::On && !qt ? ATSPI_CACHE_DEFAULT : ATSPI_CACHE_NONE);
    AtspiAccessible *bar = findMenuBar(walk, application);
    if (bar == nullptr)
        return walk.result;
    auto root = std::make_shared<AtspiMenuNode>();
    root->role = QString::fromLatin1(axrole::kMenuBar);
    root->enabled = true;
    identify(bar, *root);
    std::vector<AtspiAccessible *> items = walk.children(bar);
    for (AtspiAccessible *item : items) {
        if (AtspiMenuNodePtr node = readItem(walk, item, true))
            root->children.push_back(std::move(node));
    }
    unrefAll(items);
    g_object_unref(bar);
    walk.result.menuBar = std::move(root);
    return walk.result;
}

} // namespace tavolin
