#pragma once

#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace tavolin {

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
// Threads: run() and post() from any thread; a task posted from the thread itself runs inline.
class AtspiThread
{
public:
    // libatspi keeps one connection per process, tied to the context of the thread that initialised it:
    // so there is one AtspiThread per process, made on first use and stopped at exit.
    static std::shared_ptr<AtspiThread> shared();

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

    // Queues `task` without waiting.
    void post(std::function<void()> task);

private:
    void loop();

    // Wakes the thread's wait (an eventfd); written by post() and the destructor.
    void wake();

    std::mutex m_mutex;
    const int m_wakeFd;
    std::deque<std::function<void()>> m_tasks; // guarded by m_mutex
    bool m_stopping = false;                   // guarded by m_mutex
    bool m_ready = false;                      // written once by the thread before the first task runs
    std::thread m_thread;
};

} // namespace tavolin
