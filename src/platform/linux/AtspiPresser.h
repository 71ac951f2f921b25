#pragma once

#include "accessibility/ElementSource.h"
#include "common/Mutex.h"

#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <thread>

namespace tavolin {

// Where a press goes.
struct AtspiPressTarget
{
    QString busName;       // the application's unique name on the accessibility bus
    QString directAddress; // the application's own socket (GetApplicationBusAddress); empty when it has none
    QString path;          // the item's object path
    int actionIndex = -1;
};

// Performs AT-SPI actions so that every connection of the application stays free, whatever the command does.
//
// GTK runs an action inside the handler of the connection that carried it: a command that runs a dialog's
// nested loop holds that connection's dispatch until the dialog closes, and any later message on that
// connection makes the nested loop (which may dispatch it again) wait for itself for good. When that was the
// application's connection to the accessibility bus, which every reader and event uses, Mousepad hung for
// good under its Save As dialog. So each press travels alone on a fresh connection opened for it, straight to
// the application's own socket where it offers one (GTK), and nothing else ever reaches it: not even its
// closing, which the application reads as a message too. Such connections stay open while the presser lives
// (the newest 32); when it goes (or handOffHeld() is called) a small process of its own holds them until the
// applications close them (see holdSocketsUntilPeersClose). Elsewhere
// (Qt, which keeps answering other calls while a command runs a dialog but replies to the press only when the
// command returns) it goes on a fresh connection to the accessibility bus.
//
// Outcome: the press's own reply (true: done, or running; false: refused; an error: the item or the
// application is gone). GTK replies before it performs the action. Over the bus a second call to the same
// item (GetRole) goes right behind the press: the application answers in order, so its reply coming first
// says the press reached the item and its command is still running (a modal dialog). No answer within the
// time-out: the application does not answer.
//
// Threads: press() and flush() from any thread. Presses run one after another on the presser's own thread,
// which runs `done`; nothing waits on the caller's thread.
class AtspiPresser
{
public:
    using Done = std::function<void(AXError)>;

    // `busAddress`: the accessibility bus (empty: presses fail); `timeoutMs`: how long a press waits for an answer.
    AtspiPresser(QString busAddress, int timeoutMs);
    // Waits for the presses already queued (each bounded by the time-out).
    ~AtspiPresser();

    bool isConnected() const { return !m_busAddress.isEmpty(); }
    void setTimeout(int timeoutMs);

    // Queues the press; `done` gets Success (the item performed it or is running it), InvalidElement (the item
    // or the application is gone), Failure (refused, or no connection could be made) or CannotComplete (no
    // answer within the time-out). False when the press cannot be sent at all (no bus, no target); `done` is
    // then never called.
    bool press(const AtspiPressTarget &target, Done done);
    // Waits at most `boundMs` until every press queued so far has its outcome. False when one had not.
    bool flush(int boundMs);
    // Hands the direct connections kept open to a process of their own (holdSocketsUntilPeersClose), for a
    // process about to exit without destructors. The destructor does it too.
    void handOffHeld();

private:
    struct Job
    {
        AtspiPressTarget target;
        Done done;
    };
    struct Held;
    void run();

    const QString m_busAddress;
    Mutex m_mutex;
    ConditionVariable m_changed;
    std::deque<Job> m_queue GUARDED_BY(m_mutex);
    int m_busy GUARDED_BY(m_mutex) = 0; // presses taken from the queue and not done yet
    int m_timeoutMs GUARDED_BY(m_mutex);
    bool m_stopping GUARDED_BY(m_mutex) = false;
    const std::unique_ptr<Held> m_held PT_GUARDED_BY(m_mutex);
    std::thread m_thread;
};

} // namespace tavolin
