#include "platform/linux/AtspiItemsTree.h"

#include "accessibility/ElementSource.h"
#include "accessibility/MenuReadCuts.h"

#include <QHash>
#include <QSet>

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <algorithm>
#include <climits>
#include <deque>

namespace tavolin {
namespace {

constexpr auto kRootPath = "/org/a11y/atspi/accessible/root";
constexpr auto kItemsSignature = "a((so)(so)(so)iiassusau)";
constexpr int kMaxMenuBarDepth = 6; // as walkMenuBar: GTK puts the menu bar under frame > filler > filler

bool hasState(const AtspiCacheItem &item, AtspiStateType state)
{
    return int(state) < 64 && ((item.states >> int(state)) & 1u) != 0;
}

class Builder
{
public:
    Builder(const std::vector<AtspiCacheItem> &items, const QString &busName) : m_items(items), m_busName(busName)
    {
        for (int i = 0; i < int(items.size()); ++i) {
            m_children[items[size_t(i)].parentPath].push_back(i);
            m_byPath.insert(items[size_t(i)].path, i);
        }
        // By index in the parent; unknown indexes after the known ones, in the reply's order.
        const auto key = [&](int i) {
            const int index = m_items[size_t(i)].indexInParent;
            return std::make_pair(index < 0 ? INT_MAX : index, i);
        };
        for (std::vector<int> &list : m_children)
            std::sort(list.begin(), list.end(), [&](int a, int b) { return key(a) < key(b); });
    }

    std::vector<QByteArray> containers() const
    {
        std::vector<QByteArray> list;
        const int bar = findMenuBar();
        if (bar < 0)
            return list;
        // Each menu once, however often (or under whatever parent) the items list it.
        QSet<QByteArray> seen{m_items[size_t(bar)].path};
        std::deque<int> queue{bar};
        while (!queue.empty() && int(list.size()) < menulimits::kMaxRows) {
            const int index = queue.front();
            queue.pop_front();
            list.push_back(m_items[size_t(index)].path);
            for (int child : childrenOf(m_items[size_t(index)].path)) {
                const AtspiCacheItem &item = m_items[size_t(child)];
                if (item.role == ATSPI_ROLE_MENU && !seen.contains(item.path)) {
                    seen.insert(item.path);
                    queue.push_back(child);
                }
            }
        }
        return list;
    }

    // Puts each container's children in the order given; false when a child is not among the items.
    bool reorder(const AtspiChildOrder &order)
    {
        for (auto it = order.cbegin(); it != order.cend(); ++it) {
            std::vector<int> list;
            list.reserve(it->size());
            for (const QByteArray &path : *it) {
                const auto found = m_byPath.constFind(path);
                if (found == m_byPath.cend())
                    return false;
                list.push_back(*found);
            }
            m_children[it.key()] = std::move(list);
        }
        return true;
    }

    AtspiItemsMenuBar build()
    {
        const int bar = findMenuBar();
        if (bar < 0)
            return std::move(m_out);
        auto root = std::make_shared<AtspiMenuNode>();
        root->role = QString::fromLatin1(axrole::kMenuBar);
        root->enabled = true;
        root->busName = m_busName;
        root->path = QString::fromUtf8(m_items[size_t(bar)].path);
        const bool barShown = hasState(m_items[size_t(bar)], ATSPI_STATE_VISIBLE);
        m_visited.insert(m_items[size_t(bar)].path);
        for (int child : childrenOf(m_items[size_t(bar)].path)) {
            if (AtspiMenuNodePtr item = node(child, true, barShown, 0))
                root->children.push_back(std::move(item));
        }
        m_out.menuBar = std::move(root);
        return std::move(m_out);
    }

private:
    const std::vector<int> &childrenOf(const QByteArray &path) const
    {
        static const std::vector<int> kNone;
        const auto it = m_children.constFind(path);
        return it == m_children.cend() ? kNone : *it;
    }

    // Breadth first from the application, not descending into menus, tables, lists or text.
    int findMenuBar() const
    {
        std::deque<std::pair<QByteArray, int>> queue{{QByteArray(kRootPath), 0}};
        QSet<QByteArray> seen{QByteArray(kRootPath)};
        while (!queue.empty()) {
            const auto [path, depth] = queue.front();
            queue.pop_front();
            for (int child : childrenOf(path)) {
                const AtspiCacheItem &item = m_items[size_t(child)];
                if (item.role == ATSPI_ROLE_MENU_BAR)
                    return child;
                if (depth + 1 < kMaxMenuBarDepth && !isAtspiLeafContainerRole(item.role) && !seen.contains(item.path)) {
                    seen.insert(item.path);
                    queue.emplace_back(item.path, depth + 1);
                }
            }
        }
        return -1;
    }

    // Whether the item may be read: not read before in this building, and within the limits.
    bool admit(const AtspiCacheItem &item, int depth)
    {
        if (m_out.cuts.rows)
            return false;
        if (depth > menulimits::kMaxDepth) {
            m_out.cuts.depth = true;
            return false;
        }
        if (m_out.nodes >= menulimits::kMaxRows) {
            m_out.cuts.rows = true;
            return false;
        }
        if (m_visited.contains(item.path)) {
            m_out.cuts.cycle = true;
            return false;
        }
        m_visited.insert(item.path);
        return true;
    }

    // Null for an item its application keeps hidden (as walkMenuBar decides it), or one the limits refuse.
    // `depth`: the menus between the item and the bar.
    AtspiMenuNodePtr node(int index, bool topLevel, bool menuShown, int depth)
    {
        const AtspiCacheItem &item = m_items[size_t(index)];
        if (!admit(item, depth))
            return nullptr;
        ++m_out.nodes;
        if (!atspiItemIsListed(item.role, hasState(item, ATSPI_STATE_VISIBLE), menuShown))
            return nullptr;
        auto node = std::make_shared<AtspiMenuNode>();
        node->role = QString::fromLatin1(topLevel ? axrole::kMenuBarItem : axrole::kMenuItem);
        if (item.role == ATSPI_ROLE_SEPARATOR) {
            node->title = QString();
            return node;
        }
        node->title = item.name.trimmed();
        node->enabled = hasState(item, ATSPI_STATE_ENABLED) && hasState(item, ATSPI_STATE_SENSITIVE);
        node->checked = hasState(item, ATSPI_STATE_CHECKED);
        node->busName = m_busName;
        node->path = QString::fromUtf8(item.path);
        // GTK offers its one action "click" while the item is enabled and shown.
        const bool pressable = node->enabled && hasState(item, ATSPI_STATE_VISIBLE) && item.hasAction;
        if (item.role == ATSPI_ROLE_MENU) {
            ++m_out.menuItems;
            node->actionIndex = pressable ? 0 : -1;
            auto menu = std::make_shared<AtspiMenuNode>();
            menu->role = QString::fromLatin1(axrole::kMenu);
            menu->enabled = true;
            const bool shown = hasState(item, ATSPI_STATE_VISIBLE);
            for (int child : childrenOf(item.path)) {
                if (AtspiMenuNodePtr kid = this->node(child, false, shown, depth + 1))
                    menu->children.push_back(std::move(kid));
            }
            node->children.push_back(std::move(menu));
            return node;
        }
        if (isAtspiMenuItemRole(item.role)) {
            ++m_out.menuItems;
            if (pressable) {
                node->actionIndex = 0;
                m_out.bindingsWanted.push_back(node);
            }
            return node;
        }
        node->role = QStringLiteral("AXUnknown");
        return node;
    }

    const std::vector<AtspiCacheItem> &m_items;
    const QString m_busName;
    QHash<QByteArray, std::vector<int>> m_children; // parent path -> items, in child order
    QHash<QByteArray, int> m_byPath;
    QSet<QByteArray> m_visited; // paths read into the menu bar
    AtspiItemsMenuBar m_out;
};

// Readers of one field each; they move the iterator past it.
QByteArray objectPath(DBusMessageIter &it)
{
    DBusMessageIter ref;
    dbus_message_iter_recurse(&it, &ref);
    dbus_message_iter_next(&ref); // the bus name
    const char *path = nullptr;
    dbus_message_iter_get_basic(&ref, &path);
    dbus_message_iter_next(&it);
    return QByteArray(path ? path : "");
}

template<typename T>
T basic(DBusMessageIter &it)
{
    T value{};
    dbus_message_iter_get_basic(&it, &value);
    dbus_message_iter_next(&it);
    return value;
}

AtspiCacheItem parseItem(DBusMessageIter &entry)
{
    AtspiCacheItem item;
    item.path = objectPath(entry);
    objectPath(entry); // the application
    item.parentPath = objectPath(entry);
    item.indexInParent = basic<dbus_int32_t>(entry);
    basic<dbus_int32_t>(entry); // child count: the children are the items naming this one their parent
    DBusMessageIter list;
    dbus_message_iter_recurse(&entry, &list);
    while (dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRING) {
        if (qstrcmp(basic<const char *>(list), "org.a11y.atspi.Action") == 0)
            item.hasAction = true;
    }
    dbus_message_iter_next(&entry);
    item.name = QString::fromUtf8(basic<const char *>(entry));
    item.role = int(basic<dbus_uint32_t>(entry));
    basic<const char *>(entry); // description
    dbus_message_iter_recurse(&entry, &list);
    for (int word = 0; word < 2 && dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_UINT32; ++word)
        item.states |= uint64_t(basic<dbus_uint32_t>(list)) << (32 * word);
    return item;
}

} // namespace

DBusConnection *atspiApplicationBus(AtspiAccessible *application)
{
    const AtspiObject *object = ATSPI_OBJECT(application);
    return object->app != nullptr && object->app->bus != nullptr ? object->app->bus : atspi_get_a11y_bus();
}

QByteArray atspiApplicationBusName(AtspiAccessible *application)
{
    const AtspiObject *object = ATSPI_OBJECT(application);
    return object->app != nullptr && object->app->bus_name != nullptr ? QByteArray(object->app->bus_name)
                                                                       : QByteArray();
}

namespace {

// Sends `call` (taken) and waits at most `timeoutMs` for its reply; on none, `errorName` says why.
DBusMessage *callAndWait(DBusConnection *bus, DBusMessage *call, int timeoutMs, QByteArray &errorName)
{
    DBusError error;
    dbus_error_init(&error);
    DBusMessage *reply = dbus_connection_send_with_reply_and_block(bus, call, timeoutMs, &error);
    dbus_message_unref(call);
    if (reply == nullptr)
        errorName = error.name != nullptr ? QByteArray(error.name) : QByteArray();
    dbus_error_free(&error);
    return reply;
}

// One call whose answer is a string (`inVariant`: inside a variant, as Properties.Get gives it), bounded by
// `timeoutMs`. Takes the call.
AtspiItemsStatus callForString(DBusConnection *bus, DBusMessage *call, bool inVariant, int timeoutMs, QString &out)
{
    if (call == nullptr)
        return AtspiItemsStatus::Unsupported;
    QByteArray errorName;
    DBusMessage *reply = callAndWait(bus, call, timeoutMs, errorName);
    if (reply == nullptr) {
        // Only a time-out says the application hangs; an error reply or a vanished peer says nothing of it.
        const bool timedOut = errorName == DBUS_ERROR_NO_REPLY || errorName == DBUS_ERROR_TIMEOUT
            || errorName == DBUS_ERROR_TIMED_OUT;
        return timedOut ? AtspiItemsStatus::Failed : AtspiItemsStatus::Unsupported;
    }
    AtspiItemsStatus status = AtspiItemsStatus::Unsupported;
    DBusMessageIter top;
    DBusMessageIter variant;
    if (dbus_message_iter_init(reply, &top)) {
        DBusMessageIter *value = &top;
        if (inVariant && dbus_message_iter_get_arg_type(&top) == DBUS_TYPE_VARIANT) {
            dbus_message_iter_recurse(&top, &variant);
            value = &variant;
        }
        if (dbus_message_iter_get_arg_type(value) == DBUS_TYPE_STRING) {
            out = QString::fromUtf8(basic<const char *>(*value));
            status = AtspiItemsStatus::Read;
        }
    }
    dbus_message_unref(reply);
    return status;
}

} // namespace

AtspiItemsStatus fetchName(DBusConnection *bus, const QByteArray &busName, const QByteArray &path, int timeoutMs,
                           QString &name)
{
    if (bus == nullptr || busName.isEmpty())
        return AtspiItemsStatus::Unsupported;
    DBusMessage *call = dbus_message_new_method_call(busName.constData(), path.constData(),
                                                     "org.freedesktop.DBus.Properties", "Get");
    const char *interface = "org.a11y.atspi.Accessible";
    const char *property = "Name";
    if (call != nullptr
        && !dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID)) {
        dbus_message_unref(call);
        call = nullptr;
    }
    return callForString(bus, call, true, timeoutMs, name);
}

AtspiItemsStatus fetchDirectAddress(DBusConnection *bus, const QByteArray &busName, int timeoutMs, QString &address)
{
    if (bus == nullptr || busName.isEmpty())
        return AtspiItemsStatus::Unsupported;
    DBusMessage *call = dbus_message_new_method_call(busName.constData(), kRootPath, "org.a11y.atspi.Application",
                                                     "GetApplicationBusAddress");
    return callForString(bus, call, false, timeoutMs, address);
}

std::vector<QByteArray> menuContainersOf(const std::vector<AtspiCacheItem> &items)
{
    return Builder(items, QString()).containers();
}

AtspiItemsMenuBar menuBarFromItems(const std::vector<AtspiCacheItem> &items, const AtspiChildOrder &order,
                                   const QString &busName)
{
    Builder builder(items, busName);
    if (!builder.reorder(order))
        return {};
    return builder.build();
}

std::optional<std::vector<std::pair<QByteArray, QByteArray>>> atspiObjectRefs(DBusMessage *reply)
{
    if (reply == nullptr || dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN
        || !dbus_message_has_signature(reply, "a(so)"))
        return std::nullopt;
    std::vector<std::pair<QByteArray, QByteArray>> refs;
    DBusMessageIter top;
    DBusMessageIter array;
    dbus_message_iter_init(reply, &top);
    dbus_message_iter_recurse(&top, &array);
    for (; dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&array)) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&array, &entry);
        const char *bus = nullptr;
        const char *path = nullptr;
        dbus_message_iter_get_basic(&entry, &bus);
        dbus_message_iter_next(&entry);
        dbus_message_iter_get_basic(&entry, &path);
        refs.emplace_back(QByteArray(bus), QByteArray(path));
    }
    return refs;
}

bool isNoAnswer(DBusMessage *reply)
{
    if (reply == nullptr)
        return true;
    // libdbus answers a pending call that timed out, or whose peer left, with an error of its own.
    return dbus_message_is_error(reply, DBUS_ERROR_NO_REPLY) || dbus_message_is_error(reply, DBUS_ERROR_TIMEOUT)
        || dbus_message_is_error(reply, DBUS_ERROR_TIMED_OUT) || dbus_message_is_error(reply, DBUS_ERROR_DISCONNECTED)
        || dbus_message_is_error(reply, DBUS_ERROR_SERVICE_UNKNOWN) || dbus_message_is_error(reply, DBUS_ERROR_NAME_HAS_NO_OWNER);
}

bool callPipelined(DBusConnection *bus, std::vector<DBusMessage *> calls, int timeoutMs,
                   const std::function<bool(size_t index, DBusMessage *reply)> &onReply)
{
    // At most this many calls are outstanding: libdbus corrupted its heap with 20,001 pending calls at once
    // (a menu of 20,000 items), and a window this wide still keeps the application answering back to back.
    constexpr size_t kWindow = 256;
    std::vector<DBusPendingCall *> pending(calls.size(), nullptr);
    bool sent = bus != nullptr;
    size_t next = 0; // the first call neither sent nor dropped
    // Sends the calls before `end`; once one could not be sent, the rest are dropped unsent.
    const auto sendBefore = [&](size_t end) {
        const size_t first = next;
        for (; next < std::min(end, calls.size()); ++next) {
            if (sent && (calls[next] == nullptr
                         || !dbus_connection_send_with_reply(bus, calls[next], &pending[next], timeoutMs)
                         || pending[next] == nullptr))
                sent = false;
            if (calls[next] != nullptr)
                dbus_message_unref(calls[next]);
        }
        if (bus != nullptr && next > first)
            dbus_connection_flush(bus);
    };
    sendBefore(kWindow);
    bool going = sent;
    for (size_t i = 0; i < pending.size(); ++i) {
        if (going) {
            sendBefore(i + kWindow);
            going = sent;
        }
        if (!going) {
            for (; next < calls.size(); ++next) {
                if (calls[next] != nullptr)
                    dbus_message_unref(calls[next]);
            }
        }
        if (pending[i] == nullptr)
            continue;
        if (!going) {
            dbus_pending_call_cancel(pending[i]);
            dbus_pending_call_unref(pending[i]);
            continue;
        }
        dbus_pending_call_block(pending[i]);
        DBusMessage *reply = dbus_pending_call_steal_reply(pending[i]);
        dbus_pending_call_unref(pending[i]);
        going = onReply(i, reply);
        if (reply != nullptr)
            dbus_message_unref(reply);
    }
    return sent;
}

AtspiItemsStatus fetchChildOrder(DBusConnection *bus, const QByteArray &busName, const std::vector<QByteArray> &parents,
                                 int timeoutMs, AtspiChildOrder &order)
{
    if (bus == nullptr || busName.isEmpty())
        return AtspiItemsStatus::Unsupported;
    std::vector<DBusMessage *> calls;
    calls.reserve(parents.size());
    for (const QByteArray &parent : parents) {
        calls.push_back(dbus_message_new_method_call(busName.constData(), parent.constData(),
                                                     "org.a11y.atspi.Accessible", "GetChildren"));
    }
    AtspiItemsStatus status = AtspiItemsStatus::Read;
    bool vanished = false;
    const bool sent = callPipelined(bus, std::move(calls), timeoutMs, [&](size_t i, DBusMessage *reply) {
        if (isNoAnswer(reply)) {
            status = AtspiItemsStatus::Failed; // a time-out, or the application left
        } else if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR) {
            vanished = true; // this menu was destroyed meanwhile: its children keep the items' order
        } else if (dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN) {
            status = AtspiItemsStatus::Failed;
        } else if (!dbus_message_has_signature(reply, "a(so)")) {
            status = AtspiItemsStatus::Unsupported;
        } else {
            DBusMessageIter top;
            DBusMessageIter array;
            dbus_message_iter_init(reply, &top);
            dbus_message_iter_recurse(&top, &array);
            std::vector<QByteArray> &children = order[parents[i]];
            while (dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_STRUCT)
                children.push_back(objectPath(array));
        }
        return status == AtspiItemsStatus::Read;
    });
    if (!sent)
        return AtspiItemsStatus::Unsupported;
    return status == AtspiItemsStatus::Read && vanished ? AtspiItemsStatus::Vanished : status;
}

AtspiItemsStatus fetchCacheItems(DBusConnection *bus, const QByteArray &busName, int timeoutMs,
                                 std::vector<AtspiCacheItem> &items)
{
    if (bus == nullptr || busName.isEmpty())
        return AtspiItemsStatus::Unsupported;
    DBusMessage *call = dbus_message_new_method_call(busName.constData(), "/org/a11y/atspi/cache",
                                                     "org.a11y.atspi.Cache", "GetItems");
    if (call == nullptr)
        return AtspiItemsStatus::Unsupported;
    QByteArray errorName;
    DBusMessage *reply = callAndWait(bus, call, timeoutMs, errorName);
    if (reply == nullptr) {
        const bool unsupported = errorName == DBUS_ERROR_UNKNOWN_METHOD || errorName == DBUS_ERROR_UNKNOWN_OBJECT
            || errorName == DBUS_ERROR_UNKNOWN_INTERFACE;
        return unsupported ? AtspiItemsStatus::Unsupported : AtspiItemsStatus::Failed;
    }
    // Other versions of the protocol sent other shapes (a list of children per item): read those another way.
    if (!dbus_message_has_signature(reply, kItemsSignature)) {
        dbus_message_unref(reply);
        return AtspiItemsStatus::Unsupported;
    }
    DBusMessageIter top;
    DBusMessageIter array;
    dbus_message_iter_init(reply, &top);
    dbus_message_iter_recurse(&top, &array);
    while (dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_STRUCT) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&array, &entry);
        items.push_back(parseItem(entry));
        dbus_message_iter_next(&array);
    }
    dbus_message_unref(reply);
    return AtspiItemsStatus::Read;
}

} // namespace tavolin
