#include "files/FileDataSearchUtils.h"

#include "FilesTestSupport.h"
#include "palette/FuzzyScore.h"
#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

const QString kGroup = QStringLiteral("Opened");

FileItemDataPtr fileRow(const QString &path)
{
    return FileItemData::fromURL(QUrl::fromLocalFile(path), kGroup);
}

QStringList titles(const QList<FileItemDataPtr> &rows)
{
    QStringList out;
    for (const auto &row : rows)
        out << row->title() + QLatin1Char('@') + row->url()->path().section(QLatin1Char('/'), 1, 1);
    return out;
}

// A filtered source whose rows and pending load the test sets.
class ListJob final : public FilteredJob
{
public:
    explicit ListJob(Dispatcher &dispatcher) : FilteredJob(dispatcher) {}
    QString group() const override { return kGroup; }
    FileTask setApp(const QString &, const AXAppPtr &) override { return FileTask::completed(); }

    // The pending load queries wait for.
    void setLoad(FileTask load) { setInitTask(std::move(load)); }
    void setRows(QList<FileItemDataPtr> rows) { setAll(std::move(rows)); }
};

class FileDataSearchUtilsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        job->setWatcher(watcher);
        job->setRows({fileRow("/a/notes.txt"), fileRow("/b/report.pdf"), fileRow("/c/notes-old.txt"),
                      fileRow("/d/notes.txt")});
    }

    test::ManualDispatcher dispatcher;
    std::shared_ptr<test::RecordingJobWatcher> watcher = std::make_shared<test::RecordingJobWatcher>();
    std::shared_ptr<ListJob> job = std::make_shared<ListJob>(dispatcher);
};

// An empty or blank query delivers every row in load order, an unmatched one an empty list: once each.
TEST_F(FileDataSearchUtilsTest, AQueryDeliversItsRowsOnce)
{
    const struct { QString query; QStringList titles; } cases[] = {
        {QString(), {"notes.txt", "report.pdf", "notes-old.txt", "notes.txt"}},
        {QStringLiteral("  \t\n"), {"notes.txt", "report.pdf", "notes-old.txt", "notes.txt"}},
        {QStringLiteral("zzqx"), {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        watcher->deliveries.clear();
        const FileTask task = job->query(c.query);
        dispatcher.runUntilIdle();
        EXPECT_TRUE(task.isCompleted());
        ASSERT_EQ(watcher->deliveries.size(), 1u);
        EXPECT_EQ(watcher->deliveries[0].titles, c.titles);
    }
    // The rows are read when the step starts, not when the query is made.
    watcher->deliveries.clear();
    job->query(QString());
    job->setRows({});
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->titles(kGroup).size(), 4);
}

// Best first, equal scores in load order; a row scoring exactly the threshold is dropped.
TEST_F(FileDataSearchUtilsTest, RankListsMatchesBestFirstAboveTheThreshold)
{
    const std::optional<QList<FileItemDataPtr>> ranked =
        FileDataSearchUtils::rank(QStringLiteral("notes"), job->all(), 0.4, 0.2, FileStep());
    ASSERT_TRUE(ranked.has_value());
    EXPECT_EQ(titles(*ranked), (QStringList{"notes.txt@a", "notes.txt@d", "notes-old.txt@c"}));
    const double score = fuzzyScore(FoldedText(QStringLiteral("report.pdf"), FoldMode::Default),
                                    FoldedText(QStringLiteral("rpt"), FoldMode::Default), 0.2);
    ASSERT_GT(score, 0.0);
    FileStep step;
    EXPECT_TRUE(FileDataSearchUtils::rank(QStringLiteral("rpt"), {fileRow("/b/report.pdf")}, score, 0.2, step)->isEmpty());
    EXPECT_EQ(FileDataSearchUtils::rank(QStringLiteral("rpt"), {fileRow("/b/report.pdf")}, score - 1e-9, 0.2, step)->size(), 1);
}

TEST_F(FileDataSearchUtilsTest, ACancelledFilterDeliversNothingAndNeverCompletes)
{
    const FileTask task = job->query(QStringLiteral("notes"));
    task.cancel();
    bool completed = false;
    task.whenCompleted([&completed] { completed = true; });
    dispatcher.runUntilIdle();
    EXPECT_TRUE(watcher->deliveries.empty());
    EXPECT_FALSE(completed);
    EXPECT_TRUE(task.future.isCanceled());
}

// A cancel that arrives while the work finishes on its thread, or one queued on the main thread ahead of the
// commit (as a new keystroke would be), stops the commit.
TEST_F(FileDataSearchUtilsTest, ACancelBeforeTheCommitStopsIt)
{
    for (const bool onMain : {false, true}) {
        SCOPED_TRACE(onMain ? "on the main thread" : "while the work runs");
        std::function<void()> cancel;
        int commits = 0;
        const FileTask task = runStep<int>(
            dispatcher, [this, onMain, &cancel](const FileStep &) {
                if (onMain)
                    dispatcher.toMain([&cancel] { cancel(); });
                else
                    cancel();
                return std::optional<int>(1);
            },
            [&commits](int &&) { ++commits; });
        cancel = task.cancel;
        dispatcher.runUntilIdle();
        EXPECT_EQ(commits, 0);
        EXPECT_TRUE(task.future.isCanceled());
        EXPECT_FALSE(task.isCompleted());
    }
}

TEST_F(FileDataSearchUtilsTest, AQueryWaitsForThePendingLoad)
{
    auto load = std::make_shared<FileStep>();
    job->setLoad(FileTask::of(load));
    job->setRows({});
    const FileTask task = job->query(QString());
    dispatcher.runUntilIdle();
    EXPECT_TRUE(watcher->deliveries.empty());
    EXPECT_TRUE(task.isPending());

    job->setRows({fileRow("/a/loaded.txt")});
    load->complete();
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->titles(kGroup), (QStringList{"loaded.txt"}));
    EXPECT_TRUE(task.isCompleted());
}

TEST_F(FileDataSearchUtilsTest, ACancelledLoadAbandonsTheQueriesWaitingForIt)
{
    auto load = std::make_shared<FileStep>();
    job->setLoad(FileTask::of(load));
    const FileTask task = job->query(QString());
    load->cancel();
    dispatcher.runUntilIdle();
    EXPECT_TRUE(watcher->deliveries.empty());
    EXPECT_FALSE(task.isCompleted());
}

TEST_F(FileDataSearchUtilsTest, CancellingAWaitingQueryLeavesTheSharedLoadRunning)
{
    auto load = std::make_shared<FileStep>();
    job->setLoad(FileTask::of(load));
    const FileTask first = job->query(QStringLiteral("notes"));
    first.cancel();
    const FileTask second = job->query(QStringLiteral("report"));
    EXPECT_FALSE(load->isCancelled());

    load->complete();
    dispatcher.runUntilIdle();
    ASSERT_EQ(watcher->deliveries.size(), 1u) << "only the query still wanted answers";
    EXPECT_EQ(watcher->deliveries[0].titles, (QStringList{"report.pdf"}));
    EXPECT_TRUE(second.isCompleted());
    EXPECT_FALSE(first.isCompleted());
}

TEST_F(FileDataSearchUtilsTest, EnsureWithoutAPendingLoadStartsAtOnce)
{
    int started = 0;
    const auto next = [&started] {
        ++started;
        return FileTask::completed();
    };
    EXPECT_TRUE(FileDataSearchUtils::ensure(std::nullopt, next).isCompleted());
    EXPECT_TRUE(FileDataSearchUtils::ensure(FileTask::completed(), next).isCompleted());
    auto cancelled = std::make_shared<FileStep>();
    cancelled->cancel();
    FileDataSearchUtils::ensure(FileTask::of(cancelled), next);
    EXPECT_EQ(started, 3);
}

// After the load, ensure runs the next step: it completes with that step, and cancelling it cancels that step.
TEST_F(FileDataSearchUtilsTest, EnsureFollowsTheNextStepItStarted)
{
    for (const bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "completed");
        auto load = std::make_shared<FileStep>();
        auto inner = std::make_shared<FileStep>();
        const FileTask task = FileDataSearchUtils::ensure(FileTask::of(load), [inner] { return FileTask::of(inner); });
        load->complete();
        EXPECT_TRUE(task.isPending());
        EXPECT_FALSE(inner->isCancelled());
        if (cancelled)
            task.cancel();
        else
            inner->complete();
        EXPECT_EQ(inner->isCancelled(), cancelled);
        EXPECT_EQ(task.future.isCanceled(), cancelled);
        EXPECT_EQ(task.isCompleted(), !cancelled);
    }
}

TEST(FileStep, EndsOnceEitherWay)
{
    FileStep completed;
    int ran = 0;
    completed.whenCompleted([&ran] { ++ran; });
    EXPECT_TRUE(completed.complete());
    EXPECT_FALSE(completed.complete());
    completed.cancel();
    EXPECT_FALSE(completed.future().isCanceled());
    completed.whenCompleted([&ran] { ++ran; });
    EXPECT_EQ(ran, 2);

    FileStep cancelled;
    cancelled.whenCompleted([&ran] { ++ran; });
    cancelled.cancel();
    EXPECT_FALSE(cancelled.complete());
    EXPECT_TRUE(cancelled.future().isCanceled());
    EXPECT_TRUE(cancelled.future().isFinished());
    EXPECT_EQ(ran, 2);

    QFuture<void> dropped = std::make_unique<FileStep>()->future(); // dropped unfinished: ends cancelled
    EXPECT_TRUE(dropped.isCanceled());
}

} // namespace
} // namespace tavolin
