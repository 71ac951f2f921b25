#pragma once

#include "common/Mutex.h"

#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace tavolin {

// What a caller that bounds its wait for a task (runWithin) allows beyond the task's own time-out: the last
// reply's way back and the hand-over between threads.
inline constexpr int kBusyThreadSlackMs = 100;

// The one thread every libatspi call runs on. libatspi is not thread-safe (walking menus from several
// threads hangs or crashes), and its connection dispatches through a GLib main context: this thread owns a
// private context (atspi_set_main_context), so Qt's GLib event loop on the main thread never runs libatspi
// code. While it waits for a task the thread also waits on its contexts' descriptors and handles what the
// bus and the applications send as it comes, so events do not pile up for the next task to wade through.
//
// libatspi attaches the connection it opens to each application's own socket to GLib's default context,
// whatever context it was given. So this thread runs the default context too, and no other thread may:
// Qt's GLib event loop would dispatch those connections on the main thread while this thread reads and
// closes them (a watch freed here while the main thread handles it aborts in libdbus). A program that uses
// this thread makes its QCoreApplication under QtLoopWithoutGlib (common/QtLoopWithoutGlib.h).
//
// Threads: run(), runWithin() and post() from any thread; a task run from the thread itself runs inline. The
// palette's main thread uses runWithin() only: a task queues behind whatever the thread is doing.
class AtspiThread
{
public:
    // libatspi keeps one connection per process, tied to the context of the thread that initialised it:
    // so a program makes one AtspiThread and hands it to every reader of the bus.
    AtspiThread();
    // Finishes the queued tasks, then stops the thread.
    ~AtspiThread();
    AtspiThread(const AtspiThread &) = delete;
    AtspiThread &operator=(const AtspiThread &) = delete;

    // Whether atspi_init succeeded (an accessibility bus was found).
    bool isReady();

    // Runs `task` on the thread and waits for it.
    template<typename F>
    auto run(F task) -> decltype(task())
    {
        if (std::this_thread::get_id() == m_thread.get_id())
            return task();
        std::packaged_task<decltype(task())()> packaged(std::move(task));
        auto future = packaged.get_future();
        post([&packaged] { packaged(); });
        return future.get();
    }

    // Runs `task` on the thread and waits for it at most `limit`: nothing when it has not finished by then
    // (the thread may be busy with a long reading of another application). `task` must own what it uses: it
    // may run after this returns, and its result is then dropped.
    template<typename F>
    auto runWithin(std::chrono::milliseconds limit, F task) -> std::optional<decltype(task())>
    {
        using Result = decltype(task());
        if (std::this_thread::get_id() == m_thread.get_id())
            return task();
        auto promise = std::make_shared<std::promise<Result>>();
        std::future<Result> future = promise->get_future();
        post([promise, task = std::move(task)]() mutable { promise->set_value(task()); });
        if (future.wait_for(limit) != std::future_status::ready)
            return std::nullopt;
        return future.get();
    }

    // Queues `task` without waiting.
    void post(std::function<void()> task);

private:
    void loop();

    // Wakes the thread's wait (an eventfd); written by post() and the destructor.
    void wake();

    Mutex m_mutex;
    const int m_wakeFd;
    std::deque<std::function<void()>> m_tasks GUARDED_BY(m_mutex);
    bool m_stopping GUARDED_BY(m_mutex) = false;
    bool m_ready = false;                      // written once by the thread before the first task runs
    std::thread m_thread;
};

} // namespace tavolin
