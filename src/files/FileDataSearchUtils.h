#pragma once

#include "files/BaseJob.h"
#include "files/FileItemData.h"
#include "files/FileTask.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

// What a source filtered by FileDataSearchUtils offers: where its rows go, how strict the filter is, and
// everything it has loaded. Main thread.
class FileDataSearchOption
{
public:
    virtual ~FileDataSearchOption() = default;
    virtual std::weak_ptr<QuickOpenJobWatcher> watcher() const = 0;
    // Rows scoring strictly above it are kept.
    virtual double threshold() const = 0;
    virtual double fuzziness() const = 0;
    // Everything the source loaded, in load order.
    virtual QList<FileItemDataPtr> all() const = 0;
};

// The fuzzy filter shared by the sources that load their rows first ("Opened", "Recent").
//
// Threads: call on the main thread. Scoring runs on the background pool; rows are delivered to the
// source's watcher, and steps complete, on the main thread. A cancelled step delivers nothing and never
// completes.
class FileDataSearchUtils
{
public:
    FileDataSearchUtils() = delete;

    // queryAfterInit once the job's pending load (initTask) is done, or at once when there is none. `job`
    // must be the source itself; it is held weakly by the queued work.
    static FileTask query(const QString &query, FileDataSearchOption &source, BaseJob &job);

    // `next` started after `load`: at once when `load` is absent or no longer pending, else when it
    // completes (never, when it is cancelled). The result's cancel stops `next` from starting, or cancels it
    // once started; it never cancels `load`, which other queries may share.
    static FileTask ensure(const std::optional<FileTask> &load, std::function<FileTask()> next);

    // The filter itself. Reads the source's rows and settings now. An empty or all-space query delivers
    // every row in load order; otherwise the rows whose title scores above the threshold, best first, equal
    // scores in load order.
    static FileTask queryAfterInit(const QString &query, FileDataSearchOption &source, BaseJob &job);

    // The ranking of queryAfterInit as a pure function (any thread); none once `cancelled` is cancelled.
    static std::optional<QList<FileItemDataPtr>> rank(const QString &query, const QList<FileItemDataPtr> &rows,
                                                      double threshold, double fuzziness,
                                                      const FileStep &cancelled);
};

} // namespace tavolin
