#include "platform/linux/AtspiActiveApplication.h"

#include "platform/linux/AtspiItemsTree.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace tavolin {
namespace {

constexpr auto kRootPath = "/org/a11y/atspi/accessible/root";
using ObjectRef = std::pair<QByteArray, QByteArray>; // bus name, path

// Milliseconds left before `deadline`, at least 1 so a late round still sends and fails at once.
int remainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return int(std::max<long long>(1, left.count()));
}

bool isReturn(DBusMessage *reply, const char *signature)
{
    return reply != nullptr && dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN
        && dbus_message_has_signature(reply, signature);
}

// The references of an a(so) reply (GetChildren); none when it is not one.
std::vector<ObjectRef> objectRefs(DBusMessage *reply)
{
    return atspiObjectRefs(reply).value_or(std::vector<ObjectRef>{});
}

// The state bits of a GetState reply (au: low word, high word); 0 when it is not one.
uint64_t stateBits(DBusMessage *reply)
{
    if (!isReturn(reply, "au"))
        return 0;
    DBusMessageIter top;
    DBusMessageIter array;
    dbus_message_iter_init(reply, &top);
    dbus_message_iter_recurse(&top, &array);
    uint64_t bits = 0;
    for (int word = 0; word < 2 && dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_UINT32; ++word) {
        dbus_uint32_t value = 0;
        dbus_message_iter_get_basic(&array, &value);
        bits |= uint64_t(value) << (32 * word);
        dbus_message_iter_next(&array);
    }
    return bits;
}

DBusMessage *accessibleCall(const QByteArray &bus, const QByteArray &path, const char *method)
{
    return dbus_message_new_method_call(bus.constData(), path.constData(), "org.a11y.atspi.Accessible", method);
}

// Sends one call per reference at once and collects what `read` makes of each reply, in order.
template<typename T, typename Read>
std::vector<T> askEach(DBusConnection *bus, const std::vector<ObjectRef> &refs, const char *method, int timeoutMs,
                       Read read)
{
    std::vector<DBusMessage *> calls;
    calls.reserve(refs.size());
    for (const ObjectRef &ref : refs)
        calls.push_back(accessibleCall(ref.first, ref.second, method));
    std::vector<T> results(refs.size());
    callPipelined(bus, std::move(calls), timeoutMs, [&](size_t i, DBusMessage *reply) {
        results[i] = read(reply);
        return true;
    });
    return results;
}

int32_t connectionPid(DBusConnection *bus, const QByteArray &busName, int timeoutMs)
{
    DBusMessage *call = dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                     "org.freedesktop.DBus", "GetConnectionUnixProcessID");
    const char *name = busName.constData();
    if (call == nullptr || !dbus_message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID)) {
        if (call != nullptr)
            dbus_message_unref(call);
        return 0;
    }
    int32_t pid = 0;
    callPipelined(bus, {call}, timeoutMs, [&](size_t, DBusMessage *reply) {
        dbus_uint32_t value = 0;
        if (isReturn(reply, "u") && dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &value, DBUS_TYPE_INVALID))
            pid = int32_t(value);
        return true;
    });
    return pid;
}

} // namespace

std::vector<QByteArray> activeApplicationBuses(const std::vector<AtspiTopLevel> &windows)
{
    std::vector<QByteArray> buses;
    for (const AtspiTopLevel &window : windows) {
        if ((window.states & (uint64_t(1) << ATSPI_STATE_ACTIVE)) == 0 || window.busName.isEmpty())
            continue;
        if (std::find(buses.begin(), buses.end(), window.busName) == buses.end())
            buses.push_back(window.busName);
    }
    return buses;
}

int32_t atspiActiveApplicationPid(int timeoutMs, int32_t ownPid)
{
    DBusConnection *bus = atspi_get_a11y_bus();
    if (bus == nullptr)
        return 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::vector<ObjectRef> desktop{{QByteArrayLiteral("org.a11y.atspi.Registry"), QByteArray(kRootPath)}};
    const std::vector<ObjectRef> applications =
        askEach<std::vector<ObjectRef>>(bus, desktop, "GetChildren", remainingMs(deadline), objectRefs).front();

    // Every application's top-level windows, asked of the application under its own bus name (a reply may
    // leave the name empty: the object lives where it was asked).
    std::vector<ObjectRef> roots;
    for (const ObjectRef &application : applications)
        roots.emplace_back(application.first, QByteArray(kRootPath));
    const auto windowsPerApplication =
        askEach<std::vector<ObjectRef>>(bus, roots, "GetChildren", remainingMs(deadline), objectRefs);
    std::vector<ObjectRef> windows;
    for (size_t i = 0; i < roots.size(); ++i) {
        for (const ObjectRef &window : windowsPerApplication[i])
            windows.emplace_back(roots[i].first, window.second);
    }

    const auto states = askEach<uint64_t>(bus, windows, "GetState", remainingMs(deadline), stateBits);
    std::vector<AtspiTopLevel> topLevels;
    for (size_t i = 0; i < windows.size(); ++i)
        topLevels.push_back({windows[i].first, states[i]});
    for (const QByteArray &candidate : activeApplicationBuses(topLevels)) {
        const int32_t pid = connectionPid(bus, candidate, remainingMs(deadline));
        if (pid > 0 && pid != ownPid)
            return pid;
    }
    return 0;
}

} // namespace tavolin
