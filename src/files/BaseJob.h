#pragma once

#include "accessibility/AXApp.h"
#include "accessibility/ElementSource.h"
#include "files/FileItemData.h"
#include "files/FileTask.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace tavolin {

class BaseJob;

// Receives the rows of the quick-open sources. FileDataProvider implements it. Main thread: jobs deliver
// only there, and only while the run that found the rows has not been cancelled.
class QuickOpenJobWatcher
{
public:
    virtual ~QuickOpenJobWatcher() = default;
    virtual void onAppend(BaseJob &job, const QList<FileItemDataPtr> &rows) = 0;
};

// One quick-open source ("Opened", "Recent", "File Results"): it prepares itself for an application, then
// answers queries with rows under its group name.
//
// Jobs are made with make_shared (queued work holds them weakly, so a job that is gone delivers nothing).
// Threads: every member is called on the main thread; the work runs on the background pool.
class BaseJob : public std::enable_shared_from_this<BaseJob>
{
public:
    // Cancels the preparatory load still pending.
    virtual ~BaseJob();

    // Where the job's work runs; it must outlive the job.
    Dispatcher &dispatcher() const { return m_dispatcher; }

    // Held weakly.
    const std::weak_ptr<QuickOpenJobWatcher> &watcher() const { return m_watcher; }
    void setWatcher(std::weak_ptr<QuickOpenJobWatcher> watcher) { m_watcher = std::move(watcher); }
    virtual QString group() const = 0;
    // The pending preparatory load, if any; queries wait for it.
    const std::optional<FileTask> &initTask() const { return m_initTask; }

    // Starts the preparatory load for an application (cancelling a pending one); the result also becomes
    // initTask(). `app` may be null.
    virtual FileTask setApp(const QString &bundle, const AXAppPtr &app) = 0;
    // Starts the answer to a query.
    virtual FileTask query(const QString &query) = 0;

    // Hands `rows` to the job's watcher when the job and its watcher are still there. Main thread.
    static void deliver(const std::weak_ptr<BaseJob> &job, const QList<FileItemDataPtr> &rows);

protected:
    explicit BaseJob(Dispatcher &dispatcher) : m_dispatcher(dispatcher) {}

    // Cancels the preparatory load if it is still pending.
    void cancelInit();
    // Makes `task` the preparatory load; returns it.
    FileTask setInitTask(FileTask task);

    // Starts the preparatory load: cancels a pending one, then runs `work` as runStep() does and, on the main
    // thread while the job lives, `commit` with its result on the job. `Job` is the calling job's own type.
    template<typename Job, typename T>
    FileTask startInit(std::function<std::optional<T>(const FileStep &)> work, void (*commit)(Job &, T &&),
                       StepThread thread = StepThread::Background);
    // startInit() for the jobs that read the application's element: runs `read` over it on the thread
    // `source` reads on. Without a source or an element the load completes at once and commits nothing.
    template<typename Job, typename T>
    FileTask loadFromApp(const std::shared_ptr<ElementSource> &source, const AXAppPtr &app,
                         std::optional<T> (*read)(ElementSource &, const ElementRef &, const FileStep &),
                         void (*commit)(Job &, T &&));

private:
    Dispatcher &m_dispatcher;
    std::weak_ptr<QuickOpenJobWatcher> m_watcher;
    std::optional<FileTask> m_initTask;
};

template<typename Job, typename T>
FileTask BaseJob::startInit(std::function<std::optional<T>(const FileStep &)> work, void (*commit)(Job &, T &&),
                           StepThread thread)
{
    cancelInit();
    std::weak_ptr<BaseJob> weakSelf = weak_from_this();
    return setInitTask(runStep<T>(
        m_dispatcher, std::move(work),
        [weakSelf, commit](T &&result) {
            if (auto self = std::static_pointer_cast<Job>(weakSelf.lock()))
                commit(*self, std::move(result));
        },
        thread));
}

template<typename Job, typename T>
FileTask BaseJob::loadFromApp(const std::shared_ptr<ElementSource> &source, const AXAppPtr &app,
                              std::optional<T> (*read)(ElementSource &, const ElementRef &, const FileStep &),
                              void (*commit)(Job &, T &&))
{
    if (!app || !app->ref() || !source) {
        cancelInit();
        return setInitTask(FileTask::completed());
    }
    return startInit<Job, T>(
        [source, element = app->ref(), read](const FileStep &step) { return read(*source, element, step); }, commit,
        source->readMode() == ReadMode::MainThread ? StepThread::Main : StepThread::Background);
}

using BaseJobPtr = std::shared_ptr<BaseJob>;

} // namespace tavolin
