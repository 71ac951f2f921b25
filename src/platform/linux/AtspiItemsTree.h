#pragma once

#include "accessibility/MenuReadCuts.h"
#include "platform/linux/AtspiMenuWalker.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

typedef struct DBusConnection DBusConnection;
typedef struct DBusMessage DBusMessage;
typedef struct _AtspiAccessible AtspiAccessible;

namespace tavolin {

// One entry of an application's org.a11y.atspi.Cache.GetItems reply: every object the application's
// accessibility bridge knows, with its role, name, states and interfaces, in one message.
struct AtspiCacheItem
{
    QByteArray path;
    QByteArray parentPath;
    int indexInParent = -1; // -1: not known; such children keep the reply's order after the known ones
    int role = 0;           // AtspiRole
    QString name;
    uint64_t states = 0;    // bit N set: AtspiStateType N
    bool hasAction = false; // offers org.a11y.atspi.Action
};

// The menu bar found in a list of cache items and read into the reader's shape, as walkMenuBar reads it
// from GTK with AtspiActionReads::Single (the same nodes, titles, states and press index; items without
// the VISIBLE state left out), except that key bindings are left to the caller: `bindingsWanted` lists the items whose binding of action 0 gives
// their shortcut.
struct AtspiItemsMenuBar
{
    AtspiMenuNodePtr menuBar; // null: no menu bar among the items
    int nodes = 0;
    int menuItems = 0;
    std::vector<std::shared_ptr<AtspiMenuNode>> bindingsWanted;
    MenuReadCuts cuts; // the limits (menulimits) the building ran into
};

// Children in their order, by parent path: GetItems does not keep it (many items give no index).
using AtspiChildOrder = QHash<QByteArray, std::vector<QByteArray>>;

// Pure: the menu bar among `items` (breadth first from the application's root, not descending into menus,
// tables, lists or text) and every menu below it: the containers whose children's order is needed.
std::vector<QByteArray> menuContainersOf(const std::vector<AtspiCacheItem> &items);

// Pure: builds the menu bar of the application whose root is "/org/a11y/atspi/accessible/root" from
// `items` (any order), each container's children in the order `order` gives. Each path is read once (a
// menu listed under itself or under two menus is cut there), no deeper than menulimits::kMaxDepth menus
// and no more than menulimits::kMaxRows elements; the cuts say which limit was reached. `busName` is the
// application's bus name, for the nodes' press address. Null menu bar when there is none, or when `order`
// names a child that is not among the items (the application's cache is behind: walk it instead).
AtspiItemsMenuBar menuBarFromItems(const std::vector<AtspiCacheItem> &items, const AtspiChildOrder &order,
                                   const QString &busName);

enum class AtspiItemsStatus {
    Read,        // `items` holds the reply
    Unsupported, // the application has no such call or answers another shape: read it another way
    Failed,      // time-out or error of a live call: the application does not answer
    Vanished,    // an object asked for was gone (an error reply): the rest was read
};

// Whether `reply` (an error reply, or null) says the call got no answer in time or the application left,
// rather than that the object asked for is gone.
bool isNoAnswer(DBusMessage *reply);

// The objects (bus name, path) a GetChildren reply lists, in its order; nullopt when `reply` is not a method
// return of that shape.
std::optional<std::vector<std::pair<QByteArray, QByteArray>>> atspiObjectRefs(DBusMessage *reply);

// Calls GetItems of `busName` on `bus` (the application's own connection), waiting at most `timeoutMs`.
// Threads: the thread that owns `bus` (the libatspi thread).
AtspiItemsStatus fetchCacheItems(DBusConnection *bus, const QByteArray &busName, int timeoutMs,
                                 std::vector<AtspiCacheItem> &items);

// The connection to reach `application` on: its own direct socket when libatspi has one (GTK), else the
// accessibility bus; owned by libatspi. And the application's bus name. Threads: the libatspi thread.
DBusConnection *atspiApplicationBus(AtspiAccessible *application);
QByteArray atspiApplicationBusName(AtspiAccessible *application);

// The Name of the object at `path`, in one request bounded by `timeoutMs` (a libatspi call may make
// several, each waiting the whole time-out). Failed only on a time-out. Threads: as fetchCacheItems.
AtspiItemsStatus fetchName(DBusConnection *bus, const QByteArray &busName, const QByteArray &path, int timeoutMs,
                           QString &name);

// The application's own socket (GetApplicationBusAddress on its root), empty when it offers none, in one
// request bounded by `timeoutMs`. Threads: as fetchCacheItems.
AtspiItemsStatus fetchDirectAddress(DBusConnection *bus, const QByteArray &busName, int timeoutMs, QString &address);

// Sends the calls on `bus`, at most 256 outstanding at once, and hands each reply (null after a time-out or
// when the application left) to `onReply` in order: the application answers them back to back instead of one
// round trip each.
// Every call carries `timeoutMs` from the moment it was sent, so the batch is bounded by about one time-out.
// Once `onReply` returns false, or a call could not be sent, the calls still pending are cancelled. Takes
// the calls (null ones count as not sent). False when a call could not be sent. Threads: as fetchCacheItems.
bool callPipelined(DBusConnection *bus, std::vector<DBusMessage *> calls, int timeoutMs,
                   const std::function<bool(size_t index, DBusMessage *reply)> &onReply);

// Asks GetChildren of every path in `parents` at once and collects the replies, all bounded by one
// `timeoutMs`. A parent that answers with an error (destroyed meanwhile) gets no order and makes the result
// Vanished; the others are still collected. Threads: as fetchCacheItems.
AtspiItemsStatus fetchChildOrder(DBusConnection *bus, const QByteArray &busName, const std::vector<QByteArray> &parents,
                                 int timeoutMs, AtspiChildOrder &order);

} // namespace tavolin
