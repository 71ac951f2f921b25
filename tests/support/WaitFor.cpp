#include "WaitFor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace tavolin::test {

bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds bound)
{
    const QDeadlineTimer deadline(bound);
    // Wakes the blocking wait now and then so the deadline is checked even when no event arrives.
    QTimer wake;
    wake.start(std::chrono::milliseconds(20));
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace tavolin::test
