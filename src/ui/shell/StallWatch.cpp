#include "ui/shell/StallWatch.h"

#include "common/Log.h"

namespace tavolin {

StallWatch::StallWatch(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(kTick);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
    m_sinceLastTick.start();
    m_timer.start();
}

void StallWatch::tick()
{
    const qint64 late = m_sinceLastTick.restart() - qint64(kTick.count());
    if (late > qint64(kReported.count()))
        log::debug(QStringLiteral("main thread stalled for %1 ms").arg(late));
}

} // namespace tavolin
