#pragma once

#include "common/Mutex.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

namespace tavolin {

// The window class of each process's windows, looked up once per process: finding a process's windows walks
// the whole X window tree (tens of milliseconds on a busy desktop), and every show of the palette asks for the
// focused application's identity, which matches .desktop files by that class. A process is told from a later
// one with the same id by its start time (/proc/PID/stat); a lookup that found no class is not kept, so the
// next asks again. Holds at most a few dozen processes, forgetting ended ones first.
//
// Threads: classOf() is thread-safe; the lookup runs on the calling thread, outside the lock.
class WindowClassCache
{
public:
    using Lookup = std::function<std::optional<QString>(int32_t pid)>;

    explicit WindowClassCache(Lookup lookup, QString procRoot = QStringLiteral("/proc"));

    // The class of `pid`'s windows: the kept one while the same process lives, else the lookup's.
    std::optional<QString> classOf(int32_t pid);

private:
    struct Entry
    {
        QByteArray startTime;
        QString windowClass;
    };
    QByteArray startTimeOf(int32_t pid) const;
    void forgetEnded() REQUIRES(m_mutex);

    const Lookup m_lookup;
    const QString m_procRoot;
    Mutex m_mutex;
    std::unordered_map<int32_t, Entry> m_entries GUARDED_BY(m_mutex);
};

} // namespace tavolin
