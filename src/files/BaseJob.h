#pragma once

#include "accessibility/AXApp.h"
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
    virtual ~BaseJob() = default;

    // Held weakly.
    virtual std::weak_ptr<QuickOpenJobWatcher> watcher() const = 0;
    virtual void setWatcher(std::weak_ptr<QuickOpenJobWatcher> watcher) = 0;
    virtual QString group() const = 0;
    // The pending preparatory load, if any; queries wait for it.
    virtual std::optional<FileTask> initTask() const = 0;

    // Starts the preparatory load for an application (cancelling a pending one); the result also becomes
    // initTask(). `app` may be null.
    virtual FileTask setApp(const QString &bundle, const AXAppPtr &app) = 0;
    // Starts the answer to a query.
    virtual FileTask query(const QString &query) = 0;

    // Hands `rows` to the job's watcher when the job and its watcher are still there. Main thread.
    static void deliver(const std::weak_ptr<BaseJob> &job, const QList<FileItemDataPtr> &rows);
};

using BaseJobPtr = std::shared_ptr<BaseJob>;

} // namespace tavolin
