#pragma once

#include <chrono>
#include <functional>

namespace tavolin {

// Where work runs: the main thread (the thread running the Qt event loop), the shared background pool, or
// the main thread after a delay. Lower layers queue work through this seam instead of touching Qt's event
// loop directly, so tests can hand in a dispatcher that runs queued work to completion without sleeping.
// Each class that queues work is given its dispatcher at construction; the program makes one QtDispatcher
// that outlives everything (work still on the pool at exit may queue through it).
//
// Every function may be called from any thread. Work is never run inline by the call that queues it.
class Dispatcher
{
public:
    using Work = std::function<void()>;

    virtual ~Dispatcher() = default;

    // Queues `work` on the main thread, after the work queued there before it.
    virtual void toMain(Work work) = 0;
    // Runs `work` on a thread of the shared background pool; no order between items is promised.
    virtual void toBackground(Work work) = 0;
    // Runs `work` on the main thread once `delay` has passed.
    virtual void afterDelay(std::chrono::milliseconds delay, Work work) = 0;
};

// The real dispatcher: QCoreApplication's event loop, QThreadPool::globalInstance() and QTimer.
class QtDispatcher final : public Dispatcher
{
public:
    void toMain(Work work) override;
    void toBackground(Work work) override;
    void afterDelay(std::chrono::milliseconds delay, Work work) override;
};

} // namespace tavolin
