#include "files/JobManager.h"

#include "common/Log.h"
#include "files/FilesJob.h"
#include "files/OpenedJob.h"
#include "files/RecentJob.h"

namespace tavolin {

JobManager::JobManager(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher)
    : m_opened(std::make_shared<OpenedJob>(source, dispatcher)),
      m_recent(std::make_shared<RecentJob>(dispatcher)),
      m_files(std::make_shared<FilesJob>(std::move(source), dispatcher))
{
}

JobManager::~JobManager()
{
    cancelQueries();
}

void JobManager::cancelQueries()
{
    for (const auto &cancel : std::exchange(m_cancelJobs, {}))
        cancel();
}

QStringList JobManager::loadJobsForApp(const QString &bundle, std::weak_ptr<QuickOpenJobWatcher> watcher,
                                       const AXAppPtr &app)
{
    cancelQueries();
    m_jobs = {m_opened, m_recent, m_files};
    // Each load starts its own background work and returns at once, so the three read in parallel while
    // the main thread stays free; queries wait for the loads they need.
    QStringList groups;
    for (const BaseJobPtr &job : m_jobs) {
        job->setApp(bundle, app);
        job->setWatcher(watcher);
        groups << job->group();
    }
    return groups;
}

void JobManager::search(const QString &query)
{
    cancelQueries();
    for (const BaseJobPtr &job : m_jobs) {
        FileTask task = job->query(query);
        task.whenCompleted([group = job->group()] { log::debug(QStringLiteral("done for %1").arg(group)); });
        m_cancelJobs.push_back(std::move(task.cancel));
    }
}

} // namespace tavolin
