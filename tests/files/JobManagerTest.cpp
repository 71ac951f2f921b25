#include "files/JobManager.h"

#include "JobTestSupport.h"
#include "files/FileDataProvider.h"
#include "files/FilesJob.h"
#include "palette/DataSource.h"

namespace tavolin {
namespace {

using test::shown;

class JobManagerTest : public test::JobTest
{
protected:
    void SetUp() override
    {
        dataSource.setMode(PanelMode::QuickOpen);
        scribe = addApp(40, QStringLiteral("Scribe"), QStringLiteral("scribe"), QStringLiteral("org.example.Scribe"));
        pad = addApp(41, QStringLiteral("Mousepad"), QStringLiteral("mousepad"), QStringLiteral("org.xfce.mousepad"));
        source->setWindows(40, {fileUrl(QStringLiteral("scribe/letter.txt"))});
        file(QStringLiteral("scribe/letter-draft.txt"));
        source->setWindows(41, {fileUrl(QStringLiteral("pad/todo.txt"))});
        file(QStringLiteral("pad/todo-old.txt"));
        QFile recent(home.dataHome() + QStringLiteral("/recently-used.xbel"));
        ASSERT_TRUE(recent.open(QIODevice::WriteOnly));
        recent.write(test::recentList(test::recentBookmark(fileUrl(QStringLiteral("scribe/letter.txt")), "Scribe", "scribe %u")));
    }

    DataSource dataSource;
    std::shared_ptr<FileDataProvider> provider = std::make_shared<FileDataProvider>(source, dataSource, dispatcher, nullptr);
    AXAppPtr scribe;
    AXAppPtr pad;
};

// The watcher is told of every arrival.
TEST_F(JobManagerTest, EverySourceAnswersUnderItsGroupAndAFileIsShownOnce)
{
    struct Counter final : FileDataProviderWatcher
    {
        void onUpdate(DataProvider *) override { ++count; }
        int count = 0;
    } counter;
    provider->watcher = &counter;
    provider->loadFromApp(scribe);
    EXPECT_EQ(provider->bundle, QStringLiteral("org.example.Scribe"));
    EXPECT_EQ(provider->appName, QStringLiteral("Scribe"));
    provider->search(QString(), nullptr, true);
    dispatcher.runUntilIdle();
    EXPECT_EQ(shown(*provider), (QStringList{"Opened:letter.txt", "File Results:letter-draft.txt"}));
    EXPECT_TRUE(provider->isFirstInGroup(1));
    EXPECT_EQ(counter.count, 3);
    provider->watcher = nullptr;
}

TEST_F(JobManagerTest, SwitchingApplicationMidLoadDeliversNothingOfTheOldOne)
{
    provider->loadFromApp(scribe);
    provider->search(QString(), nullptr, true);
    // Nothing has run yet: the first application's loads and queries are all pending.
    provider->loadFromApp(pad);
    provider->search(QString(), nullptr, true);
    dispatcher.runUntilIdle();
    EXPECT_EQ(shown(*provider), (QStringList{"Opened:todo.txt", "File Results:todo-old.txt"}));
}

TEST_F(JobManagerTest, SwitchingApplicationAfterRowsArrivedEmptiesTheList)
{
    provider->loadFromApp(scribe);
    provider->search(QString(), nullptr, true);
    dispatcher.runUntilIdle();
    ASSERT_GT(provider->numberOfRows(), 0);
    provider->loadFromApp(pad);
    EXPECT_EQ(provider->numberOfRows(), 0);
}

TEST_F(JobManagerTest, ASearchTypedBeforeThePreviousFinishesCancelsIt)
{
    provider->loadFromApp(scribe);
    provider->search(QStringLiteral("letter"), nullptr, false);
    provider->search(QStringLiteral("draft"), nullptr, false);
    dispatcher.runUntilIdle();
    EXPECT_EQ(shown(*provider), (QStringList{"File Results:letter-draft.txt"}));
}

TEST_F(JobManagerTest, ABatchAlreadyQueuedForTheOldSearchIsDropped)
{
    provider->loadFromApp(scribe);
    dispatcher.runUntilIdle();
    provider->search(QStringLiteral("letter"), nullptr, false);
    // Let the old search's background work queue its deliveries, then type again before they run.
    dispatcher.toBackground([this] {
        dispatcher.toMain([this] { provider->search(QStringLiteral("draft"), nullptr, false); });
    });
    dispatcher.runUntilIdle();
    EXPECT_EQ(shown(*provider), (QStringList{"File Results:letter-draft.txt"}));
}

TEST_F(JobManagerTest, ADestroyedProviderReceivesNothing)
{
    provider->loadFromApp(scribe);
    provider->search(QString(), nullptr, true);
    provider.reset();
    EXPECT_GT(dispatcher.runUntilIdle(), 0);
}

} // namespace
} // namespace tavolin
