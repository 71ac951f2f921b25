#include "files/BaseJob.h"

namespace tavolin {

void BaseJob::deliver(const std::weak_ptr<BaseJob> &job, const QList<FileItemDataPtr> &rows)
{
    const BaseJobPtr strong = job.lock();
    if (!strong)
        return;
    if (const std::shared_ptr<QuickOpenJobWatcher> watcher = strong->watcher().lock())
        watcher->onAppend(*strong, rows);
}

} // namespace tavolin
