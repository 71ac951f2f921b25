#include "Dispatcher.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

namespace tavolin {

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
