#include "platform/linux/AtspiCallQueue.h"

#include <dbus/dbus.h>

#include <algorithm>

namespace tavolin {

namespace {

// At most this many calls are in flight: libdbus corrupted its heap with 20,001 pending calls at once, and
// a window this wide still keeps the application answering back to back.
constexpr size_t kWindow = 256;

} // namespace

struct AtspiCallQueue::Call
{
    AtspiCallQueue *queue = nullptr;
    DBusPendingCall *pending = nullptr;
    Handler handler;
    QByteArray order;
    bool completed = false;
};

AtspiCallQueue::AtspiCallQueue(DBusConnection *bus, int timeoutMs) : m_bus(bus), m_timeoutMs(timeoutMs) {}

AtspiCallQueue::~AtspiCallQueue()
{
    for (auto &[order, queued] : m_queued) {
        if (queued.first != nullptr)
            dbus_message_unref(queued.first);
    }
    for (const std::unique_ptr<Call> &call : m_out) {
        if (!call->completed)
            dbus_pending_call_cancel(call->pending); // no notification can come after this
        dbus_pending_call_unref(call->pending);
    }
}

void AtspiCallQueue::call(DBusMessage *message, Handler handler, const QByteArray &order)
{
    m_queued.emplace(order, std::make_pair(message, std::move(handler)));
}

void AtspiCallQueue::onCompleted(DBusPendingCall *, void *data)
{
    auto *call = static_cast<Call *>(data);
    if (call->completed)
        return;
    call->completed = true;
    call->queue->m_answered.push_back(call);
}

// False when a call could not be sent (no message, or the connection is closed).
bool AtspiCallQueue::sendQueued()
{
    bool sentAny = false;
    bool ok = true;
    while (ok && !m_queued.empty() && m_out.size() < kWindow) {
        auto [message, handler] = std::move(m_queued.begin()->second);
        auto call = std::make_unique<Call>();
        call->order = m_queued.begin()->first;
        m_queued.erase(m_queued.begin());
        call->queue = this;
        call->handler = std::move(handler);
        // No time-out of libdbus's own: run() decides from the application's progress, and cancels.
        ok = message != nullptr && m_bus != nullptr
            && dbus_connection_send_with_reply(m_bus, message, &call->pending, DBUS_TIMEOUT_INFINITE)
            && call->pending != nullptr;
        if (message != nullptr)
            dbus_message_unref(message);
        if (!ok)
            break;
        ++m_sent;
        sentAny = true;
        Call *raw = call.get();
        m_out.push_back(std::move(call));
        dbus_pending_call_set_notify(raw->pending, &AtspiCallQueue::onCompleted, raw, nullptr);
        if (dbus_pending_call_get_completed(raw->pending))
            onCompleted(raw->pending, raw);
    }
    if (sentAny)
        dbus_connection_flush(m_bus);
    return ok;
}

bool AtspiCallQueue::hasCallUpTo(const QByteArray &prefix) const
{
    const auto upTo = [&prefix](const QByteArray &order) { return order.left(prefix.size()) <= prefix; };
    if (!m_queued.empty() && upTo(m_queued.begin()->first))
        return true;
    return std::any_of(m_out.begin(), m_out.end(), [&upTo](const auto &call) { return upTo(call->order); });
}

AtspiCallQueue::Outcome AtspiCallQueue::run(std::chrono::steady_clock::time_point deadline,
                                            const std::function<void()> &afterAnswers)
{
    using Clock = std::chrono::steady_clock;
    auto lastAnswer = Clock::now();
    for (;;) {
        if (!sendQueued())
            return Outcome::TimedOut;
        // Every reply already read is handled before the next calls go out, so they leave in one write: the
        // bus and the application then wake once for a batch, not once for each call.
        while (dbus_connection_get_dispatch_status(m_bus) == DBUS_DISPATCH_DATA_REMAINS)
            dbus_connection_dispatch(m_bus);
        if (!m_answered.empty()) {
            while (!m_answered.empty()) {
                Call *call = m_answered.front();
                m_answered.pop_front();
                DBusMessage *reply = dbus_pending_call_steal_reply(call->pending);
                Handler handler = std::move(call->handler);
                const auto it = std::find_if(m_out.begin(), m_out.end(), [call](const auto &c) { return c.get() == call; });
                dbus_pending_call_unref(call->pending);
                m_out.erase(it);
                if (reply == nullptr)
                    return Outcome::TimedOut;
                handler(reply);
                dbus_message_unref(reply);
                if (m_stopped)
                    return Outcome::Stopped;
            }
            lastAnswer = Clock::now();
            if (afterAnswers)
                afterAnswers();
            continue;
        }
        if (m_out.empty())
            return Outcome::Done;
        const auto now = Clock::now();
        if (now >= deadline)
            return Outcome::Deadline;
        const auto giveUp = lastAnswer + std::chrono::milliseconds(m_timeoutMs);
        if (now >= giveUp)
            return Outcome::TimedOut;
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(giveUp, deadline) - now);
        // Waits for what the application sends and reads it; the loop above dispatches it.
        if (!dbus_connection_read_write(m_bus, std::max<int>(1, int(wait.count()))))
            return Outcome::TimedOut;
    }
}

} // namespace tavolin
