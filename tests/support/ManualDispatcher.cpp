#include "ManualDispatcher.h"

namespace tavolin::test {

void ManualDispatcher::toMain(Work work)
{
    std::lock_guard lock(m_mutex);
    m_main.push_back(std::move(work));
}

void ManualDispatcher::toBackground(Work work)
{
    std::lock_guard lock(m_mutex);
    m_background.push_back(std::move(work));
}

void ManualDispatcher::afterDelay(std::chrono::milliseconds delay, Work work)
{
    std::lock_guard lock(m_mutex);
    m_delayed.emplace(m_now + delay, std::move(work));
}

int ManualDispatcher::runUntilIdle()
{
    int count = 0;
    while (runNext())
        ++count;
    return count;
}

bool ManualDispatcher::runNext()
{
    Work next;
    {
        std::lock_guard lock(m_mutex);
        if (!m_main.empty()) {
            next = std::move(m_main.front());
            m_main.pop_front();
        } else if (!m_background.empty() && !m_backgroundHeld) {
            next = std::move(m_background.front());
            m_background.pop_front();
        } else {
            return false;
        }
    }
    next();
    return true;
}

void ManualDispatcher::advance(std::chrono::milliseconds by)
{
    std::chrono::milliseconds target;
    {
        std::lock_guard lock(m_mutex);
        target = m_now + by;
    }
    for (;;) {
        runUntilIdle();
        Work next;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_delayed.begin();
            if (it == m_delayed.end() || it->first > target) {
                m_now = target;
                return;
            }
            m_now = it->first;
            next = std::move(it->second);
            m_delayed.erase(it);
        }
        next();
    }
}

void ManualDispatcher::holdBackground(bool held)
{
    std::lock_guard lock(m_mutex);
    m_backgroundHeld = held;
}

size_t ManualDispatcher::pendingDelayed() const
{
    std::lock_guard lock(m_mutex);
    return m_delayed.size();
}

} // namespace tavolin::test
