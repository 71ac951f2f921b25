#pragma once

#include "common/Dispatcher.h"

#include <deque>
#include <map>
#include <mutex>

namespace tavolin::test {

// A dispatcher that runs nothing until the test says so. Background work runs on the calling thread when
// drained, delayed work runs when the virtual clock passes its time. Handed to the objects under test.
class ManualDispatcher final : public Dispatcher
{
public:
    ManualDispatcher() = default;

    void toMain(Work work) override;
    void toBackground(Work work) override;
    void afterDelay(std::chrono::milliseconds delay, Work work) override;

    // Runs main and background work, including work queued while running, until both queues are empty.
    // Returns the number of items run.
    int runUntilIdle();
    // Runs the next item only (main work first, then background work); false when there was none.
    bool runNext();
    // Moves the virtual clock forward, running delayed work that comes due (in time order) and everything
    // it queues.
    void advance(std::chrono::milliseconds by);

    size_t pendingDelayed() const;
    // While held, background work stays queued (as if the pool were busy): only main and delayed work runs.
    void holdBackground(bool held);

private:
    mutable std::mutex m_mutex;
    std::deque<Work> m_main;                                   // guarded by m_mutex
    std::deque<Work> m_background;                             // guarded by m_mutex
    std::multimap<std::chrono::milliseconds, Work> m_delayed;  // guarded by m_mutex
    std::chrono::milliseconds m_now{0};                        // guarded by m_mutex
    bool m_backgroundHeld = false;                             // guarded by m_mutex
};

} // namespace tavolin::test
