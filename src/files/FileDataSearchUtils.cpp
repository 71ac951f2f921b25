#include "files/FileDataSearchUtils.h"

#include "common/Log.h"
#include "common/Mutex.h"
#include "palette/FuzzyScore.h"
#include "palette/TextFolding.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace tavolin {
namespace {

// Shared by an ensure() result's cancel function and the waiter that starts the next step.
struct EnsureState
{
    Mutex mutex;
    std::function<void()> cancelNext GUARDED_BY(mutex); // set once the next step started
};

} // namespace

FileTask FilteredJob::query(const QString &query)
{
    return FileDataSearchUtils::query(query, *this);
}

FileTask FileDataSearchUtils::query(const QString &query, FilteredJob &job)
{
    const std::optional<FileTask> load = job.initTask();
    if (!load || !load->isPending())
        return queryAfterInit(query, job);
    // The waiter may run after the job is gone: it holds the job weakly.
    std::weak_ptr<BaseJob> weakJob = job.weak_from_this();
    return ensure(load, [query, weakJob]() -> FileTask {
        const auto strong = std::static_pointer_cast<FilteredJob>(weakJob.lock());
        if (!strong)
            return FileTask::completed();
        return queryAfterInit(query, *strong);
    });
}

FileTask FileDataSearchUtils::ensure(const std::optional<FileTask> &load, std::function<FileTask()> next)
{
    if (!load || !load->isPending())
        return next();

    auto result = std::make_shared<FileStep>();
    auto state = std::make_shared<EnsureState>();
    load->whenCompleted([result, state, next = std::move(next)] {
        FileTask step;
        {
            // Under the lock so that a cancel either sees the started step or stops it from starting.
            MutexLocker lock(state->mutex);
            if (result->isCancelled())
                return;
            step = next();
            state->cancelNext = step.cancel;
        }
        step.whenCompleted([result] { result->complete(); });
    });
    std::weak_ptr<FileStep> weakResult = result;
    auto cancel = [weakResult, state] {
        if (const FileStepPtr strong = weakResult.lock())
            strong->cancel();
        std::function<void()> cancelNext;
        {
            MutexLocker lock(state->mutex);
            cancelNext = state->cancelNext;
        }
        if (cancelNext)
            cancelNext();
    };
    return {result->future(), std::move(cancel), result};
}

FileTask FileDataSearchUtils::queryAfterInit(const QString &query, FilteredJob &job)
{
    QList<FileItemDataPtr> rows = job.all();
    const QString group = job.group();
    std::weak_ptr<BaseJob> weakJob = job.weak_from_this();
    return runStep<QList<FileItemDataPtr>>(
        job.dispatcher(), [query, rows = std::move(rows)](const FileStep &step) {
            return rank(query, rows, FilteredJob::kThreshold, FilteredJob::kFuzziness, step);
        },
        [weakJob, group](QList<FileItemDataPtr> &&ranked) {
            BaseJob::deliver(weakJob, ranked);
            log::debug(QStringLiteral("queryAfterInit for %1").arg(group));
        });
}

std::optional<QList<FileItemDataPtr>> FileDataSearchUtils::rank(const QString &query,
                                                                const QList<FileItemDataPtr> &rows,
                                                                double threshold, double fuzziness,
                                                                const FileStep &cancelled)
{
    if (query.trimmed().isEmpty())
        return rows;

    const FoldedText word(query, FoldMode::Default);
    // One score per distinct title: a folder of copies shares the work.
    QHash<QString, double> scores;
    for (const FileItemDataPtr &row : rows) {
        if (cancelled.isCancelled())
            return std::nullopt;
        const QString title = row->title();
        if (!scores.contains(title))
            scores.insert(title, fuzzyScore(FoldedText(title, FoldMode::Default), word, fuzziness));
    }
    if (cancelled.isCancelled())
        return std::nullopt;

    struct Scored
    {
        FileItemDataPtr row;
        double score;
    };
    std::vector<Scored> kept;
    for (const FileItemDataPtr &row : rows) {
        const double score = scores.value(row->title());
        if (score > threshold)
            kept.push_back({row, score});
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Scored &a, const Scored &b) { return a.score > b.score; });
    if (cancelled.isCancelled())
        return std::nullopt;
    QList<FileItemDataPtr> out;
    out.reserve(qsizetype(kept.size()));
    for (Scored &entry : kept)
        out.push_back(std::move(entry.row));
    return out;
}

} // namespace tavolin
