#include "files/FilesJob.h"

#include "JobTestSupport.h"

namespace tavolin {
namespace {

const QString kFiles = QString::fromLatin1(filegroup::kFileResults);

class FilesJobTest : public test::JobTest
{
protected:
    void SetUp() override
    {
        job->setWatcher(watcher);
        for (const char *name : {"project/notes.txt", "project/budget report.ods", "project/sub/Report Budget 2.pdf",
                                 "project/sub/report.txt", "project/.secret-report budget.txt"})
            file(QString::fromUtf8(name));
        app = addApp(30, QStringLiteral("Scribe"), QStringLiteral("scribe"), QStringLiteral("s"));
    }

    QStringList delivered()
    {
        QStringList titles = watcher->titles(kFiles);
        titles.removeDuplicates();
        titles.sort();
        return titles;
    }

    std::shared_ptr<FilesJob> job = std::make_shared<FilesJob>(source, dispatcher);
    AXAppPtr app;
};

TEST_F(FilesJobTest, EmptyQueryListsTheFocusedDocumentsFolder)
{
    source->setWindows(30, {fileUrl(QStringLiteral("project/notes.txt")), fileUrl(QStringLiteral("elsewhere.txt"))});
    job->setApp(QStringLiteral("s"), app);
    const FileTask task = job->query(QStringLiteral("   "));
    dispatcher.runUntilIdle();
    ASSERT_TRUE(job->folder().has_value());
    EXPECT_EQ(job->folder()->toLocalFile(), dir.path() + QStringLiteral("/project"));
    EXPECT_TRUE(task.isCompleted());
    EXPECT_EQ(watcher->titles(kFiles), (QStringList{"budget report.ods", "notes.txt", "sub"}));
}

TEST_F(FilesJobTest, ASearchItsBoundCutEndsWithANoteThatPerformsNothing)
{
    source->setWindows(30, {fileUrl(QStringLiteral("project/notes.txt"))});
    job->setApp(QStringLiteral("s"), app);
    FileNameSearch::Limits limits;
    for (const int visited : {3, 1000}) {
        limits.maxVisited = visited;
        job->setLimits(limits);
        watcher->deliveries.clear();
        const FileTask task = job->query(QStringLiteral("report"));
        dispatcher.runUntilIdle();
        EXPECT_TRUE(task.isCompleted());
        const QStringList titles = watcher->titles(kFiles);
        const bool noted = !titles.isEmpty() && titles.last().startsWith(u"Searched the first"_qs);
        EXPECT_EQ(noted, visited == 3) << "bound " << visited << ": " << titles.join(u" | "_qs).toStdString();
    }
    const FileItemDataPtr note = FilesJob::boundNote(200'000);
    EXPECT_FALSE(note->url().has_value());
    EXPECT_FALSE(note->apply());
}

TEST_F(FilesJobTest, ACancelledSearchDeliversNothing)
{
    source->setWindows(30, {fileUrl(QStringLiteral("project/notes.txt"))});
    job->setApp(QStringLiteral("s"), app);
    dispatcher.runUntilIdle();
    const FileTask first = job->query(QStringLiteral("report"));
    first.cancel();
    const FileTask second = job->query(QStringLiteral("notes"));
    dispatcher.runUntilIdle();
    EXPECT_EQ(delivered(), (QStringList{"notes.txt"}));
    EXPECT_FALSE(first.isCompleted());
    EXPECT_TRUE(second.isCompleted());
}

// A window without a document, or an application without windows, gives no folder and no file results.
TEST_F(FilesJobTest, WithoutAFocusedDocumentThereIsNoFolderToSearch)
{
    source->setWindows(30, {std::nullopt});
    job->setApp(QStringLiteral("s"), app);
    job->query(QString());
    dispatcher.runUntilIdle();
    EXPECT_FALSE(job->folder().has_value());
    EXPECT_TRUE(watcher->deliveries.empty());

    source->setWindows(32, {fileUrl(QStringLiteral("project/notes.txt"))});
    job->setApp(QStringLiteral("s2"), addApp(32, QStringLiteral("Scribe"), QStringLiteral("scribe"), QStringLiteral("s2")));
    dispatcher.runUntilIdle();
    ASSERT_TRUE(job->folder().has_value());
    const AXAppPtr other = addApp(31, QStringLiteral("Other"), QStringLiteral("other"), QStringLiteral("o"));
    job->setApp(QStringLiteral("o"), other);
    job->query(QString());
    dispatcher.runUntilIdle();
    EXPECT_FALSE(job->folder().has_value());
    EXPECT_TRUE(watcher->deliveries.empty());
}

} // namespace
} // namespace tavolin
