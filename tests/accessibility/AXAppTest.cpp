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

using namespace Qt::StringLiterals;
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
    // The application of `pid`, its menus' load started with the test's watcher.
    AXAppPtr loading(int32_t pid, std::shared_ptr<FakeElementSource> from = nullptr, Dispatcher *through = nullptr)
    {
        AXAppPtr app = make(pid, std::move(from), through);
        app->setWatcher(watcher);
        app->loadMenus(MenuLoad::MenusOnly);
        return app;
    }
    // Runs the menu bar's read, its hand-over to the main thread, and the first menu's read.
    void readTheFirstMenu()
    {
        for (int step = 0; step < 3; ++step)
            ASSERT_TRUE(dispatcher.runNext()) << step;
    }
    qsizetype count(const QString &prefix) const { return watcher->eventsStartingWith(prefix).size(); }

    test::ManualDispatcher dispatcher;
    std::shared_ptr<FakeElementSource> source = std::make_shared<FakeElementSource>();
    test::HookState hooks;
    std::shared_ptr<test::RecordingWatcher> watcher = std::make_shared<test::RecordingWatcher>();
};

TEST_F(AXAppTest, IdentityComesFromTheElementAndTheRunningApplication)
{
    AXAppPtr app = make(kScribe);
    EXPECT_EQ(app->name(), u"Scribe"_s);
    EXPECT_EQ(app->pid(), kScribe);
    EXPECT_EQ(app->appName(), u"scribe"_s);
    EXPECT_EQ(app->bundleIdentifier(), u"org.example.Scribe"_s);
    EXPECT_EQ(app->icon(), u"org.example.Scribe"_s);
    EXPECT_EQ(app->shouldTrigger(), std::nullopt);
    EXPECT_FALSE(app->isLoaded());
}

// The focused application, with the time-out set; none without one or when the palette itself has focus.
TEST_F(AXAppTest, CurrentAppSetsTheTimeOutAndFindsTheFocusedApplication)
{
    source->setTrusted(false);
    testing::internal::CaptureStdout(); // where the failure is reported
    const bool none = !AXApp::currentApp(source, dispatcher, hooks.hooks());
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(none);
    source->setTrusted(true);

    source->setFocusedApplication(kScribeDe);
    AXAppPtr app = AXApp::currentApp(source, dispatcher, hooks.hooks());
    ASSERT_TRUE(app);
    EXPECT_EQ(app->pid(), kScribeDe);
    EXPECT_DOUBLE_EQ(source->messagingTimeout(), 0.9);

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
    EXPECT_EQ(app->name(), u"Scribe"_s);   // its running application's name
    EXPECT_EQ(app->shouldTrigger(), true); // served: the panel says it does not answer
    // The title ran into the 0.9 s time-out; nothing more was asked of it.
    EXPECT_EQ(source->simulatedTime(), std::chrono::microseconds(900'000));
}

TEST_F(AXAppTest, HungMenuItemOnlyLosesThatItem)
{
    source->setRealTime(false);
    ASSERT_TRUE(source->addApplication(json(R"({"pid": 60, "title": "Slow", "menuBar": [
        {"title": "File", "menu": [{"title": "New"}, {"title": "Stuck", "hang": true}, {"title": "Quit"}]}]})")));
    AXAppPtr app = loading(60);
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->events().value(1), u"item:0:File:2"_s);
    EXPECT_EQ(source->simulatedTime(), std::chrono::microseconds(3 * 6'000'000)); // time-out never set here
}

TEST_F(AXAppTest, ApplicationVanishingMidReadStillFinishes)
{
    source->vanishAfter(kScribe, 60);
    AXAppPtr app = loading(kScribe);
    dispatcher.runUntilIdle();
    EXPECT_EQ(count(u"item:"_s), 7);
    EXPECT_EQ(count(u"finished"_s), 1);
    EXPECT_TRUE(watcher->events().contains(u"item:6:Help:0"_s));
    EXPECT_FALSE(source->runningApplication(kScribe));
}

TEST_F(AXAppTest, DroppedWatcherGetsNothingOfTheFirstApplication)
{
    AXAppPtr first = loading(kScribe);
    readTheFirstMenu();
    ASSERT_EQ(watcher->events(), (QStringList{"menu:7", "item:0:File:16"}));

    // The provider resets for the next application while the first one's menus are still queued.
    first->setWatcher({});
    watcher->clear();
    AXAppPtr second = loading(kScribeDe);
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->eventsStartingWith(u"item:"_s), (QStringList{"item:0:Datei:11", "item:1:Bearbeiten:7", "item:2:Suchen:4",
                                                                  "item:3:Ansicht:4", "item:4:Hilfe:2"}));
    EXPECT_EQ(count(u"finished"_s), 1);
    EXPECT_EQ(second->shouldTrigger(), true);
    // The first application still decides for itself (and records it), but tells the dropped watcher nothing.
    EXPECT_EQ(first->shouldTrigger(), true);
    EXPECT_EQ(watcher->eventsStartingWith(u"trigger:"_s), QStringList{u"trigger:1"_s});
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
    EXPECT_EQ(resetting->eventsStartingWith(u"item:"_s).size(), 3);
    EXPECT_TRUE(resetting->eventsStartingWith(u"finished"_s).isEmpty());
}

TEST_F(AXAppTest, ReleasedApplicationStopsReading)
{
    AXAppPtr app = loading(kScribe);
    readTheFirstMenu();
    app.reset();
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->events().size(), 2);
    EXPECT_EQ(source->requestCount(u"Undo"_s), 0);
}

TEST_F(AXAppTest, SecondLoadOfTheSameApplicationSupersedesTheFirst)
{
    AXAppPtr app = loading(kScribe);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_EQ(count(u"item:"_s), 7); // the first load was superseded before its menu bar was read
    EXPECT_EQ(count(u"item:1:"_s), 1);
    EXPECT_EQ(count(u"finished"_s), 1);
    EXPECT_EQ(watcher->events().last(), u"finished"_s);
}

// Their menus are read one by one, a third of a second apart; other applications' all at once.
TEST_F(AXAppTest, MenusAreSpreadForApplicationsNamedInDesign)
{
    AXAppPtr other = loading(kScribe);
    dispatcher.runUntilIdle();
    EXPECT_EQ(dispatcher.pendingDelayed(), 0u);
    EXPECT_EQ(count(u"item:"_s), 7);
    other->setWatcher({});
    watcher->clear();

    ASSERT_TRUE(source->addApplication(json(R"({"pid": 90, "title": "Adobe InDesign 2024", "menuBar": [
        {"title": "A", "menu": [{"title": "a"}]}, {"title": "B", "menu": [{"title": "b"}]},
        {"title": "C", "menu": [{"title": "c"}]}, {"title": "D", "menu": [{"title": "d"}]},
        {"title": "E", "menu": [{"title": "e"}]}]})")));
    AXAppPtr app = loading(90);
    dispatcher.runUntilIdle();
    EXPECT_EQ(count(u"item:"_s), 2); // the application menu and the next one at once
    for (const auto &[ms, delivered] : {std::pair{332, 2}, {1, 3}, {333, 4}}) {
        dispatcher.advance(std::chrono::milliseconds(ms));
        EXPECT_EQ(count(u"item:"_s), delivered) << ms;
    }
    EXPECT_EQ(count(u"finished"_s), 0);
    dispatcher.advance(std::chrono::milliseconds(334));
    EXPECT_EQ(count(u"item:"_s), 5);
    EXPECT_EQ(count(u"finished"_s), 1);
}

TEST_F(AXAppTest, ParallelSourceReadsMenusOnTheBackgroundPool)
{
    CountingDispatcher counting(dispatcher);
    AXAppPtr app = loading(kScribe, nullptr, &counting);
    EXPECT_EQ(counting.background.load(), 1); // the menu bar
    EXPECT_EQ(counting.main.load(), 0);
    dispatcher.runUntilIdle();
    // The menus are read one task after the other, so a menu that waits for its application holds one
    // thread of the pool, and never the main thread.
    EXPECT_EQ(counting.background.load(), 1 + 7);
    EXPECT_EQ(counting.main.load(), 1 + 7); // the bar handed over, then one counter step per menu
    EXPECT_EQ(count(u"item:"_s), 7);
    EXPECT_EQ(watcher->events().last(), u"finished"_s);
}

TEST_F(AXAppTest, MainThreadSourceReadsMenusOneAfterAnotherOnMain)
{
    auto serial = std::make_shared<FakeElementSource>(ReadMode::MainThread);
    ASSERT_TRUE(serial->addApplicationFile(test::dataPath("scribe.json")));
    CountingDispatcher counting(dispatcher);
    AXAppPtr app = loading(kScribe, serial, &counting);
    dispatcher.runUntilIdle();
    EXPECT_EQ(counting.background.load(), 0);
    EXPECT_EQ(count(u"item:"_s), 7);
    EXPECT_EQ(watcher->events().last(), u"finished"_s);
}

TEST_F(AXAppTest, LanguageIsLoadedInTheBackground)
{
    ASSERT_TRUE(source->addApplicationFile(test::dataPath("scribe-zh.json")));
    CountingDispatcher counting(dispatcher);
    AXAppPtr app = make(4103, nullptr, &counting);
    app->loadMenus(MenuLoad::WithLanguage);
    EXPECT_EQ(app->locale(), std::nullopt);
    dispatcher.runUntilIdle();
    EXPECT_EQ(hooks.transMapCalls, QStringList{u"org.example.Scribe.zh:zh_CN.UTF-8"_s});
    EXPECT_EQ(app->locale(), u"zh_CN.UTF-8"_s);
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
    h.appKey = [] { return u"provider-key"_s; };
    AXAppPtr app = AXApp::create(source, dispatcher, h, source->applicationElement(kScribe));
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(hooks.ruleLookups.contains(u"provider-key:File"_s));

    AXAppPtr own = make(kScribe);
    own->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();
    EXPECT_TRUE(hooks.ruleLookups.contains(u"scribe:File"_s));
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
    while (!watcher->events().contains(u"finished"_s) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(watcher->events().contains(u"finished"_s))
        << "the second read never finished; heard: " << watcher->events().join(QLatin1String(", ")).toStdString();
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10'000));
    QCoreApplication::processEvents();

    const QStringList after = watcher->events().mid(dropped);
    for (const QString &event : after)
        EXPECT_FALSE(event.contains(u":Edit:"_s) || event.contains(u":Help:"_s)) << qPrintable(event);
    EXPECT_EQ(after.filter(u"item:"_s).size(), 5);
    EXPECT_EQ(after.filter(u"finished"_s).size(), 1);
    EXPECT_GT(source->requestThreadCount(), 1u);
}

} // namespace
} // namespace tavolin
