#pragma once

#include <QByteArray>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

typedef struct DBusConnection DBusConnection;
typedef struct DBusMessage DBusMessage;
typedef struct DBusPendingCall DBusPendingCall;

namespace tavolin {

// Method calls on one connection, many in flight at once, each reply handed to its handler as it arrives;
// a handler may queue further calls (the children of a menu whose list just came back). The application
// answers them back to back instead of one round trip each.
//
// Time-out: the queue gives up when the application has answered nothing for `timeoutMs` while calls were
// in flight, not when one call waited that long: an application that answers slowly but steadily is read
// on (until the caller's deadline), one that stopped answering costs one time-out.
//
// Threads: the thread that owns `bus` (the libatspi thread); run() reads and dispatches the connection
// itself, as libatspi's own calls do.
class AtspiCallQueue
{
public:
    // Called with the reply (a method return or an error; never null) once the call was answered.
    using Handler = std::function<void(DBusMessage *reply)>;

    enum class Outcome {
        Done,     // every call queued was answered
        TimedOut, // nothing answered for the time-out, or the connection closed
        Deadline, // the caller's deadline passed first; the calls still out are dropped
        Stopped,  // a handler called stop()
    };

    AtspiCallQueue(DBusConnection *bus, int timeoutMs);
    ~AtspiCallQueue(); // cancels the calls still out
    AtspiCallQueue(const AtspiCallQueue &) = delete;
    AtspiCallQueue &operator=(const AtspiCallQueue &) = delete;

    // Queues `message` (taken; null counts as a call that could not be made: run() ends TimedOut). Calls
    // are sent in the order of `order` (bytewise; equal ones as queued): a walk that names each object by
    // its path of child indexes gets its answers in the order it reads them, so a read cut short by its
    // deadline holds whole items from the top, not a little of everything.
    void call(DBusMessage *message, Handler handler, const QByteArray &order = {});

    // Sends and collects until nothing is left, the application stops answering or `deadline` passes.
    // `afterAnswers`, when given, is called after each batch of replies handled (before the next calls go
    // out); it may queue calls too.
    Outcome run(std::chrono::steady_clock::time_point deadline, const std::function<void()> &afterAnswers = {});

    // Whether a call whose order starts with `prefix`, or sorts before it, is queued or not answered yet.
    bool hasCallUpTo(const QByteArray &prefix) const;

    // From a handler: run() returns Stopped once that handler returns.
    void stop() { m_stopped = true; }

    int callsSent() const { return m_sent; }

private:
    struct Call;

    bool sendQueued();
    static void onCompleted(DBusPendingCall *pending, void *data);

    DBusConnection *m_bus;
    int m_timeoutMs;
    int m_sent = 0;
    bool m_stopped = false;
    std::multimap<QByteArray, std::pair<DBusMessage *, Handler>> m_queued; // not sent yet, by order
    std::vector<std::unique_ptr<Call>> m_out;                 // sent, reply not handled yet
    std::deque<Call *> m_answered;                            // of m_out, in the order they completed
};

} // namespace tavolin
