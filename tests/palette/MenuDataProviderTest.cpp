#include "MenuFlowSupport.h"

#include "common/PluginDataItem.h"
#include "extensions/PluginDataProvider.h"
#include "palette/DataSource.h"
#include "palette/MenuDataProvider.h"
#include "palette/MenuHistory.h"
#include "support/FakeNotifier.h"
#include "support/IsolatedHome.h"
#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

#include <memory>

namespace tavolin {
namespace {

using test::appJson;
using test::titlesOf;

const char *const kScribe = R"({"title": "Scribe", "pid": 5001, "appName": "scribe", "bundleIdentifier": "org.example.Scribe",
  "menuBar": [
    {"title": "File", "menu": [
      {"title": "New", "cmdChar": "N", "modifiers": 0},
      {"title": "Save", "cmdChar": "S", "modifiers": 0},
      {"title": "Open Recent", "menu": [{"title": "notes.txt"}, {"title": "todo.md"}]}]},
    {"title": "Edit", "menu": [
      {"title": "Undo", "cmdChar": "Z", "modifiers": 0},
      {"title": "Copy", "cmdChar": "C", "modifiers": 0},
      {"title": "Copy", "cmdChar": "C", "modifiers": 0},
      {"title": "Copy", "cmdChar": "C", "modifiers": 1},
      {"title": "Tavolin: Command Palette"}]},
    {"title": "Format", "menu": [
      {"title": "Font", "menu": [{"title": "Bold", "cmdChar": "B", "modifiers": 0}]}]}]})";

const char *const kPlain = R"({"title": "Plain", "pid": 5003, "appName": "plain", "menuBar": []})";

const char *const kSketch = R"({"title": "Sketch", "pid": 5002, "appName": "sketch", "bundleIdentifier": "org.example.Sketch",
  "menuBar": [
    {"title": "Image", "menu": [{"title": "Crop", "cmdChar": "K", "modifiers": 0}]},
    {"title": "Extensions", "menu": [{"title": "Blur"}]}]})";

class MenuDataProviderTest : public ::testing::Test
{
protected:
    MenuDataProviderTest()
    {
        MenuItemData::setIgnorableOptionLookup(rowRules());
        m_extensions = std::make_unique<PluginDataProvider>(m_notifier, [](const QString &) { return QString(); });
        MenuDataProvider::Context context;
        context.history = &m_history;
        context.extensions = m_extensions.get();
        context.dataSource = &m_dataSource;
        context.dispatcher = &m_dispatcher;
        context.ignorableOption = [this](const QString &title, const QString &) { return m_rules(title); };
        m_provider = MenuDataProvider::create(context);
        m_watcher->snapshot = [this] { return titlesOf(m_provider->all()); };
        m_provider->setWatcher(m_watcher);
    }
    ~MenuDataProviderTest() override { MenuItemData::setIgnorableOptionLookup({}); }

    MenuItemData::IgnorableOption rowRules()
    {
        return [this](const QString &title, const QString &) {
            const std::optional<int> option = m_rules(title);
            return option ? std::optional<int64_t>(*option) : std::nullopt;
        };
    }
    // `rule`: true "allow", false "disabled", none "auto".
    AXAppPtr app(const char *description, std::optional<bool> rule = true)
    {
        const std::optional<int32_t> pid = m_source->addApplication(appJson(description));
        EXPECT_TRUE(pid);
        AXAppHooks hooks;
        hooks.ruleForApp = [rule](const std::optional<QString> &, const std::optional<QString> &) { return rule; };
        hooks.ignorableOption = rowRules();
        const std::weak_ptr<MenuDataProvider> provider = m_provider;
        hooks.appKey = [provider] { return provider.lock() ? provider.lock()->appKey() : QString(); };
        hooks.buildTransMap = [](const std::optional<LocaleBundle> &, const std::optional<QString> &) {};
        return AXApp::create(m_source, m_dispatcher, hooks, m_source->applicationElement(pid.value_or(0)));
    }
    void loadAndRead(const AXAppPtr &target)
    {
        m_provider->loadFromApp(target, false);
        m_dispatcher.runUntilIdle();
    }
    MenuItemDataPtr row(const QString &title) const
    {
        for (const MenuItemDataPtr &candidate : m_provider->all()) {
            if (candidate->title() == title)
                return candidate;
        }
        return nullptr;
    }
    QStringList topLevelRows()
    {
        m_provider->updateFilter(nullptr);
        return titlesOf(m_provider->filteredRecents + m_provider->filterResults);
    }
    void remember(const QString &app, const QStringList &titles)
    {
        // Added oldest first, so the history lists `titles` in order.
        for (qsizetype i = titles.size() - 1; i >= 0; --i) {
            m_history.get(app)->addItem(
                std::make_shared<const MenuHistoryItem>(titles.at(i), QStringList{u"File"_qs}, std::nullopt, false));
        }
    }
    QStringList historyOf(const QString &app)
    {
        QStringList out;
        const AppMenuHistoryItemsPtr history = m_history.get(app); // recents() is a reference into it
        for (const MenuHistoryItemPtr &entry : history->recents())
            out << entry->title();
        return out;
    }
    void addExtensions(const QString &app, const QList<PluginDataItem> &items)
    {
        m_extensions->updateExtensions(PluginDataItem::jsonFromArray(items), app);
    }

    test::ManualDispatcher m_dispatcher;
    test::IsolatedHome m_home;
    test::MenuRules m_rules;
    test::FakeNotifier m_notifier;
    std::shared_ptr<FakeElementSource> m_source = std::make_shared<FakeElementSource>();
    DataSource m_dataSource;
    MenuHistory m_history{m_dataSource, m_dispatcher};
    std::unique_ptr<PluginDataProvider> m_extensions;
    std::shared_ptr<MenuDataProvider> m_provider;
    std::shared_ptr<test::RecordingProviderWatcher> m_watcher = std::make_shared<test::RecordingProviderWatcher>();
};

// Every command once per title and shortcut, group after group, never the palette's own service item.
TEST_F(MenuDataProviderTest, ListsCommandsGroupAfterGroupWithTheirPathsAndShortcuts)
{
    loadAndRead(app(kScribe));
    EXPECT_EQ(titlesOf(m_provider->topLevels()), (QStringList{u"File"_qs, u"Edit"_qs, u"Format"_qs}));
    EXPECT_EQ(titlesOf(m_provider->all()),
              (QStringList{u"New"_qs, u"Save"_qs, u"Open Recent"_qs, u"notes.txt"_qs, u"todo.md"_qs, u"Undo"_qs,
                           u"Copy"_qs, u"Copy"_qs, u"Font"_qs, u"Bold"_qs}));
    EXPECT_FALSE(row(QLatin1String(MenuDataProvider::kServiceTitle)));
    ASSERT_TRUE(row(u"notes.txt"_qs));
    EXPECT_EQ(row(u"notes.txt"_qs)->path(), (QStringList{u"File"_qs, u"Open Recent"_qs}));
    for (const MenuItemDataPtr &top : m_provider->topLevels())
        EXPECT_TRUE(top->expands()) << top->title().toStdString();
    EXPECT_EQ(m_provider->appKey(), u"scribe"_qs);

    QStringList copies;
    for (const MenuItemDataPtr &candidate : m_provider->all()) {
        if (candidate->title() == u"Copy"_qs)
            copies << candidate->shortcut()->toString();
    }
    EXPECT_EQ(copies, (QStringList{u"⌘C"_qs, u"⇧⌘C"_qs}));
    EXPECT_EQ(m_provider->itemForShortcut(u"⌘S"_qs), row(u"Save"_qs));
    EXPECT_FALSE(m_provider->itemForShortcut(u"⌘Q"_qs));

    // Finishing without extensions or leftovers reports no change.
    const qsizetype updates = m_watcher->updates();
    m_provider->onLoadFinished();
    EXPECT_EQ(m_watcher->updates(), updates);
    EXPECT_EQ(m_provider->topLevels().size(), 3);
}

// Rule 0 hides the item but lists its children under its title; rule 1 hides its descendants at the top level
// but not inside the item.
TEST_F(MenuDataProviderTest, MenuRulesHideItemsOrTheirDescendants)
{
    m_rules.byTitle = {{u"Open Recent"_qs, 0}, {u"Font"_qs, 1}};
    loadAndRead(app(kScribe));
    EXPECT_FALSE(row(u"Open Recent"_qs));
    ASSERT_TRUE(row(u"todo.md"_qs));
    EXPECT_EQ(row(u"todo.md"_qs)->path(), (QStringList{u"File"_qs, u"Open Recent"_qs}));
    EXPECT_TRUE(topLevelRows().contains(u"Font"_qs));
    EXPECT_FALSE(topLevelRows().contains(u"Bold"_qs));
    m_provider->filter(row(u"Font"_qs));
    EXPECT_EQ(titlesOf(m_provider->filterResults), QStringList{u"Bold"_qs});
}

TEST_F(MenuDataProviderTest, HistoryRowsAreNeverHiddenByAnAncestor)
{
    m_rules.byTitle = {{u"Font"_qs, 1}};
    m_history.get(u"Scribe"_qs)->addItem(std::make_shared<const MenuHistoryItem>(
        u"Bold"_qs, QStringList{u"Format"_qs, u"Font"_qs}, std::nullopt, false));
    loadAndRead(app(kScribe));
    ASSERT_TRUE(row(u"Bold"_qs));
    EXPECT_EQ(row(u"Bold"_qs)->historyIndex(), 0);
    m_provider->updateFilter(nullptr);
    EXPECT_EQ(titlesOf(m_provider->filteredRecents), QStringList{u"Bold"_qs});
}

TEST_F(MenuDataProviderTest, EnabledExtensionsFormTheirOwnGroup)
{
    PluginDataItem off(u"scribe.app"_qs, u"Publish"_qs, u"publish.sh"_qs);
    off.enabled = false;
    PluginDataItem wordCount(u"scribe.app"_qs, u"Word Count"_qs, u"Wörter zählen"_qs, u"count.sh"_qs, true, QString(),
                             KeyData(u"W"_qs, 0, keymask::kOption));
    addExtensions(u"scribe.app"_qs, {wordCount, off});
    loadAndRead(app(kScribe));
    EXPECT_EQ(m_provider->topLevels().last()->title(), u"Extensions"_qs);
    const MenuItemDataPtr count = row(u"Word Count"_qs);
    ASSERT_TRUE(count);
    EXPECT_EQ(count->path(), QStringList{u"Extensions"_qs});
    EXPECT_EQ(count->enTitle(), u"Wörter zählen"_qs);
    EXPECT_TRUE(count->action());
    EXPECT_EQ(m_provider->itemForShortcut(u"⌥⌘W"_qs), count);
    EXPECT_FALSE(row(u"Publish"_qs));
}

TEST_F(MenuDataProviderTest, ApplicationWithItsOwnExtensionsMenuGetsTheMarkedGroupTitle)
{
    addExtensions(u"sketch.app"_qs, {PluginDataItem(u"sketch.app"_qs, u"Export"_qs, u"export.sh"_qs)});
    loadAndRead(app(kSketch));
    EXPECT_TRUE(m_provider->hasExtension());
    EXPECT_EQ(titlesOf(m_provider->topLevels()),
              (QStringList{u"Image"_qs, u"Extensions"_qs, QLatin1String(MenuDataProvider::kOwnExtensionsTitle)}));
}

TEST_F(MenuDataProviderTest, HistoryPlaceholdersComeFirstAndAreReplacedAsMenusArrive)
{
    remember(u"Scribe"_qs, {u"Save"_qs, u"Gone"_qs});
    const AXAppPtr scribe = app(kScribe); // the shell holds the application; the provider only refers to it
    m_provider->loadFromApp(scribe, false);
    // Nothing read yet: the history is listed at once.
    EXPECT_EQ(titlesOf(m_provider->all()), (QStringList{u"Save"_qs, u"Gone"_qs}));
    EXPECT_EQ(m_provider->all().at(1)->historyIndex(), 1);

    m_dispatcher.runUntilIdle();
    const QStringList snapshots = m_watcher->snapshots();
    ASSERT_GE(snapshots.size(), 2);
    // The panel was told at once, so it lists the history before any menu is read.
    EXPECT_EQ(snapshots.at(0), u"Save,Gone"_qs);
    // After the first menu, the live Save row stands in for its placeholder; Gone is still waiting.
    EXPECT_EQ(snapshots.at(1), u"New,Save,Open Recent,notes.txt,todo.md,Gone"_qs);
    EXPECT_EQ(row(u"Save"_qs)->historyIndex(), 0);
    EXPECT_TRUE(row(u"Save"_qs)->ref());
    // Every menu read: the leftover is gone from the rows and from the history.
    EXPECT_FALSE(row(u"Gone"_qs));
    EXPECT_TRUE(m_provider->recents().isEmpty());
    EXPECT_EQ(historyOf(u"Scribe"_qs), QStringList{u"Save"_qs});
}

// A new application object for the same process (every show makes one) lists the last show's rows at once,
// with the history as it is now, and reads the menus again behind them; another application in between
// leaves nothing to keep.
TEST_F(MenuDataProviderTest, SameApplicationAgainListsTheLastRowsAtOnceAndReadsThemAgain)
{
    loadAndRead(app(kScribe));
    const QStringList whole = titlesOf(m_provider->all());
    ASSERT_TRUE(whole.contains(u"Save"_qs));
    remember(u"Scribe"_qs, {u"Save"_qs});
    const int64_t requestsBefore = m_source->requestCount();

    const AXAppPtr again = app(kScribe);
    m_provider->loadFromApp(again, false);
    EXPECT_EQ(titlesOf(m_provider->all()), whole);
    EXPECT_EQ(row(u"Save"_qs)->historyIndex(), 0);
    EXPECT_TRUE(m_provider->recents().isEmpty()); // the kept Save row stands for its history entry
    m_dispatcher.runUntilIdle();
    EXPECT_GT(m_source->requestCount(), requestsBefore);
    EXPECT_EQ(titlesOf(m_provider->all()), whole);
    EXPECT_EQ(historyOf(u"Scribe"_qs), QStringList{u"Save"_qs});

    loadAndRead(app(kSketch));
    m_provider->loadFromApp(app(kScribe), false);
    EXPECT_EQ(titlesOf(m_provider->all()), QStringList{u"Save"_qs}); // its placeholder only
}

TEST_F(MenuDataProviderTest, WithoutHistoryMatchingNothingIsListedOrDeleted)
{
    remember(u"Scribe"_qs, {u"Gone"_qs});
    m_history.showHistory = false;
    loadAndRead(app(kScribe));
    EXPECT_FALSE(row(u"Gone"_qs));
    EXPECT_EQ(historyOf(u"Scribe"_qs), QStringList{u"Gone"_qs});
}

TEST_F(MenuDataProviderTest, SecondApplicationLoadedMidReadNeverShowsARowOfTheFirst)
{
    // "auto": the menus are read one after the other on the background pool once the bar is in.
    const AXAppPtr first = app(kScribe, std::nullopt);
    m_provider->loadFromApp(first, false);
    ASSERT_TRUE(m_dispatcher.runNext()); // the menu bar
    ASSERT_TRUE(m_dispatcher.runNext()); // handed over on the main thread
    ASSERT_TRUE(m_dispatcher.runNext()); // the first menu, in the background
    ASSERT_TRUE(m_dispatcher.runNext()); // its rows handed to the panel on the main thread
    ASSERT_TRUE(row(u"New"_qs));
    const AXAppPtr second = app(kSketch);
    m_provider->loadFromApp(second, false);
    m_dispatcher.runUntilIdle();

    // A delivery of the first application that was already under way when the second was loaded.
    const AXMenuItemPtr late = first->menu()->items().at(1);
    late->readSubmenu();
    m_provider->onUpdate(late, 1);

    EXPECT_EQ(titlesOf(m_provider->topLevels()), (QStringList{u"Image"_qs, u"Extensions"_qs}));
    EXPECT_EQ(titlesOf(m_provider->all()), (QStringList{u"Crop"_qs, u"Blur"_qs}));
    EXPECT_FALSE(m_provider->itemForShortcut(u"⌘Z"_qs));
    EXPECT_FALSE(m_provider->itemForShortcut(u"⌘N"_qs));
    for (const QString &snapshot : m_watcher->snapshots())
        EXPECT_FALSE(snapshot.contains(u"Undo"_qs)) << snapshot.toStdString();
}

TEST_F(MenuDataProviderTest, LoadingNothingClearsEverything)
{
    loadAndRead(app(kScribe));
    m_provider->loadFromApp(nullptr, false);
    EXPECT_TRUE(m_provider->all().isEmpty());
    EXPECT_TRUE(m_provider->topLevels().isEmpty());
    EXPECT_TRUE(m_provider->appKey().isEmpty());
    EXPECT_FALSE(m_provider->ref());
    EXPECT_FALSE(m_provider->itemForShortcut(u"⌘S"_qs));
}

TEST_F(MenuDataProviderTest, AfterSwitchingToAnApplicationWithoutMenusNoRowOfThePreviousOneIsListed)
{
    for (const QString &typed : {QString(), u"sa"_qs}) {
        loadAndRead(app(kScribe));
        m_provider->clearfilter();
        m_provider->search(typed, nullptr, false);
        ASSERT_GT(m_provider->numberOfRows(), 0) << typed.toStdString();
        // What the palette does when the focused application changed.
        const qsizetype updates = m_watcher->updates();
        m_provider->resetState();
        EXPECT_EQ(m_watcher->updates(), updates + 1) << "the panel is told to reload its rows";
        loadAndRead(app(kPlain));
        EXPECT_EQ(m_provider->numberOfRows(), 0) << typed.toStdString();
        EXPECT_FALSE(m_provider->dataOnRow(0)) << typed.toStdString();
        if (!typed.isEmpty()) {
            EXPECT_TRUE(m_provider->search(typed, nullptr, false)) << "the same text over new rows is a new search";
        }
        EXPECT_EQ(m_provider->numberOfRows(), 0) << typed.toStdString();
    }
}

TEST_F(MenuDataProviderTest, ClearingHistoryDropsStoredEntriesAndHistoryRowsAndOnlyThePaletteRecords)
{
    remember(u"Scribe"_qs, {u"Save"_qs});
    loadAndRead(app(kScribe));
    ASSERT_EQ(row(u"Save"_qs)->historyIndex(), 0);
    m_provider->clearHistory();
    EXPECT_EQ(row(u"Save"_qs)->historyIndex(), -1);
    EXPECT_TRUE(historyOf(u"Scribe"_qs).isEmpty());
    EXPECT_TRUE(m_provider->appHistoryItem()->recents().isEmpty());
    // Performed rows are recorded in the command palette mode only.
    m_dataSource.setMode(PanelMode::QuickOpen);
    m_provider->addRecent(*row(u"Undo"_qs));
    EXPECT_TRUE(historyOf(u"Scribe"_qs).isEmpty());
    m_dataSource.setMode(PanelMode::CommandPalette);
    m_provider->addRecent(*row(u"Undo"_qs));
    EXPECT_EQ(historyOf(u"Scribe"_qs), QStringList{u"Undo"_qs});
}

} // namespace
} // namespace tavolin
