#include "platform/linux/AtspiThread.h"

#include "common/Log.h"
#include "common/Mutex.h"
#include "platform/linux/MainContextsWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <atspi/atspi.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace tavolin {

namespace {

constexpr gint kQueueCheckWithoutEventfdMs = 20;

// Whether the main thread's Qt event loop is GLib's, which would dispatch the application connections
// libatspi attaches to the default context.
bool mainLoopRunsGlib()
{
    QCoreApplication *app = QCoreApplication::instance();
    QAbstractEventDispatcher *dispatcher = app != nullptr ? QAbstractEventDispatcher::instance(app->thread()) : nullptr;
    return dispatcher != nullptr && dispatcher->inherits("QEventDispatcherGlib");
}

// Dispatches what is ready in `context` without waiting; skips a context another thread owns.
void drain(GMainContext *context)
{
    while (g_main_context_iteration(context, FALSE)) {
    }
}

} // namespace

AtspiThread::AtspiThread() : m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        log::error(QStringLiteral("accessibility: no eventfd for the libatspi thread; it checks its queue every %1 ms")
                       .arg(kQueueCheckWithoutEventfdMs));
    std::promise<void> started;
    auto startedFuture = started.get_future();
    m_thread = std::thread([this, &started] {
        GMainContext *context = g_main_context_new();
        g_main_context_push_thread_default(context);
        // Without an accessibility bus libatspi would hand a null connection to libdbus, which aborts: look
        // for the bus first and stay not ready without one.
        if (mainLoopRunsGlib())
            log::error(QStringLiteral("accessibility: the main thread's event loop runs GLib's default context, "
                                      "so two threads would handle libatspi's application connections"));
        if (!atspi_get_a11y_bus()) {
            log::error(QStringLiteral("accessibility: no accessibility bus (at-spi2-core not running)"));
        } else {
            atspi_set_main_context(context);
            const int status = atspi_init(); // 0 ok, 1 already initialised, else failure
            m_ready = status == 0 || status == 1;
            if (!m_ready)
                log::error(QStringLiteral("accessibility: atspi_init failed (%1)").arg(status));
        }
        started.set_value();
        loop();
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    });
    startedFuture.wait();
}

AtspiThread::~AtspiThread()
{
    {
        MutexLocker lock(m_mutex);
        m_stopping = true;
    }
    wake();
    m_thread.join();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

bool AtspiThread::isReady()
{
    return m_ready;
}

void AtspiThread::post(std::function<void()> task)
{
    {
        MutexLocker lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    wake();
}

void AtspiThread::wake()
{
    const uint64_t one = 1;
    if (m_wakeFd >= 0 && write(m_wakeFd, &one, sizeof one) < 0) {
        // EAGAIN: the counter is full, so the thread is woken already.
    }
}

void AtspiThread::loop()
{
    GMainContext *context = g_main_context_get_thread_default();
    GMainContext *applications = g_main_context_default();
    MainContextsWait wait({context, applications});
    for (;;) {
        std::function<void()> task;
        bool stopping = false;
        {
            MutexLocker lock(m_mutex);
            if (!m_tasks.empty()) {
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            stopping = m_stopping;
        }
        if (task) {
            // What arrived since the last dispatch updates libatspi's cache before the task reads it.
            drain(context);
            drain(applications);
            task();
            drain(context);
            drain(applications);
            continue;
        }
        if (stopping)
            return; // queue done
        // Without an eventfd (out of descriptors) a post cannot wake the wait: a short bound serves the queue.
        const int wakeFd = m_wakeFd;
        if (wait.waitAndDispatch(wakeFd, wakeFd >= 0 ? -1 : kQueueCheckWithoutEventfdMs) && wakeFd >= 0) {
            uint64_t count = 0;
            if (read(wakeFd, &count, sizeof count) < 0) {
                // EAGAIN: another read emptied it; the queue is checked again either way.
            }
        }
    }
}

} // namespace tavolin
