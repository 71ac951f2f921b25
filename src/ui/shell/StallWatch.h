#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace tavolin {

// A heartbeat on the main thread for debugging: ticks every kTick and writes the debug line "main thread
// stalled for N ms" whenever a tick comes more than kReported late, N being how late. The palette's main
// thread must never wait on another program; this makes every time it did visible in the log (tests read
// it). Start it only when debug lines are wanted: it wakes the program twenty times a second.
//
// Threads: created and destroyed on the main thread.
class StallWatch : public QObject
{
public:
    static constexpr std::chrono::milliseconds kTick{50};
    static constexpr std::chrono::milliseconds kReported{100};

    explicit StallWatch(QObject *parent = nullptr);

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_sinceLastTick;
};

} // namespace tavolin
