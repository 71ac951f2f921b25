#include "platform/linux/AtspiPresser.h"

#include "common/Log.h"
#include "common/Mutex.h"
#include "platform/linux/SocketHolder.h"

#include <dbus/dbus.h>

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

namespace tavolin {
namespace {

using Clock = std::chrono::steady_clock;

// A private connection of libdbus, closed and released when it goes.
class Connection
{
public:
    // The application's own socket: a peer, no bus daemon, so no Hello.
    static Connection direct(const QString &address) { return Connection(address, false); }
    // The accessibility bus: registers, to get a name replies can come back to.
    static Connection bus(const QString &address) { return Connection(address, true); }

    Connection(Connection &&other) noexcept : m_connection(other.m_connection) { other.m_connection = nullptr; }
    Connection &operator=(Connection &&) = delete;
    ~Connection()
    {
        if (m_connection == nullptr)
            return;
        dbus_connection_close(m_connection);
        dbus_connection_unref(m_connection);
    }
    DBusConnection *get() const { return m_connection; }
    // The socket under the connection, or -1.
    int socket() const
    {
        int fd = -1;
        return m_connection != nullptr && dbus_connection_get_socket(m_connection, &fd) ? fd : -1;
    }

private:
    Connection(const QString &address, bool registerOnBus)
    {
        if (address.isEmpty())
            return;
        DBusError error;
        dbus_error_init(&error);
        m_connection = dbus_connection_open_private(address.toUtf8().constData(), &error);
        if (m_connection != nullptr) {
            dbus_connection_set_exit_on_disconnect(m_connection, FALSE);
            if (registerOnBus && !dbus_bus_register(m_connection, &error)) {
                dbus_connection_close(m_connection);
                dbus_connection_unref(m_connection);
                m_connection = nullptr;
            }
        }
        if (dbus_error_is_set(&error))
            log::debug(QStringLiteral("press: cannot connect to %1: %2").arg(address, QString::fromUtf8(error.message)));
        dbus_error_free(&error);
    }

    DBusConnection *m_connection = nullptr;
};

// A call sent with a reply expected; cancelled when it goes unanswered.
class Pending
{
public:
    Pending(DBusConnection *connection, DBusMessage *call, int timeoutMs)
    {
        if (call == nullptr)
            return;
        if (!dbus_connection_send_with_reply(connection, call, &m_pending, timeoutMs))
            m_pending = nullptr;
        dbus_message_unref(call);
    }
    Pending(const Pending &) = delete;
    Pending &operator=(const Pending &) = delete;
    ~Pending()
    {
        if (m_reply != nullptr)
            dbus_message_unref(m_reply);
        if (m_pending == nullptr)
            return;
        dbus_pending_call_cancel(m_pending);
        dbus_pending_call_unref(m_pending);
    }
    bool sent() const { return m_pending != nullptr; }
    // The reply once it came, else null.
    DBusMessage *reply()
    {
        if (m_reply == nullptr && m_pending != nullptr && dbus_pending_call_get_completed(m_pending))
            m_reply = dbus_pending_call_steal_reply(m_pending);
        return m_reply;
    }

private:
    DBusPendingCall *m_pending = nullptr;
    DBusMessage *m_reply = nullptr;
};

DBusMessage *methodCall(const AtspiPressTarget &target, const char *interface, const char *method)
{
    const QByteArray busName = target.busName.toUtf8();
    const QByteArray path = target.path.toUtf8();
    DBusMessage *call = dbus_message_new_method_call(busName.constData(), path.constData(), interface, method);
    if (call != nullptr)
        dbus_message_set_auto_start(call, FALSE);
    return call;
}

DBusMessage *doActionCall(const AtspiPressTarget &target)
{
    DBusMessage *call = methodCall(target, "org.a11y.atspi.Action", "DoAction");
    const dbus_int32_t index = target.actionIndex;
    if (call != nullptr && !dbus_message_append_args(call, DBUS_TYPE_INT32, &index, DBUS_TYPE_INVALID)) {
        dbus_message_unref(call);
        return nullptr;
    }
    return call;
}

// What a reply says of the press.
AXError outcomeOf(DBusMessage *reply, bool isPressReply)
{
    if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR) {
        const char *name = dbus_message_get_error_name(reply);
        const auto is = [name](const char *error) { return name != nullptr && qstrcmp(name, error) == 0; };
        if (is(DBUS_ERROR_UNKNOWN_OBJECT) || is(DBUS_ERROR_UNKNOWN_METHOD) || is(DBUS_ERROR_UNKNOWN_INTERFACE)
            || is(DBUS_ERROR_SERVICE_UNKNOWN) || is(DBUS_ERROR_NAME_HAS_NO_OWNER) || is(DBUS_ERROR_DISCONNECTED))
            return AXError::InvalidElement;
        if (is(DBUS_ERROR_NO_REPLY) || is(DBUS_ERROR_TIMEOUT) || is(DBUS_ERROR_TIMED_OUT))
            return AXError::CannotComplete;
        return AXError::Failure;
    }
    if (!isPressReply)
        return AXError::Success; // the item answered after taking the press: its command is running
    dbus_bool_t done = FALSE;
    if (!dbus_message_get_args(reply, nullptr, DBUS_TYPE_BOOLEAN, &done, DBUS_TYPE_INVALID))
        return AXError::Success; // an answer without a result still says it arrived
    return done ? AXError::Success : AXError::Failure;
}

// Sends the press on `connection` and reads its outcome. `direct`: the connection is the application's own
// socket, which must carry nothing but the press (see the class comment); elsewhere a call goes right behind
// it, whose answer tells that a press still unanswered is running.
AXError pressOn(DBusConnection *connection, const AtspiPressTarget &target, int timeoutMs, bool direct)
{
    Pending press(connection, doActionCall(target), timeoutMs);
    Pending behind(connection, direct ? nullptr : methodCall(target, "org.a11y.atspi.Accessible", "GetRole"), timeoutMs);
    if (!press.sent())
        return AXError::Failure;
    dbus_connection_flush(connection);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (DBusMessage *reply = press.reply())
            return outcomeOf(reply, true);
        if (DBusMessage *reply = behind.reply())
            return outcomeOf(reply, false);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return AXError::CannotComplete;
        if (!dbus_connection_read_write_dispatch(connection, int(left)))
            return AXError::InvalidElement; // the application closed the connection: it is gone
    }
}

// Direct connections that carried a press stay open, the newest this many: closing one while the
// application still runs its command would put a disconnection on it (see the class comment).
constexpr size_t kMaxHeld = 32;

// Presses; a direct connection that carried the press goes to `held`.
AXError pressNow(const AtspiPressTarget &target, const QString &busAddress, int timeoutMs,
                 std::optional<Connection> &held)
{
    Connection direct = Connection::direct(target.directAddress);
    if (direct.get() != nullptr) {
        const AXError outcome = pressOn(direct.get(), target, timeoutMs, true);
        held.emplace(std::move(direct));
        return outcome;
    }
    // A socket of the application's that cannot be reached any more is no reason to give up: the bus may
    // still know the application.
    const Connection bus = Connection::bus(busAddress);
    if (bus.get() == nullptr)
        return AXError::Failure;
    return pressOn(bus.get(), target, timeoutMs, false);
}

} // namespace

struct AtspiPresser::Held
{
    std::deque<Connection> connections;
};

AtspiPresser::AtspiPresser(QString busAddress, int timeoutMs)
    : m_busAddress(std::move(busAddress)), m_timeoutMs(timeoutMs), m_held(std::make_unique<Held>()),
      m_thread([this] { run(); })
{
}

AtspiPresser::~AtspiPresser()
{
    {
        MutexLocker lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notifyAll();
    m_thread.join();
    handOffHeld();
}

void AtspiPresser::handOffHeld()
{
    std::deque<Connection> connections;
    {
        MutexLocker lock(m_mutex);
        connections.swap(m_held->connections);
    }
    std::vector<int> sockets;
    for (const Connection &connection : connections) {
        if (const int fd = connection.socket(); fd >= 0)
            sockets.push_back(fd);
    }
    holdSocketsUntilPeersClose(sockets);
}

void AtspiPresser::setTimeout(int timeoutMs)
{
    MutexLocker lock(m_mutex);
    m_timeoutMs = timeoutMs;
}

bool AtspiPresser::press(const AtspiPressTarget &target, Done done)
{
    if (!isConnected() || target.busName.isEmpty() || target.path.isEmpty() || target.actionIndex < 0)
        return false;
    {
        MutexLocker lock(m_mutex);
        m_queue.push_back(Job{target, std::move(done)});
    }
    m_changed.notifyAll();
    return true;
}

bool AtspiPresser::flush(int boundMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    MutexLocker lock(m_mutex);
    while (!m_queue.empty() || m_busy > 0) {
        if (!m_changed.waitUntil(m_mutex, deadline))
            return m_queue.empty() && m_busy == 0;
    }
    return true;
}

void AtspiPresser::run()
{
    MutexLocker lock(m_mutex);
    while (true) {
        while (!m_stopping && m_queue.empty())
            m_changed.wait(m_mutex);
        if (m_queue.empty())
            return; // stopping, and every queued press is done
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_busy;
        const int timeoutMs = m_timeoutMs;
        lock.unlock();
        std::optional<Connection> held;
        const AXError outcome = pressNow(job.target, m_busAddress, timeoutMs, held);
        if (job.done)
            job.done(outcome);
        lock.relock();
        if (held) {
            m_held->connections.push_back(std::move(*held));
            if (m_held->connections.size() > kMaxHeld)
                m_held->connections.pop_front(); // a command still running after that many presses is left to chance
        }
        --m_busy;
        m_changed.notifyAll();
    }
}

} // namespace tavolin
