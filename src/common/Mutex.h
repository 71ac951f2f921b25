#pragma once

// Locks whose use the compiler checks. Shared state says which mutex guards it (`GUARDED_BY(m_mutex)`), and
// functions that expect a lock held or free say so (`REQUIRES`, `EXCLUDES`); clang's -Wthread-safety then
// rejects an unguarded read or write. Other compilers see plain std::mutex wrappers.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>

#if defined(__clang__)
#define TAVOLIN_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define TAVOLIN_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) TAVOLIN_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY TAVOLIN_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) TAVOLIN_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) TAVOLIN_THREAD_ANNOTATION(pt_guarded_by(x))
#define REQUIRES(...) TAVOLIN_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) TAVOLIN_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) TAVOLIN_THREAD_ANNOTATION(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) TAVOLIN_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define RELEASE_SHARED(...) TAVOLIN_THREAD_ANNOTATION(release_shared_capability(__VA_ARGS__))
#define EXCLUDES(...) TAVOLIN_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_SHARED_CAPABILITY(x) TAVOLIN_THREAD_ANNOTATION(assert_shared_capability(x))
#define NO_THREAD_SAFETY_ANALYSIS TAVOLIN_THREAD_ANNOTATION(no_thread_safety_analysis)

namespace tavolin {

class ConditionVariable;

class CAPABILITY("mutex") Mutex
{
public:
    Mutex() = default;
    Mutex(const Mutex &) = delete;
    Mutex &operator=(const Mutex &) = delete;

    void lock() ACQUIRE() { m_mutex.lock(); }
    void unlock() RELEASE() { m_mutex.unlock(); }

private:
    friend class ConditionVariable;
    std::mutex m_mutex;
};

// Holds a Mutex for its scope; unlock() and relock() let a caller step out of the lock for a call that must
// not run under it.
class SCOPED_CAPABILITY MutexLocker
{
public:
    explicit MutexLocker(Mutex &mutex) ACQUIRE(mutex) : m_mutex(mutex) { m_mutex.lock(); }
    ~MutexLocker() RELEASE()
    {
        if (m_locked)
            m_mutex.unlock();
    }
    MutexLocker(const MutexLocker &) = delete;
    MutexLocker &operator=(const MutexLocker &) = delete;

    void unlock() RELEASE()
    {
        m_mutex.unlock();
        m_locked = false;
    }
    void relock() ACQUIRE()
    {
        m_mutex.lock();
        m_locked = true;
    }

private:
    Mutex &m_mutex;
    bool m_locked = true;
};

// Waits on a Mutex the caller holds. Callers loop on their own condition, so the compiler sees it read
// under the lock:
//     MutexLocker lock(m_mutex);
//     while (m_inFlight > 0)
//         m_done.wait(m_mutex);
class ConditionVariable
{
public:
    void wait(Mutex &mutex) REQUIRES(mutex)
    {
        std::unique_lock lock(mutex.m_mutex, std::adopt_lock);
        m_condition.wait(lock);
        lock.release();
    }
    // False once `deadline` has passed.
    template<class Clock, class Duration>
    bool waitUntil(Mutex &mutex, const std::chrono::time_point<Clock, Duration> &deadline) REQUIRES(mutex)
    {
        std::unique_lock lock(mutex.m_mutex, std::adopt_lock);
        const bool inTime = m_condition.wait_until(lock, deadline) == std::cv_status::no_timeout;
        lock.release();
        return inTime;
    }
    void notifyAll() { m_condition.notify_all(); }

private:
    std::condition_variable m_condition;
};

// Many readers or one writer. The standard's names, so a std::shared_lock can carry a read lock out of the
// function that took it; the function then says so with assertReaderHeld().
class CAPABILITY("shared mutex") SharedMutex
{
public:
    SharedMutex() = default;
    SharedMutex(const SharedMutex &) = delete;
    SharedMutex &operator=(const SharedMutex &) = delete;

    void lock() ACQUIRE() { m_mutex.lock(); }
    void unlock() RELEASE() { m_mutex.unlock(); }
    void lock_shared() ACQUIRE_SHARED() { m_mutex.lock_shared(); }
    void unlock_shared() RELEASE_SHARED() { m_mutex.unlock_shared(); }
    void assertReaderHeld() const ASSERT_SHARED_CAPABILITY(this) {}

private:
    std::shared_mutex m_mutex;
};

class SCOPED_CAPABILITY WriterLocker
{
public:
    explicit WriterLocker(SharedMutex &mutex) ACQUIRE(mutex) : m_mutex(mutex) { m_mutex.lock(); }
    ~WriterLocker() RELEASE() { m_mutex.unlock(); }
    WriterLocker(const WriterLocker &) = delete;
    WriterLocker &operator=(const WriterLocker &) = delete;

private:
    SharedMutex &m_mutex;
};

class SCOPED_CAPABILITY ReaderLocker
{
public:
    explicit ReaderLocker(SharedMutex &mutex) ACQUIRE_SHARED(mutex) : m_mutex(mutex) { m_mutex.lock_shared(); }
    ~ReaderLocker() RELEASE() { m_mutex.unlock_shared(); }
    ReaderLocker(const ReaderLocker &) = delete;
    ReaderLocker &operator=(const ReaderLocker &) = delete;

private:
    SharedMutex &m_mutex;
};

} // namespace tavolin
