#include "files/FileTask.h"
#include "common/Mutex.h"

namespace tavolin {

FileStep::FileStep()
{
    m_promise.start();
    m_future = m_promise.future();
}

FileStep::~FileStep()
{
    cancel();
}

bool FileStep::complete()
{
    std::vector<std::function<void()>> waiters;
    {
        MutexLocker lock(m_mutex);
        if (m_ended)
            return false;
        m_ended = true;
        m_promise.finish();
        waiters.swap(m_waiters);
    }
    for (const auto &waiter : waiters)
        waiter();
    return true;
}

void FileStep::cancel()
{
    std::vector<std::function<void()>> dropped; // destroyed after the lock is released
    MutexLocker lock(m_mutex);
    if (m_ended)
        return;
    m_ended = true;
    m_cancelled.store(true, std::memory_order_release);
    m_promise.future().cancel();
    m_promise.finish();
    dropped.swap(m_waiters);
}

void FileStep::whenCompleted(std::function<void()> waiter)
{
    {
        MutexLocker lock(m_mutex);
        if (!m_ended) {
            m_waiters.push_back(std::move(waiter));
            return;
        }
        if (m_cancelled.load(std::memory_order_acquire))
            return;
    }
    waiter();
}

void FileTask::whenCompleted(std::function<void()> waiter) const
{
    if (step)
        step->whenCompleted(std::move(waiter));
    else if (isCompleted())
        waiter();
}

FileTask FileTask::of(const FileStepPtr &step)
{
    std::weak_ptr<FileStep> weak = step;
    return {step->future(), [weak] {
                if (const FileStepPtr strong = weak.lock())
                    strong->cancel();
            },
            step};
}

FileTask FileTask::completed()
{
    auto step = std::make_shared<FileStep>();
    step->complete();
    return of(step);
}

} // namespace tavolin
