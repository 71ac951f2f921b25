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

// A source that loads its rows first, in its preparatory load, and answers a query by filtering them with
// FileDataSearchUtils ("Opened", "Recent"). Main thread.
class FilteredJob : public BaseJob
{
public:
    // Rows scoring strictly above it are kept.
    static constexpr double kThreshold = 0.4;
    static constexpr double kFuzziness = 0.2;

    // Everything the source loaded, in load order.
    const QList<FileItemDataPtr> &all() const { return m_all; }
    // FileDataSearchUtils::query over all().
    FileTask query(const QString &query) override;

protected:
    explicit FilteredJob(Dispatcher &dispatcher) : BaseJob(dispatcher) {}

    void setAll(QList<FileItemDataPtr> rows) { m_all = std::move(rows); }

private:
    QList<FileItemDataPtr> m_all;
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

    // queryAfterInit once the job's pending load (initTask) is done, or at once when there is none. The job
    // is held weakly by the queued work.
    static FileTask query(const QString &query, FilteredJob &job);

    // `next` started after `load`: at once when `load` is absent or no longer pending, else when it
    // completes (never, when it is cancelled). The result's cancel stops `next` from starting, or cancels it
    // once started; it never cancels `load`, which other queries may share.
    static FileTask ensure(const std::optional<FileTask> &load, std::function<FileTask()> next);

    // The filter itself. Reads the job's rows now. An empty or all-space query delivers every row in load
    // order; otherwise the rows whose title scores above the threshold, best first, equal scores in load
    // order.
    static FileTask queryAfterInit(const QString &query, FilteredJob &job);

    // The ranking of queryAfterInit as a pure function (any thread); none once `cancelled` is cancelled.
    static std::optional<QList<FileItemDataPtr>> rank(const QString &query, const QList<FileItemDataPtr> &rows,
                                                      double threshold, double fuzziness,
                                                      const FileStep &cancelled);
};

} // namespace tavolin
