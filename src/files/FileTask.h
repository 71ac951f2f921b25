#pragma once

#include "common/Dispatcher.h"
#include "common/Mutex.h"

#include <QFuture>
#include <QPromise>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavolin {

// The shared state of one step of the file jobs: its promise, whether it was cancelled, and what waits for
// it. A step ends exactly one way: completed (its future finishes normally and the waiters run, on the
// completing thread) or cancelled (its future ends cancelled and the waiters are dropped unrun). A step
// dropped by every holder before either ends cancelled too.
//
// Thread-safe. Waiters run without the lock held.
class FileStep
{
public:
    FileStep();
    ~FileStep();
    FileStep(const FileStep &) = delete;
    FileStep &operator=(const FileStep &) = delete;

    QFuture<void> future() const { return m_future; }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_acquire); }

    // Completes the step unless it already ended; true when this call completed it.
    bool complete();
    // Cancels the step unless it already ended.
    void cancel();
    // Runs `waiter` once the step completes (at once when it has); never when it is cancelled.
    void whenCompleted(std::function<void()> waiter);

private:
    mutable Mutex m_mutex;
    QPromise<void> m_promise GUARDED_BY(m_mutex);
    QFuture<void> m_future;                        // immutable
    bool m_ended GUARDED_BY(m_mutex) = false;
    std::vector<std::function<void()>> m_waiters GUARDED_BY(m_mutex);
    std::atomic<bool> m_cancelled{false};
};

using FileStepPtr = std::shared_ptr<FileStep>;

// A started step: a future that finishes (without a value) when the step is done, and a function that
// cancels it. A cancelled step never completes: its future ends cancelled and it delivers no rows.
// `cancel` is thread-safe, idempotent, and does nothing once the step completed.
struct FileTask
{
    QFuture<void> future;
    std::function<void()> cancel;
    FileStepPtr step;

    // Started and neither completed nor cancelled.
    bool isPending() const { return future.isStarted() && !future.isFinished(); }
    // Finished without being cancelled.
    bool isCompleted() const { return future.isFinished() && !future.isCanceled(); }
    // Runs `waiter` when the step completes (on the completing thread, or at once); never when cancelled.
    void whenCompleted(std::function<void()> waiter) const;

    // A task over `step` whose cancel cancels the step.
    static FileTask of(const FileStepPtr &step);
    // An already completed step whose cancel does nothing.
    static FileTask completed();
};

// Where the work of a step runs before its result is committed on the main thread.
enum class StepThread { Background, Main };

// Runs `work` through `dispatcher` (on the background pool, or on the main thread), then, on the
// main thread and only when the step was not cancelled by then, `commit` with its result, and completes the
// step. `work` gets the step to check isCancelled() between items; returning nothing abandons the step
// (it never completes). Neither function may capture objects that can die before it runs.
//
// Delivery is decided on the main thread: cancelling there (as the job manager does) guarantees that
// nothing of the step is committed afterwards.
template<typename T>
FileTask runStep(Dispatcher &dispatcher, std::function<std::optional<T>(const FileStep &)> work,
                 std::function<void(T &&)> commit, StepThread thread = StepThread::Background)
{
    auto step = std::make_shared<FileStep>();
    auto body = [step, work = std::move(work), commit = std::move(commit), &dispatcher]() mutable {
        if (step->isCancelled())
            return;
        std::optional<T> result = work(*step);
        if (!result || step->isCancelled()) {
            step->cancel();
            return;
        }
        dispatcher.toMain([step, commit = std::move(commit), value = std::move(*result)]() mutable {
            if (step->isCancelled())
                return;
            commit(std::move(value));
            step->complete();
        });
    };
    if (thread == StepThread::Main)
        dispatcher.toMain(std::move(body));
    else
        dispatcher.toBackground(std::move(body));
    return FileTask::of(step);
}

} // namespace tavolin
