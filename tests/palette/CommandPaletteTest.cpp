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
    void expectPanelOverStoppedApplication(bool force)
    {
        const AppMenuHistoryItemsPtr history = m_history.get(u"Stopped"_qs);
        history->addItem(std::make_shared<const MenuHistoryItem>(u"Export"_qs, QStringList{u"File"_qs}, std::nullopt, false));
        m_source->setRealTime(false);
        start();
        focus(kStopped);
        m_palette->show(force);
        m_dispatcher.runUntilIdle();
        EXPECT_EQ(m_panel.count(u"show"_qs), 1);
        EXPECT_EQ(titlesOf(m_menus->all()), QStringList{u"Export"_qs});
        EXPECT_EQ(m_menus->inputHint(), u"Stopped is not answering"_qs);
        EXPECT_EQ(m_history.get(u"Stopped"_qs)->recents().size(), 1);
        EXPECT_EQ(m_rules->ruleForApp(u"org.example.Stopped"_qs), AppRule::Auto);
        EXPECT_TRUE(m_keyPoster.posts().empty());
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
// menu check still compares with the key that now opens the palette.
TEST_F(CommandPaletteTest, AShortcutChangedByAnotherWriterIsTheOneRecognisedInMenus)
{
    start();
    SettingsDomain other(kDomain);
    other.setValue(settings::kPaletteShortcut, u"cmd+shift+k"_qs);
    m_settings.reload(); // what the folder watcher does
    EXPECT_EQ(m_settings.stringValue(settings::kPaletteShortcutString), u"⇧⌘K"_qs);

    focus(kWriter);
    pressShortcut();
    EXPECT_EQ(m_source->performed(), QStringList{u"Insert Link:AXPress"_qs});
}

TEST_F(CommandPaletteTest, ShortcutTakenElsewhereIsReportedToTheUser)
{
    m_grabber.takenElsewhere(kDefaultShortcut, u"held by another program"_qs);
    start();
    ASSERT_EQ(m_notifier.shown().size(), 1u);
    EXPECT_TRUE(m_notifier.shown().front().text.contains(u"held by another program"_qs));
    EXPECT_EQ(m_notifier.shown().front().kind, Notifier::ErrorKind::Shortcut);
}

TEST_F(CommandPaletteTest, AutoApplicationWhoseSecondMenuUsesThePaletteShortcutGetsItsOwnCommandPressed)
{
    m_settings.setValue(settings::kPaletteShortcut, u"cmd+shift+k"_qs);
    start();
    const int32_t writer = focus(kWriter);
    pressShortcut();
    EXPECT_EQ(m_source->performed(), QStringList{u"Insert Link:AXPress"_qs});
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);

    // The decision is remembered for the application; the next press hands the key combination on.
    pressShortcut();
    ASSERT_EQ(m_keyPoster.posts().size(), 1u);
    EXPECT_EQ(m_keyPoster.posts().front().pid, writer);
    EXPECT_EQ(m_keyPoster.posts().front().shortcut, kCustomShortcut);
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);
}

TEST_F(CommandPaletteTest, AutoApplicationWithTheDefaultShortcutInItsFirstMenuIsStillServed)
{
    start();
    focus(kWriter);
    pressShortcut();
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    EXPECT_TRUE(m_source->performed().isEmpty());
    EXPECT_TRUE(m_keyPoster.posts().empty());
}

TEST_F(CommandPaletteTest, AutoApplicationWithoutConflictIsShownOnceEveryMenuIsRead)
{
    start();
    focus(kSketch);
    m_settings.setValue(settings::kAppRules, QJsonArray());
    m_palette->show(false);
    EXPECT_EQ(m_panel.count(u"show"_qs), 0); // "auto": the menus decide
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Crop"_qs, u"Rotate"_qs, u"Blur"_qs}));
}

TEST_F(CommandPaletteTest, ForcedShowOverADisabledApplicationOpensThePanelWithItsMenus)
{
    start();
    focus(kCoder);
    m_palette->show(true);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    EXPECT_TRUE(m_panel.requests.contains(u"refresh:Coder"_qs));
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Format"_qs, u"Palette"_qs}));
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_TRUE(m_source->performed().isEmpty());
}

TEST_F(CommandPaletteTest, AllowedApplicationShowsHistoryFirstThenLiveRowsAndDropsTheLeftover)
{
    const AppMenuHistoryItemsPtr history = m_history.get(u"Sketch"_qs);
    history->addItem(std::make_shared<const MenuHistoryItem>(u"Sharpen"_qs, QStringList{u"Filter"_qs}, std::nullopt, false));
    history->addItem(std::make_shared<const MenuHistoryItem>(u"Blur"_qs, QStringList{u"Filter"_qs}, std::nullopt, false));
    start();
    focus(kSketch);
    m_palette->show(false);
    ASSERT_TRUE(m_dispatcher.runNext()); // the application is found
    ASSERT_TRUE(m_dispatcher.runNext()); // and prepared on the main thread; its menu bar is not read yet
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Blur"_qs, u"Sharpen"_qs}));
    EXPECT_EQ(m_panel.requests.filter(u"icon:"_qs), QStringList{u"icon:none"_qs}); // the description has no icon

    m_dispatcher.runUntilIdle();
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Crop"_qs, u"Rotate"_qs, u"Blur"_qs}));
    EXPECT_TRUE(m_menus->all().at(2)->ref());
    EXPECT_EQ(m_menus->all().at(2)->historyIndex(), 0);
    EXPECT_GE(m_panel.count(u"update"_qs), 2);
    ASSERT_EQ(m_history.get(u"Sketch"_qs)->recents().size(), 1);
    EXPECT_EQ(m_history.get(u"Sketch"_qs)->recents().first()->title(), u"Blur"_qs);
}

TEST_F(CommandPaletteTest, SameApplicationAgainDoesNotRefreshThePanel)
{
    start();
    focus(kSketch);
    m_palette->show(false);
    m_dispatcher.runUntilIdle();
    m_panel.visible = false;
    m_palette->show(false);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.requests.filter(u"refresh:"_qs), QStringList{u"refresh:Sketch"_qs});
    EXPECT_EQ(m_panel.count(u"show"_qs), 2);
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
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    ASSERT_EQ(m_keyPoster.posts().size(), 1u);
    EXPECT_EQ(m_keyPoster.posts().front().pid, sketch);
}

TEST_F(CommandPaletteTest, ForcedWhileOpenOnlyCloses)
{
    start();
    focus(kSketch);
    m_palette->show(true);
    m_dispatcher.runUntilIdle();
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
    EXPECT_EQ(m_panel.count(u"show"_qs), 2);

    m_panel.visible = false; // Escape handled first, the focus not back on Sketch yet
    focus(R"({"title": "Tavolin", "pid": 6100, "appName": "tavolin", "menuBar": []})");
    pressShortcut();
    EXPECT_TRUE(m_panel.visible);
    EXPECT_EQ(m_panel.count(u"show"_qs), 3);
    EXPECT_EQ(m_shell.currentApp()->pid(), sketch);
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Crop"_qs, u"Rotate"_qs, u"Blur"_qs}));
}

TEST_F(CommandPaletteTest, WelcomeWindowGetsTheShortcutItself)
{
    start();
    focus(kSketch);
    m_shell.welcomeFocused = true;
    pressShortcut();
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);
    ASSERT_EQ(m_keyPoster.posts().size(), 1u);
    EXPECT_EQ(m_keyPoster.posts().front().pid, static_cast<int32_t>(QCoreApplication::applicationPid()));
}

TEST_F(CommandPaletteTest, WithoutAccessibilityTheRequestWindowIsShownAndNothingElse)
{
    start();
    focus(kSketch);
    m_source->setTrusted(false);
    pressShortcut();
    EXPECT_EQ(m_shell.requests, QStringList{u"accessibilityPanel"_qs});
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);
    EXPECT_TRUE(m_keyPoster.posts().empty());
}

TEST_F(CommandPaletteTest, WithoutAFocusedApplicationNothingHappens)
{
    start();
    m_source->setFocusedApplication(std::nullopt);
    pressShortcut();
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);
    EXPECT_TRUE(m_keyPoster.posts().empty());
    EXPECT_EQ(logLines(u"cannot get nextApp, nextApp is nil"_qs).size(), 1);
}

TEST_F(CommandPaletteTest, DisabledControllerIgnoresTheShortcut)
{
    start();
    focus(kSketch);
    m_palette->setEnabled(false);
    pressShortcut();
    EXPECT_TRUE(m_panel.requests.isEmpty());
}

TEST_F(CommandPaletteTest, WatcherCallsForAnotherProviderAreIgnored)
{
    start();
    OptionDataProvider other(m_shell, m_themes, m_dispatcher, u"1.0"_qs);
    m_palette->onShow(other);
    m_palette->onBypass(other);
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);
    m_palette->onShow(*m_menus);
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
}

TEST_F(CommandPaletteTest, ShowAsksTheApplicationNothingOnTheMainThread)
{
    start();
    focus(kSketch);
    const int64_t before = m_source->requestCount();
    m_palette->show(false);
    EXPECT_EQ(m_source->requestCount(), before);
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Crop"_qs, u"Rotate"_qs, u"Blur"_qs}));
}

TEST_F(CommandPaletteTest, ForcedShowWaitsForTheApplicationOnlySoLong)
{
    start();
    focus(kSketch);
    m_dispatcher.holdBackground(true); // the application is still being found
    m_palette->show(true);
    m_dispatcher.advance(CommandPalette::kForcedShowWait - 1ms);
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);
    m_dispatcher.advance(1ms);
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    EXPECT_TRUE(m_menus->all().isEmpty());

    // Found at last: the open panel fills in.
    m_dispatcher.holdBackground(false);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
    EXPECT_TRUE(m_panel.requests.contains(u"refresh:Sketch"_qs));
    EXPECT_EQ(titlesOf(m_menus->all()), (QStringList{u"Crop"_qs, u"Rotate"_qs, u"Blur"_qs}));
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
    EXPECT_EQ(m_panel.count(u"show"_qs), 1);
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

struct FrameCase
{
    const char *name;
    QJsonValue listNumber;
    PanelMode mode;
    QPoint origin;
};

class CalcFrameTest : public CommandPaletteTest, public ::testing::WithParamInterface<FrameCase>
{};

// Screen 1920x1080 at (100, 50), window 600 wide, rows 40 high.
TEST_P(CalcFrameTest, CentresAWindowOfFullListHeight)
{
    start();
    if (!GetParam().listNumber.isUndefined())
        m_settings.setValue(settings::kListNumber, GetParam().listNumber);
    m_dataSource.setMode(GetParam().mode);
    EXPECT_EQ(m_palette->calcFrame(QRect(0, 0, 600, 400), QRect(100, 50, 1920, 1080)), GetParam().origin);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, CalcFrameTest,
    ::testing::Values(FrameCase{"DefaultSevenRows", QJsonValue(), PanelMode::CommandPalette, QPoint(760, 450)},
                      FrameCase{"TenRows", 10, PanelMode::CommandPalette, QPoint(760, 390)},
                      FrameCase{"QuickOpenAlwaysNine", 10, PanelMode::QuickOpen, QPoint(760, 410)}),
    [](const ::testing::TestParamInfo<FrameCase> &info) { return std::string(info.param.name); });

TEST_F(CommandPaletteTest, PanelOnAnotherScreenMovesToTheMainScreen)
{
    start();
    focus(kSketch);
    m_panel.screen = QRect(1920, 0, 1280, 1024);
    m_palette->show(false);
    m_dispatcher.runUntilIdle();
    EXPECT_TRUE(m_panel.requests.contains(u"move:660,400"_qs));
    m_panel.visible = false;
    m_panel.screen = m_panel.mainScreen;
    m_palette->show(false);
    m_dispatcher.runUntilIdle();
    EXPECT_EQ(m_panel.requests.filter(u"move:"_qs).size(), 1);
}

struct TimingCase
{
    const char *name;
    std::chrono::nanoseconds elapsed;
    const char *slowLine; // "" when no usage event is expected
};

class TimingTest : public CommandPaletteTest, public ::testing::WithParamInterface<TimingCase>
{};

TEST_P(TimingTest, ReportsSlowShowsOnlyAboveTwoSeconds)
{
    start();
    m_settings.setValue(settings::kAppRules, QJsonArray()); // "auto": shown once the menus are read
    focus(kSketch);
    m_palette->show(false);
    ASSERT_EQ(m_panel.count(u"show"_qs), 0);
    m_now += GetParam().elapsed;
    m_dispatcher.runUntilIdle();
    ASSERT_EQ(m_panel.count(u"show"_qs), 1);
    const QStringList slow = logLines(u"usage event slow"_qs);
    if (QString::fromUtf8(GetParam().slowLine).isEmpty())
        EXPECT_TRUE(slow.isEmpty()) << slow.join(u'\n').toStdString();
    else
        EXPECT_EQ(slow, QStringList{QString::fromUtf8(GetParam().slowLine)});
}

INSTANTIATE_TEST_SUITE_P(
    Elapsed, TimingTest,
    ::testing::Values(TimingCase{"JustUnderTheLimit", 2'000'500'000ns, ""},
                      TimingCase{"JustOverTheLimit", 2'001'000'000ns, "usage event slow: desc=show-org.example.Sketch delay=2"}),
    [](const ::testing::TestParamInfo<TimingCase> &info) { return std::string(info.param.name); });

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
    EXPECT_EQ(m_panel.count(u"show"_qs), 0);

    m_palette.reset();
    const int64_t stopped = m_source->requestCount();
    m_dispatcher.advance(1200s);
    EXPECT_EQ(m_source->requestCount(), stopped);
}

TEST_F(CommandPaletteTest, ShowOptionCommandShowsThePanelInOptionMode)
{
    start();
    CommandChannel::send(m_settings, CommandInterpreter::ShowOptionCommand);
    EXPECT_EQ(m_panel.requests, (QStringList{u"show"_qs, u"mode:2"_qs}));
    EXPECT_FALSE(m_settings.contains(settings::kCommand));
}

TEST_F(CommandPaletteTest, ShowThemeCommandEntersTheThemeRows)
{
    start();
    CommandChannel::send(m_settings, CommandInterpreter::ShowThemeCommand);
    EXPECT_EQ(m_panel.requests, (QStringList{u"show"_qs, u"mode:2"_qs, u"expand:Themes"_qs}));
}

TEST_F(CommandPaletteTest, CommandsReachTheExtensionsAndTheHistory)
{
    start();
    m_extensions->updateExtensions(
        PluginDataItem::jsonFromArray({PluginDataItem(u"sketch.app"_qs, u"Export"_qs, u"export.sh"_qs)}), u"sketch.app"_qs);
    focus(kSketch);
    m_palette->show(false);
    m_dispatcher.runUntilIdle();
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
