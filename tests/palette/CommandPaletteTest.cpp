#include "MenuFlowSupport.h"
#include "PaletteTestSupport.h"

#include "common/CommandChannel.h"
#include "common/HotkeyBinder.h"
#include "common/Log.h"
#include "common/PaletteRulesManager.h"
#include "common/PluginDataItem.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "extensions/PluginDataProvider.h"
#include "palette/CommandPalette.h"
#include "palette/DataSource.h"
#include "palette/MenuDataProvider.h"
#include "palette/MenuHistory.h"
#include "palette/OptionDataProvider.h"
#include "support/FakeHotkeyGrabber.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeNotifier.h"
#include "support/FakePanelPort.h"
#include "support/FakeShellPort.h"
#include "support/IsolatedHome.h"
#include "support/ManualDispatcher.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

using namespace std::chrono_literals;

namespace tavolin {
namespace {

using test::appJson;
using test::titlesOf;

const QString kDomain = QStringLiteral("io.quorvane.Tavolin.palette-test");
const Shortcut kDefaultShortcut(35, eventflag::kCommand | eventflag::kShift); // Ctrl+Shift+P
const Shortcut kCustomShortcut(40, eventflag::kCommand | eventflag::kShift);  // Ctrl+Shift+K

// "auto" by default; its first menu has an item on Ctrl+Shift+P, its second one on Ctrl+Shift+K.
const char *const kWriter = R"({"title": "Writer", "pid": 6001, "appName": "writer", "bundleIdentifier": "org.example.Writer",
  "icon": "writer",
  "menuBar": [
    {"title": "File", "menu": [{"title": "New", "cmdChar": "N", "modifiers": 0}, {"title": "Save", "cmdChar": "S", "modifiers": 0},
                               {"title": "Print Preview", "cmdChar": "P", "modifiers": 1}]},
    {"title": "Insert", "menu": [{"title": "Insert Link", "cmdChar": "K", "modifiers": 1}]},
    {"title": "Help", "menu": [{"title": "Manual"}]}]})";

// "disabled" by the rules the tests store.
const char *const kCoder = R"({"title": "Coder", "pid": 6002, "appName": "coder", "bundleIdentifier": "org.example.Coder",
  "menuBar": [{"title": "Edit", "menu": [{"title": "Format", "cmdChar": "F", "modifiers": 0}]},
              {"title": "View", "menu": [{"title": "Palette", "cmdChar": "P", "modifiers": 1}]}]})";

// "allow".
const char *const kSketch = R"({"title": "Sketch", "pid": 6003, "appName": "sketch", "bundleIdentifier": "org.example.Sketch",
  "menuBar": [{"title": "Image", "menu": [{"title": "Crop", "cmdChar": "R", "modifiers": 0}, {"title": "Rotate"}]},
              {"title": "Filter", "menu": [{"title": "Blur"}]}]})";

const QStringList kSketchRows{u"Crop"_qs, u"Rotate"_qs, u"Blur"_qs};

// "auto" by default; runs every request into the time-out.
const char *const kStopped = R"({"title": "Stopped", "pid": 6004, "appName": "stopped", "bundleIdentifier": "org.example.Stopped",
  "hang": true, "menuBar": [{"title": "File", "menu": [{"title": "Export"}]}]})";

class CommandPaletteTest : public ::testing::Test
{
protected:
    CommandPaletteTest()
    {
        m_settings.setValue(settings::kAppRules,
                            QJsonArray{QJsonArray{u"org.example.Coder"_qs, u"disabled"_qs, u"Coder"_qs},
                                       QJsonArray{u"org.example.Sketch"_qs, u"allow"_qs, u"Sketch"_qs}});
        log::setSink([this](log::Level, const QString &line) {
            std::lock_guard lock(m_logMutex);
            m_log << line;
        });
    }
    ~CommandPaletteTest() override
    {
        m_palette.reset();
        log::setSink({});
    }

    // Builds the controller over the settings the test prepared.
    void start()
    {
        m_binder = std::make_unique<HotkeyBinder>(m_settings, m_grabber);
        m_rules = std::make_unique<PaletteRulesManager>(m_settings, m_binder.get(), QLocale::c());
        m_extensions = std::make_unique<PluginDataProvider>(m_notifier, [](const QString &) { return QString(); });
        MenuDataProvider::Context context;
        context.history = &m_history;
        context.extensions = m_extensions.get();
        context.dataSource = &m_dataSource;
        context.dispatcher = &m_dispatcher;
        context.ignorableOption = [](const QString &, const QString &) { return std::optional<int>(); };
        m_menus = MenuDataProvider::create(context);
        m_dataSource.setProviderFactory(PanelMode::CommandPalette, [this]() -> DataProvider & { return *m_menus; });
        m_palette = CommandPalette::create(CommandPalette::Deps{
            .settings = m_settings,
            .binder = *m_binder,
            .rules = *m_rules,
            .source = m_source,
            .panel = m_panel,
            .shell = m_shell,
            .menus = m_menus,
            .keyPoster = &m_keyPoster,
            .options = &m_options,
            .extensions = m_extensions.get(),
            .dataSource = m_dataSource,
            .dispatcher = m_dispatcher,
            .notifier = &m_notifier,
            .accessRecentFolder = {},
            .now = [this] { return m_now; },
        });
    }
    int32_t focus(const char *description)
    {
        const std::optional<int32_t> pid = m_source->addApplication(appJson(description));
        EXPECT_TRUE(pid);
        m_source->setFocusedApplication(pid);
        return pid.value_or(0);
    }
    // The user presses the bound palette shortcut; queued work then runs to its end.
    void pressShortcut()
    {
        const std::optional<Shortcut> bound = m_binder->shortcutForKey(settings::kPaletteShortcut);
        ASSERT_TRUE(bound);
        ASSERT_TRUE(m_grabber.press(*bound));
        m_dispatcher.runUntilIdle();
    }
    // The user asks for the palette over `description`; queued work then runs to its end.
    void showOver(const char *description, bool force = false)
    {
        focus(description);
        m_palette->show(force);
        m_dispatcher.runUntilIdle();
    }
    qsizetype shows() const { return m_panel.count(u"show"_qs); }
    void remember(const QString &app, const QString &title, const QString &menu)
    {
        m_history.get(app)->addItem(std::make_shared<const MenuHistoryItem>(title, QStringList{menu}, std::nullopt, false));
    }
    void expectPanelOverStoppedApplication(bool force)
    {
        remember(u"Stopped"_qs, u"Export"_qs, u"File"_qs);
        m_source->setRealTime(false);
        start();
        showOver(kStopped, force);
        EXPECT_EQ(shows(), 1);
        EXPECT_EQ(titlesOf(m_menus->all()), QStringList{u"Export"_qs});
        EXPECT_EQ(m_menus->inputHint(), u"Stopped is not answering"_qs);
        EXPECT_EQ(m_history.get(u"Stopped"_qs)->recents().size(), 1);
        EXPECT_EQ(m_rules->ruleForApp(u"org.example.Stopped"_qs), AppRule::Auto);
        EXPECT_TRUE(m_keyPoster.posts().empty());
    }
    // An "auto" application shown `elapsed` after the request; `slow`: the slow-show lines logged.
    void expectSlowShowLog(std::chrono::nanoseconds elapsed, const QStringList &slow)
    {
        start();
        m_settings.setValue(settings::kAppRules, QJsonArray());
        focus(kSketch);
        m_palette->show(false);
        ASSERT_EQ(shows(), 0);
        m_now += elapsed;
        m_dispatcher.runUntilIdle();
        ASSERT_EQ(shows(), 1);
        EXPECT_EQ(logLines(u"usage event slow"_qs), slow);
    }
    QStringList logLines(const QString &containing)
    {
        std::lock_guard lock(m_logMutex);
        return m_log.filter(containing);
    }

    test::ManualDispatcher m_dispatcher;
    test::IsolatedHome m_home;
    test::ScopedMenuRules m_noRules;
    SettingsDomain m_settings{kDomain};
    test::FakeHotkeyGrabber m_grabber;
    std::unique_ptr<HotkeyBinder> m_binder;
    std::unique_ptr<PaletteRulesManager> m_rules;
    std::shared_ptr<FakeElementSource> m_source = std::make_shared<FakeElementSource>();
    test::FakePanelPort m_panel;
    test::FakeShellPort m_shell;
    test::FakeKeyPoster m_keyPoster;
    test::FakeNotifier m_notifier;
    DataSource m_dataSource;
    MenuHistory m_history{m_dataSource, m_dispatcher};
    ThemeManager m_themes{m_settings};
    OptionDataProvider m_options{m_shell, m_themes, m_dispatcher, u"1.0"_qs};
    std::unique_ptr<PluginDataProvider> m_extensions;
    std::shared_ptr<MenuDataProvider> m_menus;
    std::chrono::nanoseconds m_now{1'000'000'000};
    std::shared_ptr<CommandPalette> m_palette;
    std::mutex m_logMutex;
    QStringList m_log;
};

TEST_F(CommandPaletteTest, FirstStartStoresAndGrabsTheDefaultShortcut)
{
    start();
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcut), u"cmd+shift+p"_qs);
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcutString), u"⇧⌘P"_qs);
    EXPECT_TRUE(m_grabber.isGrabbed(kDefaultShortcut));
    EXPECT_EQ(m_palette->getHotKey(), kDefaultShortcut);
}

TEST_F(CommandPaletteTest, StoredShortcutWithoutItsTextGetsTheTextOfThatShortcut)
{
    m_settings.setValue(settings::kPaletteShortcut, u"cmd+shift+k"_qs);
    start();
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcut), u"cmd+shift+k"_qs);
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcutString), u"⇧⌘K"_qs);
    EXPECT_TRUE(m_grabber.isGrabbed(kCustomShortcut));
}

// Another writer (a hand edit, an older preferences program) changes the key and leaves the text stale: the
// menu check still compares with the key that now opens the palette. Writer is "auto" and has its own command on
// that key: it is pressed, the decision is remembered, and the next press hands the key combination on.
TEST_F(CommandPaletteTest, AutoApplicationWithItsOwnCommandOnAShortcutChangedByAnotherWriterGetsItPressed)
{
    start();
    SettingsDomain(kDomain).setValue(settings::kPaletteShortcut, u"cmd+shift+k"_qs);
    m_settings.reload(); // what the folder watcher does
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcutString), u"⇧⌘K"_qs);
    const int32_t writer = focus(kWriter);
    pressShortcut();
    EXPECT_EQ(m_source->performed(), QStringList{u"Insert Link:AXPress"_qs});
    EXPECT_TRUE(m_keyPoster.posts().empty());
    pressShortcut();
    ASSERT_EQ(m_keyPoster.posts().size(), 1u);
    EXPECT_EQ(m_keyPoster.posts().front().pid, writer);
    EXPECT_EQ(m_keyPoster.posts().front().shortcut, kCustomShortcut);
    EXPECT_EQ(m_source->performed().size(), 1);
    EXPECT_EQ(shows(), 0);
}

TEST_F(CommandPaletteTest, ShortcutTakenElsewhereIsReportedToTheUser)
{
    m_grabber.takenElsewhere(kDefaultShortcut, u"held by another program"_qs);
    start();
    ASSERT_EQ(m_notifier.shown().size(), 1u);
    EXPECT_TRUE(m_notifier.shown().front().text.contains(u"held by another program"_qs));
    EXPECT_EQ(m_notifier.shown().front().kind, Notifier::ErrorKind::Shortcut);
}

TEST_F(CommandPaletteTest, AutoApplicationWithTheDefaultShortcutInItsFirstMenuIsStillServed)
{
    start();
    focus(kWriter);
    pressShortcut();
    EXPECT_EQ(shows(), 1);
    EXPECT_TRUE(m_source->performed().isEmpty());
    EXPECT_TRUE(m_keyPoster.posts().empty());
}

// Nothing is asked of the application on the main thread: an "auto" one is shown once every menu is read.
TEST_F(CommandPaletteTest, AutoApplicationWithoutConflictIsShownOnceEveryMenuIsRead)
{
    start();
    focus(kSketch);
    m_settings.setValue(settings::kAppRules, QJsonArray());
    const int64_t before = m_source->requestCount();
    m_palette->show(false);
    EXPECT_EQ(m_source->requestCount(), before);
    EXPECT_EQ(shows(), 0);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(shows(), 1);
    EXPECT_EQ(titlesOf(m_menus->all()), kSketchRows);
}

TEST_F(CommandPaletteTest, ForcedShowOverADisabledApplicationOpensThePanelWithItsMenus)
{
    start();
    showOver(kCoder, true);
    EXPECT_EQ(shows(), 1);
    EXPECT_TRUE(m_panel.requests.contains(u"refresh:Coder"_qs));
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Format"_qs, u"Palette"_qs}));
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_TRUE(m_source->performed().isEmpty());
}

TEST_F(CommandPaletteTest, AllowedApplicationShowsHistoryFirstThenLiveRowsAndDropsTheLeftover)
{
    remember(u"Sketch"_qs, u"Sharpen"_qs, u"Filter"_qs);
    remember(u"Sketch"_qs, u"Blur"_qs, u"Filter"_qs);
    start();
    focus(kSketch);
    m_palette->show(false);
    ASSERT_TRUE(m_dispatcher.runNext()); // the application is found
    ASSERT_TRUE(m_dispatcher.runNext()); // and prepared on the main thread; its menu bar is not read yet
    EXPECT_EQ(shows(), 1);
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Blur"_qs, u"Sharpen"_qs}));
    EXPECT_EQ(m_panel.requests.filter(u"icon:"_qs), QStringList{u"icon:none"_qs}); // the description has no icon

    m_dispatcher.runUntilIdle();
    EXPECT_EQ(titlesOf(m_menus->all()), kSketchRows);
    EXPECT_TRUE(m_menus->all().at(2)->ref());
    EXPECT_EQ(m_menus->all().at(2)->historyIndex(), 0);
    EXPECT_GE(m_panel.count(u"update"_qs), 2);
    ASSERT_EQ(m_history.get(u"Sketch"_qs)->recents().size(), 1);
    EXPECT_EQ(m_history.get(u"Sketch"_qs)->recents().first()->title(), u"Blur"_qs);
}

// Shown again over the same application, the panel is not refreshed; one on another screen moves to the main one.
TEST_F(CommandPaletteTest, SameApplicationAgainDoesNotRefreshThePanelAndOnlyAnotherScreenMovesIt)
{
    start();
    m_panel.screen = QRect(1920, 0, 1280, 1024);
    showOver(kSketch);
    EXPECT_TRUE(m_panel.requests.contains(u"move:660,400"_qs));
    m_panel.visible = false;
    m_panel.screen = m_panel.mainScreen;
    m_palette->show(false);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.requests.filter(u"refresh:"_qs), QStringList{u"refresh:Sketch"_qs});
    EXPECT_EQ(m_panel.requests.filter(u"move:"_qs).size(), 1);
    EXPECT_EQ(shows(), 2);
}

TEST_F(CommandPaletteTest, PressedWhileOpenClosesAndHandsTheShortcutOn)
{
    start();
    const int32_t sketch = focus(kSketch);
    pressShortcut();
    ASSERT_TRUE(m_panel.visible);
    pressShortcut();
    m_dispatcher.advance(CommandPalette::kPressedAgainSettle);
    m_dispatcher.runUntilIdle();
    EXPECT_FALSE(m_panel.visible);
    EXPECT_EQ(shows(), 1);
    ASSERT_EQ(m_keyPoster.posts().size(), 1u);
    EXPECT_EQ(m_keyPoster.posts().front().pid, sketch);
}

TEST_F(CommandPaletteTest, ForcedWhileOpenOnlyCloses)
{
    start();
    showOver(kSketch, true);
    ASSERT_TRUE(m_panel.visible);
    m_palette->show(true);
    m_dispatcher.advance(CommandPalette::kPressedAgainSettle);
    m_dispatcher.runUntilIdle();
    EXPECT_FALSE(m_panel.visible);
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_TRUE(m_source->performed().isEmpty());
}

// Escape, then the hot key at once: the press may be handled before the Escape (they come over two
// connections), and the Escape, handled then, must not leave the user without a panel. Nor may the palette's
// own focus, still on the panel until the window manager gives it back.
TEST_F(CommandPaletteTest, PressRightAfterEscapeOpensThePanelAgainOverTheSameApplication)
{
    start();
    const int32_t sketch = focus(kSketch);
    pressShortcut();
    ASSERT_TRUE(m_panel.visible);

    pressShortcut();
    m_panel.visible = false; // the Escape, handled after the press
    m_dispatcher.advance(CommandPalette::kPressedAgainSettle);
    m_dispatcher.runUntilIdle();
    EXPECT_TRUE(m_panel.visible);
    EXPECT_EQ(shows(), 2);

    m_panel.visible = false; // Escape handled first, the focus not back on Sketch yet
    focus(R"({"title": "Tavolin", "pid": 6100, "appName": "tavolin", "menuBar": []})");
    pressShortcut();
    EXPECT_TRUE(m_panel.visible);
    EXPECT_EQ(shows(), 3);
    EXPECT_EQ(m_shell.currentApp()->pid(), sketch);
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_EQ(titlesOf(m_menus->all()), kSketchRows);
}

TEST_F(CommandPaletteTest, WelcomeWindowGetsTheShortcutItself)
{
    start();
    focus(kSketch);
    m_shell.welcomeFocused = true;
    pressShortcut();
    EXPECT_EQ(shows(), 0);
    ASSERT_EQ(m_keyPoster.posts().size(), 1u);
    EXPECT_EQ(m_keyPoster.posts().front().pid, static_cast<int32_t>(QCoreApplication::applicationPid()));
}

// Without accessibility, a focused application or an enabled controller, the press shows nothing and posts
// nothing.
TEST_F(CommandPaletteTest, APressThatCannotBeServedShowsNothing)
{
    start();
    focus(kSketch);
    m_source->setTrusted(false);
    pressShortcut();
    EXPECT_EQ(m_shell.requests, QStringList{u"accessibilityPanel"_qs});
    m_source->setTrusted(true);
    m_source->setFocusedApplication(std::nullopt);
    pressShortcut();
    EXPECT_EQ(logLines(u"cannot get nextApp, nextApp is nil"_qs).size(), 1);
    EXPECT_EQ(shows(), 0);
    focus(kSketch);
    m_palette->setEnabled(false);
    m_panel.requests.clear();
    pressShortcut();
    EXPECT_TRUE(m_panel.requests.isEmpty());
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_EQ(m_shell.requests.size(), 1);
}

TEST_F(CommandPaletteTest, WatcherCallsForAnotherProviderAreIgnored)
{
    start();
    OptionDataProvider other(m_shell, m_themes, m_dispatcher, u"1.0"_qs);
    m_palette->onShow(other);
    m_palette->onBypass(other);
    EXPECT_EQ(shows(), 0);
    m_palette->onShow(*m_menus);
    EXPECT_EQ(shows(), 1);
}

TEST_F(CommandPaletteTest, ForcedShowWaitsForTheApplicationOnlySoLong)
{
    start();
    focus(kSketch);
    m_dispatcher.holdBackground(true); // the application is still being found
    m_palette->show(true);
    m_dispatcher.advance(CommandPalette::kForcedShowWait - 1ms);
    EXPECT_EQ(shows(), 0);
    m_dispatcher.advance(1ms);
    EXPECT_EQ(shows(), 1);
    EXPECT_TRUE(m_menus->all().isEmpty());

    // Found at last: the open panel fills in.
    m_dispatcher.holdBackground(false);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(shows(), 1);
    EXPECT_TRUE(m_panel.requests.contains(u"refresh:Sketch"_qs));
    EXPECT_EQ(titlesOf(m_menus->all()), kSketchRows);
}

TEST_F(CommandPaletteTest, OnlyTheLatestShowGoesOn)
{
    start();
    focus(kWriter);
    m_dispatcher.holdBackground(true);
    m_palette->show(false);
    focus(kSketch);
    m_palette->show(false);
    m_dispatcher.holdBackground(false);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.requests.filter(u"refresh:"_qs), QStringList{u"refresh:Sketch"_qs});
    EXPECT_EQ(shows(), 1);
}

// Stopped before the key: the panel opens all the same, with the history, and says the application does not
// answer. What could not be read proves nothing: the history and the rules keep what they had.
TEST_F(CommandPaletteTest, ApplicationThatDoesNotAnswerGetsThePanelWithItsHistory)
{
    expectPanelOverStoppedApplication(false);
}

TEST_F(CommandPaletteTest, ForcedShowOverAnApplicationThatDoesNotAnswerGetsThePanelWithItsHistory)
{
    expectPanelOverStoppedApplication(true);
}

// Screen 1920x1080 at (100, 50), window 600 wide, rows 40 high: a window of full list height is centred.
TEST_F(CommandPaletteTest, CalcFrameCentresAWindowOfFullListHeight)
{
    const struct { const char *name; QJsonValue listNumber; PanelMode mode; QPoint origin; } cases[] = {
        {"default seven rows", QJsonValue(), PanelMode::CommandPalette, QPoint(760, 450)},
        {"ten rows", 10, PanelMode::CommandPalette, QPoint(760, 390)},
        {"quick open always nine", 10, PanelMode::QuickOpen, QPoint(760, 410)},
    };
    start();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.listNumber.isUndefined())
            m_settings.setValue(settings::kListNumber, c.listNumber);
        m_dataSource.setMode(c.mode);
        EXPECT_EQ(m_palette->calcFrame(QRect(0, 0, 600, 400), QRect(100, 50, 1920, 1080)), c.origin);
    }
}

TEST_F(CommandPaletteTest, AShowJustUnderTwoSecondsIsNotReportedAsSlow)
{
    expectSlowShowLog(2'000'500'000ns, {});
}

TEST_F(CommandPaletteTest, AShowJustOverTwoSecondsIsReportedAsSlow)
{
    expectSlowShowLog(2'001'000'000ns, {u"usage event slow: desc=show-org.example.Sketch delay=2"_qs});
}

TEST_F(CommandPaletteTest, WarmUpAsksForTheFocusedApplicationEveryTenMinutes)
{
    start();
    focus(kSketch);
    const int64_t before = m_source->requestCount();
    m_dispatcher.advance(599s);
    EXPECT_EQ(m_source->requestCount(), before);
    m_dispatcher.advance(1s);
    const int64_t afterOne = m_source->requestCount();
    EXPECT_GT(afterOne, before);
    m_dispatcher.advance(600s);
    EXPECT_GT(m_source->requestCount(), afterOne);
    EXPECT_EQ(shows(), 0);

    m_palette.reset();
    const int64_t stopped = m_source->requestCount();
    m_dispatcher.advance(1200s);
    EXPECT_EQ(m_source->requestCount(), stopped);
}

TEST_F(CommandPaletteTest, OptionAndThemeCommandsShowThePanelInOptionMode)
{
    start();
    CommandChannel::send(m_settings, CommandInterpreter::ShowOptionCommand);
    EXPECT_EQ(m_panel.requests, (QStringList{u"show"_qs, u"mode:2"_qs}));
    EXPECT_FALSE(m_settings.contains(settings::kCommand));
    m_panel.requests.clear();
    CommandChannel::send(m_settings, CommandInterpreter::ShowThemeCommand);
    EXPECT_EQ(m_panel.requests, (QStringList{u"show"_qs, u"mode:2"_qs, u"expand:Themes"_qs}));
}

TEST_F(CommandPaletteTest, CommandsReachTheExtensionsAndTheHistory)
{
    start();
    m_extensions->updateExtensions(
        PluginDataItem::jsonFromArray({PluginDataItem(u"sketch.app"_qs, u"Export"_qs, u"export.sh"_qs)}), u"sketch.app"_qs);
    showOver(kSketch);
    ASSERT_EQ(titlesOf(m_menus->topLevels()).last(), u"Extensions"_qs);
    m_menus->addRecent(*m_menus->all().first());

    CommandChannel::send(m_settings, CommandInterpreter::UpdateExtensionsCommand, {u"sketch.app"_qs, u"[]"_qs});
    EXPECT_TRUE(m_extensions->getExtentions(u"sketch.app"_qs).isEmpty());
    CommandChannel::send(m_settings, CommandInterpreter::ClearHistory);
    EXPECT_TRUE(m_history.get(u"Sketch"_qs)->recents().isEmpty());
    EXPECT_FALSE(m_settings.contains(settings::kCommand));
}

} // namespace
} // namespace tavolin
