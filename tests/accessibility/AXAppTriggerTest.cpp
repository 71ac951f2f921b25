// The trigger decision: whether the palette serves an application, from its rule, the forced flag, and the
// palette's own shortcut found in its menus.
#include "AxTestSupport.h"

#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::json;

enum class Conflict { None, AppMenuOwnItem, AppMenuOtherItem, FileMenu, EditMenu, FileAndEditMenus, DisabledItem };

// How the bar starts: with a system menu and the application menu after it, or, as on Linux, with neither.
enum class Layout { WithApplicationMenu, Linux };

const KeyData kPaletteKey(QStringLiteral("P"), 0, keymask::kShift);
constexpr auto kBundle = "org.example.Tool";

// The application's own menus File, Edit and View (with the system and application menus before them in the
// first layout); the conflicting item (the palette's shortcut) goes where the case says.
QJsonObject application(Conflict conflict, Layout layout)
{
    auto item = [](const char *title, bool enabled = true) {
        QJsonObject o{{"title", QString::fromUtf8(title)}, {"cmdChar", "P"}, {"modifiers", 1}};
        if (!enabled)
            o[QStringLiteral("enabled")] = false;
        return o;
    };
    QJsonArray app{json(R"({"title": "About Tool"})"), json(R"({"title": "Settings", "cmdChar": ",", "modifiers": 0})")};
    QJsonArray file{json(R"({"title": "New", "cmdChar": "N", "modifiers": 0})")};
    QJsonArray edit{json(R"({"title": "Undo", "cmdChar": "Z", "modifiers": 0})")};
    QJsonArray view{json(R"({"title": "Zoom In", "cmdChar": "+", "modifiers": 0})")};
    switch (conflict) {
    case Conflict::None:
        break;
    case Conflict::AppMenuOwnItem:
        app.append(item("Tavolin: Command Palette"));
        break;
    case Conflict::AppMenuOtherItem:
        app.append(item("Print"));
        break;
    case Conflict::FileMenu:
        file.append(item("Print"));
        break;
    case Conflict::EditMenu:
        edit.append(item("Paste Plain"));
        break;
    case Conflict::FileAndEditMenus:
        file.append(item("Print"));
        edit.append(item("Paste Plain"));
        break;
    case Conflict::DisabledItem:
        file.append(item("Print", false));
        break;
    }
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

struct TriggerCase
{
    const char *name;
    std::optional<bool> rule; // true "allow", false "disabled", none "auto"
    bool forced;
    Conflict conflict;
    bool useDefaultHotKey;
    bool paletteShortcutSet;
    std::optional<bool> shouldTrigger;
    bool isLoaded;
    QStringList ruleUpdates;
    QStringList triggerEvents;
    bool readsSubmenus;
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

        const qsizetype menus = layout == Layout::WithApplicationMenu ? 4 : 3;
        EXPECT_EQ(app->shouldTrigger(), c.shouldTrigger);
        EXPECT_EQ(app->isLoaded(), c.isLoaded);
        EXPECT_EQ(hooks.updates(), c.ruleUpdates);
        EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("trigger:")), c.triggerEvents);
        EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("item:")).size(), c.readsSubmenus ? menus : 0);
        EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), c.readsSubmenus ? 1 : 0);
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
const QString kSafe = QStringLiteral("org.example.Tool:1");
const QString kUnsafe = QStringLiteral("org.example.Tool:0");
const QStringList kServed{QStringLiteral("trigger:1")};
const QStringList kBypassed{QStringLiteral("trigger:0")};

INSTANTIATE_TEST_SUITE_P(
    Cases, OwnMenusTriggerTest,
    ::testing::Values(
        TriggerCase{"AllowReadsEverythingAndRecordsNothing", true, false, Conflict::None, false, true, true, false, {}, {}, true},
        TriggerCase{"DisabledReadsOnlyTheMenuBar", false, false, Conflict::None, false, true, false, false, {}, {}, false},
        TriggerCase{"AutoWithoutConflictIsServedAfterTheLastMenu", std::nullopt, false, Conflict::None, false, true, true, true,
                    {kSafe}, kServed, true},
        TriggerCase{"ForcedOverridesDisabledAndRecordsNothing", false, true, Conflict::None, false, true, true, false, {}, {}, true},
        TriggerCase{"ForcedAutoRecordsNothing", std::nullopt, true, Conflict::FileMenu, false, true, true, false, {}, {}, true},
        TriggerCase{"ConflictInTheFirstOwnMenuWithDefaultShortcutServes", std::nullopt, false, Conflict::FileMenu, true, true,
                    true, true, {kSafe}, kServed, true},
        TriggerCase{"ConflictInTheFirstOwnMenuWithChosenShortcutBypasses", std::nullopt, false, Conflict::FileMenu, false, true,
                    false, false, {kUnsafe}, kBypassed, true},
        TriggerCase{"ConflictInALaterMenuBypassesEvenWithDefaultShortcut", std::nullopt, false, Conflict::EditMenu, true, true,
                    false, false, {kUnsafe}, kBypassed, true},
        TriggerCase{"OnlyTheFirstConflictDecides", std::nullopt, false, Conflict::FileAndEditMenus, true, true, true, true,
                    {kSafe}, kServed, true},
        // "allow" is the user's word: an item on the palette's key never takes the key from the panel.
        TriggerCase{"ConflictInTheFirstOwnMenuOfAnAllowedAppIsNotLookedAt", true, false, Conflict::FileMenu, false, true,
                    true, false, {}, {}, true},
        TriggerCase{"ConflictInALaterMenuOfAnAllowedAppIsNotLookedAt", true, false, Conflict::EditMenu, false, true, true,
                    false, {}, {}, true},
        TriggerCase{"DisabledConflictingItemDoesNotCount", std::nullopt, false, Conflict::DisabledItem, false, true, true, true,
                    {kSafe}, kServed, true},
        TriggerCase{"UnsetPaletteShortcutNeverMatches", std::nullopt, false, Conflict::EditMenu, false, false, true, true,
                    {kSafe}, kServed, true}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplicationMenuTriggerTest,
    ::testing::Values(
        TriggerCase{"OwnItemServesEvenAnAllowedApp", true, false, Conflict::AppMenuOwnItem, false, true, true, true, {kSafe},
                    kServed, true},
        TriggerCase{"OwnItemServesAutoApp", std::nullopt, false, Conflict::AppMenuOwnItem, false, true, true, true, {kSafe},
                    kServed, true},
        TriggerCase{"OtherItemBypasses", std::nullopt, false, Conflict::AppMenuOtherItem, true, true, false, false, {kUnsafe},
                    kBypassed, true},
        TriggerCase{"OtherItemBypassesAnAllowedApp", true, false, Conflict::AppMenuOtherItem, false, true, false, false,
                    {kUnsafe}, kBypassed, true},
        TriggerCase{"ForcedKeepsServingDespiteTheConflict", std::nullopt, true, Conflict::AppMenuOtherItem, false, true, true,
                    false, {}, {}, true}),
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
// one menu, or none at all.
TEST_F(AXAppShapeTest, LoadsOfOneOrNoMenuDecideWhenTheyEnd)
{
    struct Shape
    {
        const char *name;
        bool systemMenu;
        const char *description;
        QStringList events;
    };
    const Shape shapes[] = {
        {"one menu", false, R"({"pid": 301, "menuBar": [{"title": "File", "menu": [{"title": "New"}]}]})",
         {"menu:1", "item:0:File:1", "trigger:1", "finished"}},
        {"system menu and one menu", true,
         R"({"pid": 302, "menuBar": [{"title": "System", "menu": [{"title": "About"}]},
                                     {"title": "File", "menu": [{"title": "New"}]}]})",
         {"menu:1", "item:0:File:1", "trigger:1", "finished"}},
        {"empty bar", false, R"({"pid": 305, "menuBar": []})", {"menu:0", "trigger:1", "finished"}},
    };
    for (const Shape &shape : shapes) {
        SCOPED_TRACE(shape.name);
        source->setMenuBarStartsWithSystemMenu(shape.systemMenu);
        watcher->clear();
        AXAppPtr app = load(json(shape.description));
        dispatcher.runUntilIdle();
        EXPECT_EQ(watcher->events(), shape.events);
        EXPECT_EQ(app->shouldTrigger(), true);
        EXPECT_TRUE(app->isLoaded());
    }
    EXPECT_EQ(hooks.updates(), (QStringList{"-:1", "-:1", "-:1"}));
}

TEST_F(AXAppShapeTest, OneMenuHoldingThePaletteKeyDecidesByItsItem)
{
    hooks.paletteShortcut = test::shortcutText(kPaletteKey);
    const char *const oneMenu = R"({"pid": 306, "menuBar": [
        {"title": "File", "menu": [{"title": "Print Preview", "cmdChar": "P", "modifiers": 1}]}]})";
    AXAppPtr app = load(json(oneMenu));
    dispatcher.runUntilIdle();
    EXPECT_EQ(app->shouldTrigger(), false);
    EXPECT_EQ(watcher->events(), (QStringList{"menu:1", "item:0:File:1", "trigger:0", "finished"}));
}

// Stopped: its name comes from its desktop entry, its bar is empty, and the palette serves it (the panel can
// say so) without recording a decision its menus never backed.
TEST_F(AXAppShapeTest, AnApplicationThatDoesNotAnswerIsServedWithAnEmptyBarAndNothingRecorded)
{
    source->setRealTime(false);
    hooks.paletteShortcut = test::shortcutText(kPaletteKey);
    AXAppPtr app = load(json(R"({"pid": 307, "title": "Stopped", "hang": true,
        "menuBar": [{"title": "File", "menu": [{"title": "Print", "cmdChar": "P", "modifiers": 1}]}]})"));
    dispatcher.runUntilIdle();
    EXPECT_FALSE(app->isAnswering());
    EXPECT_EQ(app->name(), QStringLiteral("Stopped"));
    EXPECT_EQ(watcher->events(), (QStringList{"menu:0", "trigger:1", "finished"}));
    EXPECT_EQ(app->shouldTrigger(), true);
    EXPECT_TRUE(hooks.updates().isEmpty());
}

TEST_F(AXAppShapeTest, NoMenuBarIsNotServed)
{
    AXAppPtr app = load(json(R"({"pid": 304, "title": "Panel"})"));
    dispatcher.runUntilIdle();
    EXPECT_EQ(app->shouldTrigger(), false);
    EXPECT_FALSE(app->menu());
    EXPECT_TRUE(watcher->events().isEmpty());
}

TEST_F(AXAppShapeTest, AllowedAppDeliversFromTheEventLoop)
{
    hooks.rule = true;
    AXAppPtr app = load(application(Conflict::None, Layout::Linux));
    EXPECT_TRUE(watcher->events().isEmpty());
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->events().value(0), QStringLiteral("menu:3"));
    EXPECT_EQ(watcher->events().last(), QStringLiteral("finished"));
}

TEST_F(AXAppShapeTest, CounterReachesZeroExactlyOnce)
{
    AXAppPtr app = load(application(Conflict::None, Layout::Linux));
    ASSERT_TRUE(dispatcher.runNext()); // the menu bar
    ASSERT_TRUE(dispatcher.runNext()); // handed over on the main thread
    ASSERT_TRUE(dispatcher.runNext()); // the first menu, in the background
    ASSERT_TRUE(dispatcher.runNext()); // counted down on the main thread
    EXPECT_EQ(app->parseCounter(), 2);
    dispatcher.runUntilIdle();
    EXPECT_EQ(app->parseCounter(), 0);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), 1);
    EXPECT_EQ(watcher->events().last(), QStringLiteral("finished"));
}

} // namespace
} // namespace tavolin
