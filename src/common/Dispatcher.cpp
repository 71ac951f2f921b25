#include "Dispatcher.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

#include <atomic>

namespace tavolin {
namespace {
std::atomic<Dispatcher *> g_override{nullptr};
} // namespace

Dispatcher &Dispatcher::shared()
{
    if (Dispatcher *d = g_override.load())
        return *d;
    static QtDispatcher qtDispatcher;
    return qtDispatcher;
}

void Dispatcher::setShared(Dispatcher *dispatcher) { g_override.store(dispatcher); }

void QtDispatcher::toMain(Work work)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return; // no event loop yet or any more: nothing would ever run it
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void QtDispatcher::toBackground(Work work)
{
    QThreadPool::globalInstance()->start(std::move(work));
}

void QtDispatcher::afterDelay(std::chrono::milliseconds delay, Work work)
{
    // Timers belong to the thread that starts them; start this one on the main thread.
    toMain([delay, work = std::move(work)]() mutable {
        QTimer::singleShot(delay, QCoreApplication::instance(), std::move(work));
    });
}

} // namespace tavolin
