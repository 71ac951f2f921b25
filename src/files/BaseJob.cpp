#include "files/BaseJob.h"

namespace tavolin {

BaseJob::~BaseJob()
{
    if (m_initTask)
        m_initTask->cancel();
}

void BaseJob::cancelInit()
{
    if (m_initTask && m_initTask->isPending())
        m_initTask->cancel();
}

FileTask BaseJob::setInitTask(FileTask task)
{
    m_initTask = std::move(task);
    return *m_initTask;
}

void BaseJob::deliver(const std::weak_ptr<BaseJob> &job, const QList<FileItemDataPtr> &rows)
{
    const BaseJobPtr strong = job.lock();
    if (!strong)
        return;
    if (const std::shared_ptr<QuickOpenJobWatcher> watcher = strong->watcher().lock())
        watcher->onAppend(*strong, rows);
}

} // namespace tavolin
