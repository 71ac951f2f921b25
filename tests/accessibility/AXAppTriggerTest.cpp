// The trigger decision: whether the palette serves an application, from its rule, the forced flag, and the
// palette's own shortcut found in its menus.
#include "AxTestSupport.h"

#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::json;

enum class Conflict { None, AppMenuOwnItem, AppMenuOtherItem, FileMenu, EditMenu, FileAndEditMenus, DisabledItem };

// How the bar starts: with a system menu and the application menu after it, or, as on Linux, with neither.
enum class Layout { WithApplicationMenu, Linux };

const KeyData kPaletteKey(u"P"_s, 0, keymask::kShift);
constexpr auto kBundle = "org.example.Tool";

// The application's own menus File, Edit and View (with the system and application menus before them in the
// first layout); the conflicting item (the palette's shortcut) goes where the case says.
QJsonObject application(Conflict conflict, Layout layout)
{
    auto item = [](const char *title, bool enabled = true) {
        QJsonObject o{{"title", QString::fromUtf8(title)}, {"cmdChar", "P"}, {"modifiers", 1}};
        if (!enabled)
            o[u"enabled"_s] = false;
        return o;
    };
    QJsonArray app{json(R"({"title": "About Tool"})"), json(R"({"title": "Settings", "cmdChar": ",", "modifiers": 0})")};
    QJsonArray file{json(R"({"title": "New", "cmdChar": "N", "modifiers": 0})")};
    QJsonArray edit{json(R"({"title": "Undo", "cmdChar": "Z", "modifiers": 0})")};
    QJsonArray view{json(R"({"title": "Zoom In", "cmdChar": "+", "modifiers": 0})")};
    if (conflict == Conflict::AppMenuOwnItem)
        app.append(item("Tavolin: Command Palette"));
    if (conflict == Conflict::AppMenuOtherItem)
        app.append(item("Print"));
    if (conflict == Conflict::FileMenu || conflict == Conflict::FileAndEditMenus)
        file.append(item("Print"));
    if (conflict == Conflict::EditMenu || conflict == Conflict::FileAndEditMenus)
        edit.append(item("Paste Plain"));
    if (conflict == Conflict::DisabledItem)
        file.append(item("Print", false));
    QJsonArray bar;
    if (layout == Layout::WithApplicationMenu) {
        bar.append(QJsonObject{{"title", "System"}, {"menu", QJsonArray{json(R"({"title": "About This Computer"})")}}});
        bar.append(QJsonObject{{"title", "Tool"}, {"menu", app}});
    }
    bar.append(QJsonObject{{"title", "File"}, {"menu", file}});
    bar.append(QJsonObject{{"title", "Edit"}, {"menu", edit}});
    bar.append(QJsonObject{{"title", "View"}, {"menu", view}});
    return QJsonObject{{"title", "Tool"}, {"pid", 300}, {"appName", "tool"}, {"bundleIdentifier", kBundle}, {"menuBar", bar}};
}

// What a load records: nothing, or a decision (kept as the rule's "safe" flag and told to the watcher).
enum class Recorded { Nothing, Served, Bypassed };

struct TriggerCase
{
    const char *name;
    std::optional<bool> rule; // true "allow", false "disabled", none "auto"
    bool forced;
    Conflict conflict;
    bool useDefaultHotKey;
    bool paletteShortcutSet;
    std::optional<bool> shouldTrigger;
    Recorded recorded;
    bool readsSubmenus = true;
};

class TriggerTest : public ::testing::TestWithParam<TriggerCase>
{
protected:
    void check(Layout layout)
    {
        const TriggerCase &c = GetParam();
        auto source = std::make_shared<FakeElementSource>();
        source->setMenuBarStartsWithSystemMenu(layout == Layout::WithApplicationMenu);
        ASSERT_TRUE(source->addApplication(application(c.conflict, layout)));
        test::HookState hooks;
        hooks.rule = c.rule;
        hooks.forced = c.forced;
        hooks.useDefaultHotKey = c.useDefaultHotKey;
        if (c.paletteShortcutSet)
            hooks.paletteShortcut = test::shortcutText(kPaletteKey);
        auto watcher = std::make_shared<test::RecordingWatcher>();

        AXAppPtr app = AXApp::create(source, dispatcher, hooks.hooks(), source->applicationElement(300));
        app->setWatcher(watcher);
        app->loadMenus(MenuLoad::MenusOnly);
        dispatcher.runUntilIdle();

        const bool decided = c.recorded != Recorded::Nothing;
        const bool served = c.recorded == Recorded::Served;
        EXPECT_EQ(app->shouldTrigger(), c.shouldTrigger);
        EXPECT_EQ(app->isLoaded(), served);
        EXPECT_EQ(hooks.updates(), decided ? QStringList{u"org.example.Tool:%1"_s.arg(served)} : QStringList());
        EXPECT_EQ(watcher->eventsStartingWith(u"trigger:"_s),
                  decided ? QStringList{u"trigger:%1"_s.arg(served)} : QStringList());
        const qsizetype menus = layout == Layout::WithApplicationMenu ? 4 : 3;
        EXPECT_EQ(watcher->eventsStartingWith(u"item:"_s).size(), c.readsSubmenus ? menus : 0);
        EXPECT_EQ(watcher->eventsStartingWith(u"finished"_s).size(), c.readsSubmenus ? 1 : 0);
    }

    test::ManualDispatcher dispatcher;
};

// Cases that read the same on both layouts: the application's own menus begin with File either way.
class OwnMenusTriggerTest : public TriggerTest
{
};

TEST_P(OwnMenusTriggerTest, OnLinuxMenuBars) { check(Layout::Linux); }
TEST_P(OwnMenusTriggerTest, OnMenuBarsWithAnApplicationMenu) { check(Layout::WithApplicationMenu); }

// Cases about the application menu, which only bars with a system menu have.
class ApplicationMenuTriggerTest : public TriggerTest
{
};

TEST_P(ApplicationMenuTriggerTest, OnMenuBarsWithAnApplicationMenu) { check(Layout::WithApplicationMenu); }

constexpr auto kAuto = std::nullopt;
constexpr auto kNothing = Recorded::Nothing;
constexpr auto kServed = Recorded::Served;
constexpr auto kBypassed = Recorded::Bypassed;

INSTANTIATE_TEST_SUITE_P(
    Cases, OwnMenusTriggerTest,
    ::testing::Values(
        TriggerCase{"AllowReadsEverythingAndRecordsNothing", true, false, Conflict::None, false, true, true, kNothing},
        TriggerCase{"DisabledReadsOnlyTheMenuBar", false, false, Conflict::None, false, true, false, kNothing, false},
        TriggerCase{"AutoWithoutConflictIsServedAfterTheLastMenu", kAuto, false, Conflict::None, false, true, true, kServed},
        TriggerCase{"ForcedOverridesDisabledAndRecordsNothing", false, true, Conflict::None, false, true, true, kNothing},
        TriggerCase{"ForcedAutoRecordsNothing", kAuto, true, Conflict::FileMenu, false, true, true, kNothing},
        TriggerCase{"ConflictInTheFirstOwnMenuWithDefaultShortcutServes", kAuto, false, Conflict::FileMenu, true, true, true,
                    kServed},
        TriggerCase{"ConflictInTheFirstOwnMenuWithChosenShortcutBypasses", kAuto, false, Conflict::FileMenu, false, true,
                    false, kBypassed},
        TriggerCase{"ConflictInALaterMenuBypassesEvenWithDefaultShortcut", kAuto, false, Conflict::EditMenu, true, true,
                    false, kBypassed},
        TriggerCase{"OnlyTheFirstConflictDecides", kAuto, false, Conflict::FileAndEditMenus, true, true, true, kServed},
        // "allow" is the user's word: an item on the palette's key never takes the key from the panel.
        TriggerCase{"ConflictInTheFirstOwnMenuOfAnAllowedAppIsNotLookedAt", true, false, Conflict::FileMenu, false, true,
                    true, kNothing},
        TriggerCase{"ConflictInALaterMenuOfAnAllowedAppIsNotLookedAt", true, false, Conflict::EditMenu, false, true, true,
                    kNothing},
        TriggerCase{"DisabledConflictingItemDoesNotCount", kAuto, false, Conflict::DisabledItem, false, true, true, kServed},
        TriggerCase{"UnsetPaletteShortcutNeverMatches", kAuto, false, Conflict::EditMenu, false, false, true, kServed}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplicationMenuTriggerTest,
    ::testing::Values(
        TriggerCase{"OwnItemServesEvenAnAllowedApp", true, false, Conflict::AppMenuOwnItem, false, true, true, kServed},
        TriggerCase{"OwnItemServesAutoApp", kAuto, false, Conflict::AppMenuOwnItem, false, true, true, kServed},
        TriggerCase{"OtherItemBypasses", kAuto, false, Conflict::AppMenuOtherItem, true, true, false, kBypassed},
        TriggerCase{"OtherItemBypassesAnAllowedApp", true, false, Conflict::AppMenuOtherItem, false, true, false, kBypassed},
        TriggerCase{"ForcedKeepsServingDespiteTheConflict", kAuto, true, Conflict::AppMenuOtherItem, false, true, true,
                    kNothing}),
    [](const auto &info) { return std::string(info.param.name); });

class AXAppShapeTest : public ::testing::Test
{
protected:
    AXAppPtr load(const QJsonObject &description)
    {
        const auto pid = source->addApplication(description);
        EXPECT_TRUE(pid);
        AXAppPtr app = AXApp::create(source, dispatcher, hooks.hooks(), source->applicationElement(pid.value_or(0)));
        app->setWatcher(watcher);
        app->loadMenus(MenuLoad::MenusOnly);
        return app;
    }

    test::ManualDispatcher dispatcher;
    std::shared_ptr<FakeElementSource> source = std::make_shared<FakeElementSource>();
    test::HookState hooks;
    std::shared_ptr<test::RecordingWatcher> watcher = std::make_shared<test::RecordingWatcher>();
};

// However many menus the bar has, a load that ends without a conflict decides: one menu, a system menu and
// one menu, or none at all; one menu holding the palette's key decides by its item. An application that does
// not answer is served with an empty bar (the panel can say so) and its name from its desktop entry, without
// a decision its menus never backed; one without a menu bar is not served.
TEST_F(AXAppShapeTest, EachShapeOfBarDecidesWhenItsLoadEnds)
{
    const struct
    {
        const char *name;
        bool systemMenu;
        const char *description;
        QStringList events;
        std::optional<bool> shouldTrigger;
        bool loaded;
        QStringList updates;
    } shapes[] = {
        {"one menu", false, R"({"pid": 301, "title": "A", "menuBar": [{"title": "File", "menu": [{"title": "New"}]}]})",
         {"menu:1", "item:0:File:1", "trigger:1", "finished"}, true, true, {"-:1"}},
        {"system menu and one menu", true,
         R"({"pid": 302, "title": "B", "menuBar": [{"title": "System", "menu": [{"title": "About"}]},
                                                   {"title": "File", "menu": [{"title": "New"}]}]})",
         {"menu:1", "item:0:File:1", "trigger:1", "finished"}, true, true, {"-:1"}},
        {"empty bar", false, R"({"pid": 305, "title": "C", "menuBar": []})", {"menu:0", "trigger:1", "finished"}, true, true,
         {"-:1"}},
        {"one menu holding the palette's key", false, R"({"pid": 306, "title": "D", "menuBar": [
            {"title": "File", "menu": [{"title": "Print Preview", "cmdChar": "P", "modifiers": 1}]}]})",
         {"menu:1", "item:0:File:1", "trigger:0", "finished"}, false, false, {"-:0"}},
        {"not answering", false, R"({"pid": 307, "title": "Stopped", "hang": true,
            "menuBar": [{"title": "File", "menu": [{"title": "Print", "cmdChar": "P", "modifiers": 1}]}]})",
         {"menu:0", "trigger:1", "finished"}, true, true, {}},
        {"no menu bar", false, R"({"pid": 304, "title": "Panel"})", {}, false, false, {}},
    };
    source->setRealTime(false);
    hooks.paletteShortcut = test::shortcutText(kPaletteKey);
    for (const auto &shape : shapes) {
        SCOPED_TRACE(shape.name);
        source->setMenuBarStartsWithSystemMenu(shape.systemMenu);
        watcher->clear();
        hooks.ruleUpdates.clear();
        const QJsonObject description = json(shape.description);
        AXAppPtr app = load(description);
        dispatcher.runUntilIdle();
        EXPECT_EQ(watcher->events(), shape.events);
        EXPECT_EQ(app->shouldTrigger(), shape.shouldTrigger);
        EXPECT_EQ(app->isLoaded(), shape.loaded);
        EXPECT_EQ(hooks.updates(), shape.updates);
        EXPECT_EQ(app->isAnswering(), !description.contains(u"hang"_s));
        EXPECT_EQ(app->name(), description[u"title"_s].toString());
        EXPECT_EQ(bool(app->menu()), description.contains(u"menuBar"_s));
    }
}

TEST_F(AXAppShapeTest, AllowedAppDeliversFromTheEventLoop)
{
    hooks.rule = true;
    AXAppPtr app = load(application(Conflict::None, Layout::Linux));
    EXPECT_TRUE(watcher->events().isEmpty());
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->events().value(0), u"menu:3"_s);
    EXPECT_EQ(watcher->events().last(), u"finished"_s);
}

TEST_F(AXAppShapeTest, CounterReachesZeroExactlyOnce)
{
    AXAppPtr app = load(application(Conflict::None, Layout::Linux));
    // The menu bar, handed over on the main thread, the first menu read in the background, counted down.
    for (int step = 0; step < 4; ++step)
        ASSERT_TRUE(dispatcher.runNext()) << step;
    EXPECT_EQ(app->parseCounter(), 2);
    dispatcher.runUntilIdle();
    EXPECT_EQ(app->parseCounter(), 0);
    EXPECT_EQ(watcher->eventsStartingWith(u"finished"_s).size(), 1);
    EXPECT_EQ(watcher->events().last(), u"finished"_s);
}

} // namespace
} // namespace tavolin
