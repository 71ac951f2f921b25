#pragma once

#include "accessibility/ElementSource.h"
#include "files/BaseJob.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tavolin {

class OpenedJob;
class RecentJob;
class FilesJob;

// Runs the three quick-open sources for one application at a time: prepares them for it, hands every
// query to all of them, and cancels what is still running when a new application or query comes, so that
// nothing of the old one is delivered afterwards.
//
// Owns its jobs. Threads: main thread only.
class JobManager
{
public:
    // `source` (may be null) is how "Opened" and "File Results" read the application's windows; the jobs'
    // work runs through `dispatcher`, which must outlive them.
    JobManager(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher);
    ~JobManager();
    JobManager(const JobManager &) = delete;
    JobManager &operator=(const JobManager &) = delete;

    // Cancels the running queries, prepares every job for `app` (cancelling their pending loads) and
    // gives them `watcher`. Returns the group names in display order.
    QStringList loadJobsForApp(const QString &bundle, std::weak_ptr<QuickOpenJobWatcher> watcher,
                               const AXAppPtr &app);
    // Cancels the running queries and starts `query` on every job.
    void search(const QString &query);
    // Cancels the running queries.
    void cancelQueries();

private:
    std::shared_ptr<OpenedJob> m_opened;
    std::shared_ptr<RecentJob> m_recent;
    std::shared_ptr<FilesJob> m_files;
    std::vector<BaseJobPtr> m_jobs;
    std::vector<std::function<void()>> m_cancelJobs;
};

} // namespace tavolin
