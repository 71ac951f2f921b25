// The trigger decision: whether the palette serves an application, from its rule, the forced flag, and the
// palette's own shortcut found in its menus.
#include "AxTestSupport.h"

#include "support/ManualDispatcher.h"
#include "common/Log.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::json;

enum class Conflict { None, AppMenuOwnItem, AppMenuOtherItem, Menu1, Menu2, Menu1And2, DisabledItem };

const KeyData kPaletteKey(QStringLiteral("P"), 0, keymask::kShift);
constexpr auto kBundle = "org.example.Tool";

// Four top-level menus; the conflicting item (the palette's shortcut) goes where the case says.
QJsonObject application(Conflict conflict)
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
    case Conflict::Menu1:
        file.append(item("Print"));
        break;
    case Conflict::Menu2:
        edit.append(item("Paste Plain"));
        break;
    case Conflict::Menu1And2:
        file.append(item("Print"));
        edit.append(item("Paste Plain"));
        break;
    case Conflict::DisabledItem:
        file.append(item("Print", false));
        break;
    }
    QJsonObject menuApp{{"title", "Tool"}, {"menu", app}};
    QJsonObject menuFile{{"title", "File"}, {"menu", file}};
    QJsonObject menuEdit{{"title", "Edit"}, {"menu", edit}};
    QJsonObject menuView{{"title", "View"}, {"menu", view}};
    return QJsonObject{{"title", "Tool"}, {"pid", 300}, {"appName", "tool"}, {"bundleIdentifier", kBundle},
                       {"menuBar", QJsonArray{menuApp, menuFile, menuEdit, menuView}}};
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
    int itemsDelivered;
};

class TriggerTest : public ::testing::TestWithParam<TriggerCase>
{
protected:
    test::ManualDispatcher dispatcher;
};

TEST_P(TriggerTest, DecidesAsTheRulesAndMenusSay)
{
    const TriggerCase &c = GetParam();
    auto source = std::make_shared<FakeElementSource>();
    ASSERT_TRUE(source->addApplication(application(c.conflict)));
    test::HookState hooks;
    hooks.rule = c.rule;
    hooks.forced = c.forced;
    hooks.useDefaultHotKey = c.useDefaultHotKey;
    if (c.paletteShortcutSet)
        hooks.paletteShortcut = test::shortcutText(kPaletteKey);
    auto watcher = std::make_shared<test::RecordingWatcher>();

    AXAppPtr app = AXApp::create(source, hooks.hooks(), source->applicationElement(300));
    app->setWatcher(watcher);
    app->loadMenus(MenuLoad::MenusOnly);
    dispatcher.runUntilIdle();

    EXPECT_EQ(app->shouldTrigger(), c.shouldTrigger);
    EXPECT_EQ(app->isLoaded(), c.isLoaded);
    EXPECT_EQ(hooks.updates(), c.ruleUpdates);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("trigger:")), c.triggerEvents);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("item:")).size(), c.itemsDelivered);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), c.itemsDelivered > 0 ? 1 : 0);
}

const QString kSafe = QStringLiteral("org.example.Tool:1");
const QString kUnsafe = QStringLiteral("org.example.Tool:0");
const QStringList kServed{QStringLiteral("trigger:1")};
const QStringList kBypassed{QStringLiteral("trigger:0")};

INSTANTIATE_TEST_SUITE_P(
    Cases, TriggerTest,
    ::testing::Values(
        TriggerCase{"AllowReadsEverythingAndRecordsNothing", true, false, Conflict::None, false, true, true, false, {}, {}, 4},
        TriggerCase{"DisabledReadsOnlyTheMenuBar", false, false, Conflict::None, false, true, false, false, {}, {}, 0},
        TriggerCase{"AutoWithoutConflictIsServedAfterTheLastMenu", std::nullopt, false, Conflict::None, false, true, true, true,
                    {kSafe}, kServed, 4},
        TriggerCase{"ForcedOverridesDisabledAndRecordsNothing", false, true, Conflict::None, false, true, true, false, {}, {}, 4},
        TriggerCase{"ForcedAutoRecordsNothing", std::nullopt, true, Conflict::Menu1, false, true, true, false, {}, {}, 4},
        TriggerCase{"OwnItemInApplicationMenuServesEvenAnAllowedApp", true, false, Conflict::AppMenuOwnItem, false, true, true,
                    true, {kSafe}, kServed, 4},
        TriggerCase{"OwnItemInApplicationMenuServesAutoApp", std::nullopt, false, Conflict::AppMenuOwnItem, false, true, true,
                    true, {kSafe}, kServed, 4},
        TriggerCase{"OtherItemInApplicationMenuBypasses", std::nullopt, false, Conflict::AppMenuOtherItem, true, true, false,
                    false, {kUnsafe}, kBypassed, 4},
        TriggerCase{"OtherItemInApplicationMenuBypassesAnAllowedApp", true, false, Conflict::AppMenuOtherItem, false, true,
                    false, false, {kUnsafe}, kBypassed, 4},
        TriggerCase{"ForcedKeepsServingDespiteApplicationMenuConflict", std::nullopt, true, Conflict::AppMenuOtherItem, false,
                    true, true, false, {}, {}, 4},
        TriggerCase{"ConflictInMenuOneWithDefaultShortcutServes", std::nullopt, false, Conflict::Menu1, true, true, true, true,
                    {kSafe}, kServed, 4},
        TriggerCase{"ConflictInMenuOneWithChosenShortcutBypasses", std::nullopt, false, Conflict::Menu1, false, true, false,
                    false, {kUnsafe}, kBypassed, 4},
        TriggerCase{"ConflictInMenuTwoBypassesEvenWithDefaultShortcut", std::nullopt, false, Conflict::Menu2, true, true, false,
                    false, {kUnsafe}, kBypassed, 4},
        TriggerCase{"OnlyTheFirstConflictDecides", std::nullopt, false, Conflict::Menu1And2, true, true, true, true, {kSafe},
                    kServed, 4},
        TriggerCase{"ConflictInAnAllowedAppIsNotLookedAt", true, false, Conflict::Menu2, false, true, true, false, {}, {}, 4},
        TriggerCase{"DisabledConflictingItemDoesNotCount", std::nullopt, false, Conflict::DisabledItem, false, true, true, true,
                    {kSafe}, kServed, 4},
        TriggerCase{"UnsetPaletteShortcutNeverMatches", std::nullopt, false, Conflict::AppMenuOtherItem, false, false, true,
                    true, {kSafe}, kServed, 4}),
    [](const auto &info) { return std::string(info.param.name); });

class AXAppShapeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        log::setMinimumLevel(log::Level::Debug);
        log::setSink([this](log::Level, const QString &line) {
            std::lock_guard lock(logMutex);
            lines << line;
        });
    }
    void TearDown() override
    {
        log::setSink({});
        log::setMinimumLevel(log::Level::Info);
    }
    QStringList costLines()
    {
        std::lock_guard lock(logMutex);
        return lines.filter(QRegularExpression(QStringLiteral("^fetch axMenu cost \\d+ ms$")));
    }
    AXAppPtr load(const QJsonObject &description)
    {
        const auto pid = source->addApplication(description);
        EXPECT_TRUE(pid);
        AXAppPtr app = AXApp::create(source, hooks.hooks(), source->applicationElement(pid.value_or(0)));
        app->setWatcher(watcher);
        app->loadMenus(MenuLoad::MenusOnly);
        return app;
    }

    test::ManualDispatcher dispatcher;
    std::shared_ptr<FakeElementSource> source = std::make_shared<FakeElementSource>();
    test::HookState hooks;
    std::shared_ptr<test::RecordingWatcher> watcher = std::make_shared<test::RecordingWatcher>();
    std::mutex logMutex;
    QStringList lines;
};

TEST_F(AXAppShapeTest, SingleTopLevelMenuFinishesOnTheCallingThreadUndecided)
{
    AXAppPtr app = load(json(R"({"pid": 301, "menuBar": [{"title": "File", "menu": [{"title": "New"}]}]})"));
    // Nothing was run by the dispatcher: all of it happened inside loadMenus.
    EXPECT_EQ(watcher->events(), (QStringList{"menu:1", "item:0:File:1", "finished"}));
    EXPECT_EQ(app->shouldTrigger(), std::nullopt);
    EXPECT_EQ(dispatcher.runUntilIdle(), 0);
    EXPECT_EQ(app->shouldTrigger(), std::nullopt);
    EXPECT_TRUE(hooks.updates().isEmpty());
    EXPECT_EQ(costLines().size(), 1);
}

TEST_F(AXAppShapeTest, SystemMenuAndOneMenuFinishRightAfterThatMenu)
{
    source->setMenuBarStartsWithSystemMenu(true);
    AXAppPtr app = load(json(R"({"pid": 302, "menuBar": [{"title": "System", "menu": [{"title": "About"}]},
                                                          {"title": "File", "menu": [{"title": "New"}]}]})"));
    EXPECT_EQ(watcher->events(), (QStringList{"menu:1", "item:0:File:1", "finished"}));
    EXPECT_EQ(app->shouldTrigger(), std::nullopt);
}

TEST_F(AXAppShapeTest, FirstMenuOnLinuxPlaysTheApplicationMenu)
{
    hooks.paletteShortcut = test::shortcutText(kPaletteKey);
    AXAppPtr app = load(json(R"({"pid": 303, "menuBar": [
        {"title": "File", "menu": [{"title": "Print", "cmdChar": "P", "modifiers": 1}]},
        {"title": "Edit", "menu": [{"title": "Undo"}]}]})"));
    // Decided by the first menu, read at once: no dispatcher run needed.
    EXPECT_EQ(app->shouldTrigger(), false);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("trigger:")), kBypassed);
}

TEST_F(AXAppShapeTest, NoMenuBarIsNotServed)
{
    AXAppPtr app = load(json(R"({"pid": 304, "title": "Panel"})"));
    dispatcher.runUntilIdle();
    EXPECT_EQ(app->shouldTrigger(), false);
    EXPECT_FALSE(app->menu());
    EXPECT_TRUE(watcher->events().isEmpty());
    EXPECT_EQ(costLines().size(), 1);
}

TEST_F(AXAppShapeTest, EmptyMenuBarFinishesAtOnceUndecided)
{
    AXAppPtr app = load(json(R"({"pid": 305, "menuBar": []})"));
    EXPECT_EQ(watcher->events(), (QStringList{"menu:0", "finished"}));
    EXPECT_EQ(app->shouldTrigger(), std::nullopt);
}

TEST_F(AXAppShapeTest, DisabledAppWritesTheCostLineAndReadsNoSubmenu)
{
    hooks.rule = false;
    AXAppPtr app = load(application(Conflict::None));
    dispatcher.runUntilIdle();
    EXPECT_EQ(costLines().size(), 1);
    EXPECT_EQ(source->requestCount(QStringLiteral("New")), 0);
    EXPECT_EQ(source->requestCount(QStringLiteral("About Tool")), 0);
}

TEST_F(AXAppShapeTest, AllowedAppDeliversFromTheEventLoopWithoutCostLine)
{
    hooks.rule = true;
    AXAppPtr app = load(application(Conflict::None));
    EXPECT_TRUE(watcher->events().isEmpty());
    EXPECT_TRUE(costLines().isEmpty());
    dispatcher.runUntilIdle();
    EXPECT_EQ(watcher->events().value(0), QStringLiteral("menu:4"));
    EXPECT_EQ(watcher->events().last(), QStringLiteral("finished"));
}

TEST_F(AXAppShapeTest, CounterReachesZeroExactlyOnce)
{
    AXAppPtr app = load(application(Conflict::None));
    EXPECT_EQ(app->parseCounter(), 3);
    dispatcher.runUntilIdle();
    EXPECT_EQ(app->parseCounter(), 0);
    EXPECT_EQ(watcher->eventsStartingWith(QStringLiteral("finished")).size(), 1);
    EXPECT_EQ(watcher->events().last(), QStringLiteral("finished"));
}

} // namespace
} // namespace tavolin
