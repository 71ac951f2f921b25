// Reading an application: identity, the focused application, the time-out, spreading, dropped and
// superseded loads, and the language.
#include "AxTestSupport.h"

#include "support/ManualDispatcher.h"
#include "accessibility/AXUtils.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::json;
constexpr int32_t kScribe = 4101;
constexpr int32_t kScribeDe = 4102;

// Forwards to a ManualDispatcher and counts where work was sent.
class CountingDispatcher final : public Dispatcher
{
public:
    explicit CountingDispatcher(test::ManualDispatcher &inner) : m_inner(inner) {}
    void toMain(Work work) override { ++main; m_inner.toMain(std::move(work)); }
    void toBackground(Work work) override { ++background; m_inner.toBackground(std::move(work)); }
    void afterDelay(std::chrono::milliseconds delay, Work work) override { m_inner.afterDelay(delay, std::move(work)); }
    std::atomic<int> main{0};
    std::atomic<int> background{0};

private:
    test::ManualDispatcher &m_inner;
};

class AXAppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(source->addApplicationFile(test::dataPath("scribe.json")));
        ASSERT_TRUE(source->addApplicationFile(test::dataPath("scribe-de.json")));
    }
    AXAppPtr make(int32_t pid, std::shared_ptr<FakeElementSource> from = nullptr, Dispatcher *through = nullptr)
    {
        from = from ? from : source;
        return AXApp::create(from, through ? *through : dispatcher, hooks.hooks(), from->applicationElement(pid));
    }

    test::ManualDispatcher dispatcher;
    std::shared_ptr<FakeElementSource> source = std::make_shared<FakeElementSource>();
    test::HookState hooks;
    std::shared_ptr<test::RecordingWatcher> watcher = std::make_shared<test::RecordingWatcher>();
};

TEST_F(AXAppTest, IdentityComesFromTheElementAndTheRunningApplication)
{
    AXAppPtr app = make(kScribe);
    EXPECT_EQ(app->name(), QStringLiteral("Scribe"));
    EXPECT_EQ(app->pid(), kScribe);
    EXPECT_EQ(app->appName(), QStringLiteral("scribe"));
    EXPECT_EQ(app->bundleIdentifier(), QStringLiteral("org.example.Scribe"));
    EXPECT_EQ(app->icon(), QStringLiteral("org.example.Scribe"));
    EXPECT_EQ(app->shouldTrigger(), std::nullopt);
    EXPECT_FALSE(app->isLoaded());
}

TEST_F(AXAppTest, CurrentAppSetsTheTimeOutAndFindsTheFocusedApplication)
{
    source->setFocusedApplication(kScribeDe);
    AXAppPtr app = AXApp::currentApp(source, dispatcher, hooks.hooks());
    ASSERT_TRUE(app);
    EXPECT_EQ(app->pid(), kScribeDe);
    EXPECT_DOUBLE_EQ(source->messagingTimeout(), 0.9);
}

TEST_F(AXAppTest, CurrentAppWithoutFocusPrintsTheFailureLine)
{
    source->setTrusted(false);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(AXApp::currentApp(source, dispatcher, hooks.hooks()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to get focused app, res = 3 , AXIsProcessTrusted =  false\n");
}

TEST_F(AXAppTest, CurrentAppIsNoneWhenThePaletteItselfHasFocus)
{
    ASSERT_TRUE(source->addApplication(json(R"({"pid": 77, "title": "Tavolin", "menuBar": []})")));
    source->setFocusedApplication(77);
    EXPECT_FALSE(AXApp::currentApp(source, dispatcher, hooks.hooks()));
}

TEST_F(AXAppTest, HungApplicationCostsAtMostTheTimeOutPerRequest)
{
    source->setRealTime(false);
    source->setFocusedApplication(kScribe);
    source->setHanging(kScribe, true);
    AXAppPtr app = AXApp::currentApp(source, dispatcher, hooks.hooks());
    ASSERT_TRUE(app); // the focused element still comes from the system-wide element
    app->setWatcher(watcher);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_FALSE(app->isAnswering());
    EXPECT_EQ(app->name(), QStringLiteral("Scribe")); // its running application's name
    EXPECT_EQ(app->shouldTrigger(), true);            // served: the panel says it does not answer
    // The title ran into the 0.9 s time-out; nothing more was asked of it.
    EXPECT_EQ(source->simulatedTime(), std::chrono::microseconds(900'000));
}

TEST_F(AXAppTest, HungMenuItemOnlyLosesThatItem)
{
    source->setRealTime(false);
    ASSERT_TRUE(source->addApplication(json(R"({"pid": 60, "title": "Slow", "menuBar": [
        {"title": "File", "menu": [{"title": "New"}, {"title": "Stuck", "hang": true}, {"title": "Quit"}]}]})")));
    AXAppPtr app = make(60);
    app->setWatcher(watcher);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->events().value(1), QStringLiteral("item:0:File:2"));
    EXPECT_EQ(source->simulatedTime(), std::chrono::microseconds(3 * 6'000'000)); // time-out never set here
}

TEST_F(AXAppTest, ApplicationVanishingMidReadStillFinishes)
{
    AXAppPtr app = make(kScribe);
    app->setWatcher(watcher);
    source->vanishAfter(kScribe, 60);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("item:")).size(), 7);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), 1);
    EXPECT_TRUE(watcher->events().contains(QStringLiteral("item:6:Help:0")));
    EXPECT_FALSE(source->runningApplication(kScribe));
}

TEST_F(AXAppTest, DroppedWatcherGetsNothingOfTheFirstApplication)
{
    AXAppPtr first = make(kScribe);
    first->setWatcher(watcher);
    first->loadMenus(MenuLoad::MenusOnly);
    ASSERT_TRUE(dispatcher.runNext()); // the menu bar
    ASSERT_TRUE(dispatcher.runNext()); // handed over on the main thread
    ASSERT_TRUE(dispatcher.runNext()); // the first menu, in the background
    ASSERT_EQ(watcher->events(), (QStringList{"menu:7", "item:0:File:16"}));

    // The provider resets for the next application while the first one's menus are still queued.
    first->setWatcher({});
    watcher->clear();
    AXAppPtr second = make(kScribeDe);
    second->setWatcher(watcher);
    second->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();

    const QStringList items = watcher->eventsStartingWith(QStringLiteral("item:"));
    EXPECT_EQ(items, (QStringList{"item:0:Datei:11", "item:1:Bearbeiten:7", "item:2:Suchen:4", "item:3:Ansicht:4",
                                  "item:4:Hilfe:2"}));
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), 1);
    EXPECT_EQ(second->shouldTrigger(), true);
    // The first application still decides for itself (and records it), but tells the dropped watcher nothing.
    EXPECT_EQ(first->shouldTrigger(), true);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("trigger:")), QStringList{QStringLiteral("trigger:1")});
}

// The drop happens inside a delivery of the first application (as when a callback resets the provider).
TEST_F(AXAppTest, WatcherDroppedDuringADeliveryGetsNothingMore)
{
    class ResettingWatcher final : public test::RecordingWatcher
    {
    public:
        std::vector<AXRowInfo> onUpdate(const AXMenuItemPtr &item, int index) override
        {
            auto rows = test::RecordingWatcher::onUpdate(item, index);
            if (index == 2)
                app->setWatcher({});
            return rows;
        }
        using test::RecordingWatcher::onUpdate;
        AXAppPtr app;
    };
    auto resetting = std::make_shared<ResettingWatcher>();
    AXAppPtr app = make(kScribe);
    resetting->app = app;
    app->setWatcher(resetting);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    resetting->app.reset();
    EXPECT_EQ(resetting->eventsStartingWith(QStringLiteral("item:")).size(), 3);
    EXPECT_TRUE(resetting->eventsStartingWith(QStringLiteral("finished")).isEmpty());
}

TEST_F(AXAppTest, ReleasedApplicationStopsReading)
{
    AXAppPtr app = make(kScribe);
    app->setWatcher(watcher);
    app->loadMenus(MenuLoad::MenusOnly);
    ASSERT_TRUE(dispatcher.runNext()); // the menu bar
    ASSERT_TRUE(dispatcher.runNext()); // handed over on the main thread
    ASSERT_TRUE(dispatcher.runNext()); // the first menu, in the background
    app.reset();
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->events().size(), 2);
    EXPECT_EQ(source->requestCount(QStringLiteral("Undo")), 0);
}

TEST_F(AXAppTest, SecondLoadOfTheSameApplicationSupersedesTheFirst)
{
    AXAppPtr app = make(kScribe);
    app->setWatcher(watcher);
    app->loadMenus(MenuLoad::MenusOnly);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    const QStringList items = watcher->eventsStartingWith(QStringLiteral("item:"));
    EXPECT_EQ(items.size(), 7); // the first load was superseded before its menu bar was read
    EXPECT_EQ(items.filter(QStringLiteral("item:1:")).size(), 1);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), 1);
    EXPECT_EQ(watcher->events().last(), QStringLiteral("finished"));
}

TEST_F(AXAppTest, MenusAreSpreadForApplicationsNamedInDesign)
{
    ASSERT_TRUE(source->addApplication(json(R"({"pid": 90, "title": "Adobe InDesign 2024", "menuBar": [
        {"title": "A", "menu": [{"title": "a"}]}, {"title": "B", "menu": [{"title": "b"}]},
        {"title": "C", "menu": [{"title": "c"}]}, {"title": "D", "menu": [{"title": "d"}]},
        {"title": "E", "menu": [{"title": "e"}]}]})")));
    AXAppPtr app = make(90);
    app->setWatcher(watcher);
    app->loadMenus(MenuLoad::MenusOnly);
    auto delivered = [&] { return watcher->eventsStartingWith(QStringLiteral("item:")).size(); };
    dispatcher.runUntilIdle();
    EXPECT_EQ(delivered(), 2); // the application menu and the next one at once
    dispatcher.advance(std::chrono::milliseconds(332));
    EXPECT_EQ(delivered(), 2);
    dispatcher.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(delivered(), 3);
    dispatcher.advance(std::chrono::milliseconds(333));
    EXPECT_EQ(delivered(), 4);
    EXPECT_TRUE(watcher->eventsStartingWith(QStringLiteral("finished")).isEmpty());
    dispatcher.advance(std::chrono::milliseconds(334));
    EXPECT_EQ(delivered(), 5);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), 1);
}

TEST_F(AXAppTest, OtherApplicationsReadAllMenusAtOnce)
{
    AXAppPtr app = make(kScribe);
    app->loadMenus(MenuLoad::MenusOnly);
    EXPECT_EQ(dispatcher.pendingDelayed(), 0u);
}

TEST_F(AXAppTest, ParallelSourceReadsMenusOnTheBackgroundPool)
{
    CountingDispatcher counting(dispatcher);
    AXAppPtr app = make(kScribe, nullptr, &counting);
    app->loadMenus(MenuLoad::MenusOnly);
    EXPECT_EQ(counting.background.load(), 1); // the menu bar
    EXPECT_EQ(counting.main.load(), 0);
    app->setWatcher(watcher);
    dispatcher.runUntilIdle();
    // The menus are read one task after the other, so a menu that waits for its application holds one
    // thread of the pool, and never the main thread.
    EXPECT_EQ(counting.background.load(), 1 + 7);
    EXPECT_EQ(counting.main.load(), 1 + 7); // the bar handed over, then one counter step per menu
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("item:")).size(), 7);
    EXPECT_EQ(watcher->events().last(), QStringLiteral("finished"));
}

TEST_F(AXAppTest, MainThreadSourceReadsMenusOneAfterAnotherOnMain)
{
    auto serial = std::make_shared<FakeElementSource>(ReadMode::MainThread);
    ASSERT_TRUE(serial->addApplicationFile(test::dataPath("scribe.json")));
    CountingDispatcher counting(dispatcher);
    AXAppPtr app = make(kScribe, serial, &counting);
    app->setWatcher(watcher);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_EQ(counting.background.load(), 0);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("item:")).size(), 7);
    EXPECT_EQ(watcher->events().last(), QStringLiteral("finished"));
}

TEST_F(AXAppTest, LanguageIsLoadedInTheBackground)
{
    ASSERT_TRUE(source->addApplicationFile(test::dataPath("scribe-zh.json")));
    CountingDispatcher counting(dispatcher);
    AXAppPtr app = make(4103, nullptr, &counting);
    app->loadMenus(MenuLoad::WithLanguage);
    EXPECT_EQ(app->locale(), std::nullopt);
    dispatcher.runUntilIdle();
    EXPECT_EQ(hooks.transMapCalls, QStringList{QStringLiteral("org.example.Scribe.zh:zh_CN.UTF-8")});
    EXPECT_EQ(app->locale(), QStringLiteral("zh_CN.UTF-8"));
    ASSERT_TRUE(app->localeContext());
    EXPECT_EQ(app->localeContext()->language(), QLocale::Chinese);
}

TEST_F(AXAppTest, NoLanguageWithoutARunningApplication)
{
    ASSERT_TRUE(source->addApplication(json(R"({"pid": 91, "title": "Bare", "menuBar": []})")));
    source->vanishAfter(91, 2); // gone before its identity can be asked for
    AXAppPtr app = make(91);
    app->loadMenus(MenuLoad::WithLanguage);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(hooks.transMapCalls.isEmpty());
    EXPECT_EQ(app->localeContext(), std::nullopt);
}

TEST_F(AXAppTest, MenuRulesUseTheProvidersApplicationKey)
{
    AXAppHooks h = hooks.hooks();
    h.appKey = [] { return QStringLiteral("provider-key"); };
    AXAppPtr app = AXApp::create(source, dispatcher, h, source->applicationElement(kScribe));
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(hooks.ruleLookups.contains(QStringLiteral("provider-key:File")));

    AXAppPtr own = make(kScribe);
    own->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(hooks.ruleLookups.contains(QStringLiteral("scribe:File")));
}

// With the real pool: menus are read on several threads, and a watcher dropped while they run hears
// nothing more once setWatcher() returned.
TEST(AXAppThreadsTest, DropWhileReadingOnThePool)
{
    static QtDispatcher dispatcher; // Qt's pool and event loop; outlives the work still queued if a check fails
    auto source = std::make_shared<FakeElementSource>();
    ASSERT_TRUE(source->addApplicationFile(test::dataPath("scribe.json")));
    ASSERT_TRUE(source->addApplicationFile(test::dataPath("scribe-de.json")));
    source->setRequestDelay(std::chrono::microseconds(200));
    test::HookState hooks;
    auto watcher = std::make_shared<test::RecordingWatcher>();

    AXAppPtr first = AXApp::create(source, dispatcher, hooks.hooks(), source->applicationElement(kScribe));
    first->setWatcher(watcher);
    first->loadMenus(MenuLoad::MenusOnly);
    first->setWatcher({});
    const qsizetype dropped = watcher->events().size();

    AXAppPtr second = AXApp::create(source, dispatcher, hooks.hooks(), source->applicationElement(kScribeDe));
    second->setWatcher(watcher);
    second->loadMenus(MenuLoad::MenusOnly);
    QDeadlineTimer deadline(10'000);
    while (!watcher->events().contains(QStringLiteral("finished")) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(watcher->events().contains(QStringLiteral("finished")))
        << "the second read never finished; heard: " << watcher->events().join(QLatin1String(", ")).toStdString();
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10'000));
    QCoreApplication::processEvents();

    const QStringList after = watcher->events().mid(dropped);
    for (const QString &event : after)
        EXPECT_FALSE(event.contains(QStringLiteral(":Edit:")) || event.contains(QStringLiteral(":Help:"))) << qPrintable(event);
    EXPECT_EQ(after.filter(QStringLiteral("item:")).size(), 5);
    EXPECT_EQ(after.filter(QStringLiteral("finished")).size(), 1);
    EXPECT_GT(source->requestThreadCount(), 1u);
}

} // namespace
} // namespace tavolin
