#include "files/RecentJob.h"

#include "JobTestSupport.h"

namespace tavolin {
namespace {

const QString kRecent = QString::fromLatin1(filegroup::kRecent);

using test::recentBookmark;
using test::recentList;

class RecentJobTest : public test::JobTest
{
protected:
    void SetUp() override
    {
        job->setWatcher(watcher);
        ASSERT_EQ(RecentJob::recentFolder(), home.dataHome() + QStringLiteral("/recently-used.xbel"));
    }

    void writeRecent(const QByteArray &text)
    {
        QFile out(RecentJob::recentFolder());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    }

    QStringList loadedTitles()
    {
        QStringList out;
        for (const FileItemDataPtr &row : job->all())
            out << row->title();
        return out;
    }

    std::shared_ptr<RecentJob> job = std::make_shared<RecentJob>(dispatcher);
};

TEST_F(RecentJobTest, ListsTheApplicationsExistingRecentFilesNewestFirst)
{
    const AXAppPtr app = addApp(20, QStringLiteral("Mousepad"), QStringLiteral("mousepad"), QStringLiteral("org.xfce.mousepad"));
    writeRecent(recentList(
        recentBookmark(fileUrl(QStringLiteral("old.txt")), "Mousepad", "'mousepad %u'")
        + recentBookmark(fileUrl(QStringLiteral("new.txt")), "Mousepad", "'mousepad %u'", "2024-06-01T00:00:00Z")
        + recentBookmark(fileUrl(QStringLiteral("theirs.txt")), "gedit", "'gedit %u'", "2024-07-01T00:00:00Z")
        + recentBookmark(QUrl::fromLocalFile(dir.path() + QStringLiteral("/deleted.txt")).toString(), "Mousepad",
                         "'mousepad %u'", "2024-08-01T00:00:00Z")));
    const FileTask load = job->setApp(QStringLiteral("org.xfce.mousepad"), app);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(load.isCompleted());
    EXPECT_EQ(loadedTitles(), (QStringList{"new.txt", "old.txt"}));
    EXPECT_EQ(job->id(), QStringLiteral("org.xfce.mousepad"));

    job->query(QStringLiteral("old"));
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->titles(kRecent), (QStringList{"old.txt"}));
}

// A missing, unreadable or oversized list gives no rows, and the query still answers.
TEST_F(RecentJobTest, AMissingOrBrokenListGivesNoRows)
{
    const QByteArray good = recentList(recentBookmark(fileUrl(QStringLiteral("kept.txt")), "Mousepad", "mousepad %u"));
    const struct
    {
        const char *name;
        std::optional<QByteArray> text;
    } cases[] = {{"missing", std::nullopt}, {"garbage", QByteArray(4096, '\x9c')}, {"huge", good + QByteArray(9 * 1024 * 1024, ' ')}};
    int32_t pid = 21;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString id = QStringLiteral("m%1").arg(pid); // a new application each time: nothing is kept
        const AXAppPtr app = addApp(pid++, QStringLiteral("Mousepad"), QStringLiteral("mousepad"), id);
        QFile::remove(RecentJob::recentFolder());
        if (c.text)
            writeRecent(*c.text);
        watcher->deliveries.clear();
        const FileTask load = job->setApp(id, app);
        job->query(QString());
        dispatcher.runUntilIdle();
        EXPECT_TRUE(load.isCompleted());
        EXPECT_TRUE(job->all().isEmpty());
        ASSERT_EQ(watcher->deliveries.size(), 1u);
        EXPECT_TRUE(watcher->deliveries[0].titles.isEmpty());
    }
}

TEST_F(RecentJobTest, RowsOfThePreviousApplicationNeverAnswerForTheNext)
{
    const AXAppPtr first = addApp(23, QStringLiteral("Mousepad"), QStringLiteral("mousepad"), QStringLiteral("m"));
    const AXAppPtr second = addApp(24, QStringLiteral("Gedit"), QStringLiteral("gedit"), QStringLiteral("g"));
    writeRecent(recentList(recentBookmark(fileUrl(QStringLiteral("pad.txt")), "Mousepad", "mousepad %u")
                           + recentBookmark(fileUrl(QStringLiteral("ged.txt")), "gedit", "gedit %u")));
    job->setApp(QStringLiteral("m"), first);
    dispatcher.runUntilIdle();
    ASSERT_EQ(loadedTitles(), (QStringList{"pad.txt"}));
    job->setApp(QStringLiteral("g"), second);
    job->query(QString());
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->titles(kRecent), (QStringList{"ged.txt"}));
}

} // namespace
} // namespace tavolin
