#include "platform/linux/WindowClassCache.h"
#include "common/Mutex.h"

#include <QFile>

#include <iterator>

namespace tavolin {
namespace {

constexpr size_t kMostProcesses = 64;

} // namespace

WindowClassCache::WindowClassCache(Lookup lookup, QString procRoot)
    : m_lookup(std::move(lookup)), m_procRoot(std::move(procRoot))
{
}

// Field 22 of /proc/PID/stat, counted after the ")" that ends the command name (which may hold spaces and
// parentheses); empty when the process is gone.
QByteArray WindowClassCache::startTimeOf(int32_t pid) const
{
    QFile file(QStringLiteral("%1/%2/stat").arg(m_procRoot).arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    // After ")": field 3 (state) onwards, so the start time is the 20th of them.
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    return fields.size() >= 20 ? fields.at(19) : QByteArray();
}

std::optional<QString> WindowClassCache::classOf(int32_t pid)
{
    const QByteArray startTime = startTimeOf(pid);
    if (!startTime.isEmpty()) {
        MutexLocker lock(m_mutex);
        const auto it = m_entries.find(pid);
        if (it != m_entries.end() && it->second.startTime == startTime)
            return it->second.windowClass;
    }
    std::optional<QString> found = m_lookup ? m_lookup(pid) : std::nullopt;
    if (startTime.isEmpty() || !found || found->isEmpty())
        return found;
    MutexLocker lock(m_mutex);
    if (m_entries.size() >= kMostProcesses)
        forgetEnded();
    m_entries[pid] = {startTime, *found};
    return found;
}

void WindowClassCache::forgetEnded()
{
    for (auto it = m_entries.begin(); it != m_entries.end();)
        it = startTimeOf(it->first) == it->second.startTime ? std::next(it) : m_entries.erase(it);
    if (m_entries.size() >= kMostProcesses)
        m_entries.erase(m_entries.begin());
}

} // namespace tavolin
