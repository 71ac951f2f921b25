#pragma once

#include "extensions/Notifier.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tavolin::test {

// Records every error it is asked to show, from any thread, and lets a test wait (bounded) for them.
class FakeNotifier final : public Notifier
{
public:
    struct Shown
    {
        QString title;
        QString text;
        ErrorKind kind = ErrorKind::Extension;
    };

    void showError(const QString &title, const QString &text, ErrorKind kind) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_shown.push_back({title, text, kind});
        }
        m_changed.notify_all();
    }

    std::vector<Shown> shown() const
    {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }

    // True once at least `count` errors were shown, false when `limit` passed first.
    bool waitForCount(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_shown.size() >= count; });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Shown> m_shown; // guarded by m_mutex
};

} // namespace tavolin::test
