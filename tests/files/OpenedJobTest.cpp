#include "files/OpenedJob.h"

#include "JobTestSupport.h"

namespace tavolin {
namespace {

const QString kOpened = QString::fromLatin1(filegroup::kOpened);

class OpenedJobTest : public test::JobTest
{
protected:
    void SetUp() override { job->setWatcher(watcher); }
    std::shared_ptr<OpenedJob> job = std::make_shared<OpenedJob>(source, dispatcher);
};

TEST_F(OpenedJobTest, ListsTheDocumentsOfTheWindowsInOrder)
{
    const AXAppPtr app = addApp(10, QStringLiteral("Scribe"), QStringLiteral("scribe"), QStringLiteral("org.example.Scribe"));
    source->setWindows(10, {fileUrl(QStringLiteral("b.txt")), std::nullopt, file(QStringLiteral("a.md")),
                            QStringLiteral("https://example.org/x.html")});
    const FileTask load = job->setApp(QStringLiteral("org.example.Scribe"), app);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(load.isCompleted());
    QStringList titles;
    for (const FileItemDataPtr &row : job->all())
        titles << row->title() + QLatin1Char(':') + row->group();
    EXPECT_EQ(titles, (QStringList{"b.txt:Opened", "a.md:Opened"}));
}

TEST_F(OpenedJobTest, AnApplicationWithoutWindowsHasNoRows)
{
    const AXAppPtr app = addApp(11, QStringLiteral("Bare"), QStringLiteral("bare"), QStringLiteral("bare"));
    const FileTask load = job->setApp(QStringLiteral("bare"), app);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(load.isCompleted());
    EXPECT_TRUE(job->all().isEmpty());
    job->query(QString());
    dispatcher.runUntilIdle();
    ASSERT_EQ(watcher->deliveries.size(), 1u);
    EXPECT_TRUE(watcher->deliveries[0].titles.isEmpty());

    auto sourceless = std::make_shared<OpenedJob>(nullptr, dispatcher); // nor without an element source
    EXPECT_TRUE(sourceless->setApp(QStringLiteral("bare"), app).isCompleted());
    EXPECT_TRUE(sourceless->all().isEmpty());
}

TEST_F(OpenedJobTest, QueryFiltersTheLoadedDocuments)
{
    const AXAppPtr app = addApp(12, QStringLiteral("Scribe"), QStringLiteral("scribe"), QStringLiteral("s"));
    source->setWindows(12, {file(QStringLiteral("budget.ods")), file(QStringLiteral("notes.txt"))});
    job->setApp(QStringLiteral("s"), app);
    job->query(QStringLiteral("note")); // typed before the windows were read: waits for them
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->titles(kOpened), (QStringList{"notes.txt"}));
}

TEST_F(OpenedJobTest, ANewApplicationCancelsTheLoadOfThePreviousOne)
{
    const AXAppPtr first = addApp(13, QStringLiteral("One"), QStringLiteral("one"), QStringLiteral("one"));
    const AXAppPtr second = addApp(14, QStringLiteral("Two"), QStringLiteral("two"), QStringLiteral("two"));
    source->setWindows(13, {file(QStringLiteral("one.txt"))});
    source->setWindows(14, {file(QStringLiteral("two.txt"))});
    const FileTask old = job->setApp(QStringLiteral("one"), first);
    job->setApp(QStringLiteral("two"), second);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(old.future.isCanceled());
    ASSERT_EQ(job->all().size(), 1);
    EXPECT_EQ(job->all().front()->title(), QStringLiteral("two.txt"));
}

} // namespace
} // namespace tavolin
