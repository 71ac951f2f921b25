#include "platform/linux/AtspiThread.h"

#include "common/Log.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <atspi/atspi.h>

namespace tavolin {

namespace {

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

std::shared_ptr<AtspiThread> AtspiThread::shared()
{
    static const std::shared_ptr<AtspiThread> thread = std::make_shared<AtspiThread>();
    return thread;
}

AtspiThread::AtspiThread()
{
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
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool AtspiThread::isReady()
{
    return m_ready;
}

void AtspiThread::post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void AtspiThread::loop()
{
    GMainContext *context = g_main_context_get_thread_default();
    GMainContext *applications = g_main_context_default();
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_tasks.empty())
                return; // stopping, queue done
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        // Events that arrived meanwhile (state changes, applications coming and going) update libatspi's
        // cache before the task reads it, and do not pile up after it.
        drain(context);
        drain(applications);
        task();
        drain(context);
        drain(applications);
    }
}

} // namespace tavolin
