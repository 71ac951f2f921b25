// Building the menu bar snapshot from an application's GetItems entries and its menus' child order.
#include <gtest/gtest.h>

#include "accessibility/ElementSource.h"
#include "platform/linux/AtspiItemsTree.h"

#include <atspi/atspi.h>

#include <algorithm>
#include <functional>

namespace tavolin {
namespace {

constexpr auto kRoot = "/org/a11y/atspi/accessible/root";

uint64_t states(std::initializer_list<AtspiStateType> list)
{
    uint64_t bits = 0;
    for (AtspiStateType state : list)
        bits |= uint64_t(1) << int(state);
    return bits;
}

const uint64_t kUsable = states({ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE, ATSPI_STATE_VISIBLE});

AtspiCacheItem item(const char *path, const char *parent, AtspiRole role, const char *name = "",
                    uint64_t stateBits = kUsable, bool action = true)
{
    AtspiCacheItem entry;
    entry.path = path;
    entry.parentPath = parent;
    entry.role = int(role);
    entry.name = QString::fromUtf8(name);
    entry.states = stateBits;
    entry.hasAction = action;
    return entry;
}

// GTK's shape: application > frame > filler > filler > menu bar > menu "File" > items, and "Edit" with a
// submenu. Deliberately listed out of order, as GetItems gives them.
std::vector<AtspiCacheItem> gtkItems()
{
    return {
        item("/i/new", "/m/file", ATSPI_ROLE_MENU_ITEM, "New      "),
        item("/m/recent", "/m/file", ATSPI_ROLE_MENU, "Recent"),
        item("/i/a", "/m/recent", ATSPI_ROLE_MENU_ITEM, "a.txt"),
        item("/bar", "/filler2", ATSPI_ROLE_MENU_BAR),
        item("/frame", kRoot, ATSPI_ROLE_FRAME, "Editor"),
        item("/filler1", "/frame", ATSPI_ROLE_FILLER),
        item("/filler2", "/filler1", ATSPI_ROLE_FILLER),
        item("/m/file", "/bar", ATSPI_ROLE_MENU, "File"),
        item("/m/edit", "/bar", ATSPI_ROLE_MENU, "Edit"),
        item("/sep", "/m/file", ATSPI_ROLE_SEPARATOR, "", kUsable, false),
        item("/i/wrap", "/m/file", ATSPI_ROLE_CHECK_MENU_ITEM, "Word Wrap", kUsable | states({ATSPI_STATE_CHECKED})),
        item("/i/paste", "/m/edit", ATSPI_ROLE_MENU_ITEM, "Paste", states({ATSPI_STATE_VISIBLE}), false),
        item("/i/hidden", "/m/edit", ATSPI_ROLE_MENU_ITEM, "Hidden", states({ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE})),
        item("/i/plain", "/m/edit", ATSPI_ROLE_MENU_ITEM, "No Action", kUsable, false),
    };
}

AtspiChildOrder gtkOrder()
{
    return {
        {"/bar", {"/m/file", "/m/edit"}},
        {"/m/file", {"/i/new", "/m/recent", "/sep", "/i/wrap"}},
        {"/m/recent", {"/i/a"}},
        {"/m/edit", {"/i/paste", "/i/hidden", "/i/plain"}},
    };
}

QStringList titles(const AtspiMenuNode &menu)
{
    QStringList list;
    for (const AtspiMenuNodePtr &child : menu.children)
        list << child->title.value_or(QStringLiteral("<none>"));
    return list;
}

TEST(AtspiItemsTreeTest, ContainersAreTheMenuBarAndEveryMenuBelowItBreadthFirst)
{
    const std::vector<QByteArray> containers = menuContainersOf(gtkItems());
    ASSERT_EQ(containers.size(), 4u);
    EXPECT_EQ(containers[0], "/bar");
    EXPECT_EQ(containers[3], "/m/recent");
}

TEST(AtspiItemsTreeTest, BuildsTheReadersShapeInTheGivenOrder)
{
    const AtspiItemsMenuBar bar = menuBarFromItems(gtkItems(), gtkOrder(), QStringLiteral(":1.7"));
    ASSERT_TRUE(bar.menuBar);
    EXPECT_EQ(bar.menuBar->role, QLatin1String(axrole::kMenuBar));
    EXPECT_EQ(bar.menuBar->path, QStringLiteral("/bar"));
    ASSERT_EQ(titles(*bar.menuBar), (QStringList{QStringLiteral("File"), QStringLiteral("Edit")}));
    const AtspiMenuNode &file = *bar.menuBar->children[0];
    EXPECT_EQ(file.role, QLatin1String(axrole::kMenuBarItem));
    ASSERT_EQ(file.children.size(), 1u) << "a GTK menu splits into an item holding a nameless menu";
    const AtspiMenuNode &fileMenu = *file.children[0];
    EXPECT_FALSE(fileMenu.title.has_value());
    EXPECT_EQ(titles(fileMenu), (QStringList{QStringLiteral("New"), QStringLiteral("Recent"), QString(),
                                             QStringLiteral("Word Wrap")}));
    EXPECT_EQ(titles(*fileMenu.children[1]->children[0]), QStringList{QStringLiteral("a.txt")});
    EXPECT_TRUE(fileMenu.children[3]->checked);
    EXPECT_EQ(fileMenu.children[0]->busName, QStringLiteral(":1.7"));
    EXPECT_EQ(fileMenu.children[0]->path, QStringLiteral("/i/new"));
    // nodes: 2 menus, 4 + 1 in File, 3 in Edit; items: all but the separator and the hidden one.
    EXPECT_EQ(bar.nodes, 10);
    EXPECT_EQ(bar.menuItems, 8);
}

TEST(AtspiItemsTreeTest, ItemsGtkNeverShowsAreLeftOut)
{
    const AtspiItemsMenuBar bar = menuBarFromItems(gtkItems(), gtkOrder(), QStringLiteral(":1.7"));
    ASSERT_TRUE(bar.menuBar);
    EXPECT_EQ(titles(*bar.menuBar->children[1]->children[0]),
              (QStringList{QStringLiteral("Paste"), QStringLiteral("No Action")}));
}

// The menus as text: "File: Open, Recent | Debug: Dump".
QString outline(const AtspiMenuNode &bar)
{
    QStringList menus;
    for (const AtspiMenuNodePtr &menu : bar.children) {
        const QStringList items = menu->children.empty() ? QStringList() : titles(*menu->children[0]);
        menus << menu->title.value_or(QString()) + QStringLiteral(": ") + items.join(QStringLiteral(", "));
    }
    return menus.join(QStringLiteral(" | "));
}

struct HiddenCase
{
    const char *name;
    bool barShown;
    bool fileShown;
    const char *outline;
};

class AtspiItemsHiddenTest : public testing::TestWithParam<HiddenCase>
{
};

// GIMP (GTK 2) keeps ten unused "Open Recent" slots without the VISIBLE state; a menu that is not shown (as Qt
// reports every closed menu) tells nothing of its items' VISIBLE state.
TEST_P(AtspiItemsHiddenTest, ItemsWithoutVisibleAreLeftOutWhereTheirMenuIsShown)
{
    const HiddenCase &c = GetParam();
    const uint64_t hidden = states({ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE});
    std::vector<AtspiCacheItem> items = {
        item("/bar", kRoot, ATSPI_ROLE_MENU_BAR, "", c.barShown ? kUsable : hidden),
        item("/m/file", "/bar", ATSPI_ROLE_MENU, "File", c.fileShown ? kUsable : hidden),
        item("/m/recent", "/m/file", ATSPI_ROLE_MENU, "Open Recent", c.fileShown ? kUsable : hidden),
        item("/i/slot1", "/m/recent", ATSPI_ROLE_MENU_ITEM, "file-open-recent-01", hidden),
        item("/i/history", "/m/recent", ATSPI_ROLE_MENU_ITEM, "Document History"),
        item("/i/open", "/m/file", ATSPI_ROLE_MENU_ITEM, "Open"),
        item("/i/slot2", "/m/file", ATSPI_ROLE_MENU_ITEM, "file-open-recent-02", hidden),
        item("/sep", "/m/file", ATSPI_ROLE_SEPARATOR, "", hidden, false),
        item("/m/debug", "/bar", ATSPI_ROLE_MENU, "Debug", hidden),
        item("/i/dump", "/m/debug", ATSPI_ROLE_MENU_ITEM, "Dump"),
    };
    const AtspiChildOrder order = {
        {"/bar", {"/m/file", "/m/debug"}},
        {"/m/file", {"/i/open", "/m/recent", "/i/slot2", "/sep"}},
        {"/m/recent", {"/i/slot1", "/i/history"}},
        {"/m/debug", {"/i/dump"}},
    };
    const AtspiItemsMenuBar bar = menuBarFromItems(items, order, QStringLiteral(":1.7"));
    ASSERT_TRUE(bar.menuBar);
    EXPECT_EQ(outline(*bar.menuBar), QString::fromUtf8(c.outline));
    if (c.fileShown) {
        const AtspiMenuNode &recent = *bar.menuBar->children[0]->children[0]->children[1];
        EXPECT_EQ(titles(*recent.children[0]), QStringList{QStringLiteral("Document History")});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Items, AtspiItemsHiddenTest,
    testing::Values(HiddenCase{"ShownMenusLeaveOutHiddenItemsAtEveryDepth", true, true, "File: Open, Open Recent, "},
                    HiddenCase{"MenusNotShownKeepEveryItem", false, false,
                               "File: Open, Open Recent, file-open-recent-02,  | Debug: Dump"},
                    HiddenCase{"AShownBarLeavesOutItsHiddenMenu", true, false, ""}),
    [](const testing::TestParamInfo<HiddenCase> &info) { return std::string(info.param.name); });

struct PressCase
{
    const char *name;
    int top;   // index in the menu bar
    int index; // index in its menu
    int actionIndex;
    bool enabled;
    bool bindingWanted;
};

class AtspiItemsPressTest : public testing::TestWithParam<PressCase>
{
};

TEST_P(AtspiItemsPressTest, PressIndexAndKeyBindingFollowStatesAndInterfaces)
{
    const PressCase &c = GetParam();
    const AtspiItemsMenuBar bar = menuBarFromItems(gtkItems(), gtkOrder(), QStringLiteral(":1.7"));
    ASSERT_TRUE(bar.menuBar);
    const AtspiMenuNodePtr &node = bar.menuBar->children[size_t(c.top)]->children[0]->children[size_t(c.index)];
    EXPECT_EQ(node->actionIndex, c.actionIndex);
    EXPECT_EQ(node->enabled, c.enabled);
    const bool wanted = std::find(bar.bindingsWanted.begin(), bar.bindingsWanted.end(), node) != bar.bindingsWanted.end();
    EXPECT_EQ(wanted, c.bindingWanted);
}

INSTANTIATE_TEST_SUITE_P(Items, AtspiItemsPressTest,
                         testing::Values(PressCase{"PlainItem", 0, 0, 0, true, true},
                                         PressCase{"SubmenuHasNoShortcut", 0, 1, 0, true, false},
                                         PressCase{"SeparatorNothing", 0, 2, -1, false, false},
                                         PressCase{"CheckItem", 0, 3, 0, true, true},
                                         PressCase{"DisabledItem", 1, 0, -1, false, false},
                                         PressCase{"NoActionInterface", 1, 1, -1, true, false}),
                         [](const testing::TestParamInfo<PressCase> &info) { return std::string(info.param.name); });

TEST(AtspiItemsTreeTest, ChildMissingFromTheItemsGivesNoMenuBar)
{
    AtspiChildOrder order = gtkOrder();
    order["/m/edit"].push_back("/i/created-after-the-reply");
    EXPECT_FALSE(menuBarFromItems(gtkItems(), order, QString()).menuBar);
}

TEST(AtspiItemsTreeTest, MenuBarOnlyWhereTheWalkWouldFindIt)
{
    // Inside a table, or deeper than the walk searches: not a menu bar of the window.
    std::vector<AtspiCacheItem> inTable = {item("/t", kRoot, ATSPI_ROLE_TABLE), item("/bar", "/t", ATSPI_ROLE_MENU_BAR)};
    EXPECT_TRUE(menuContainersOf(inTable).empty());
    std::vector<AtspiCacheItem> deep;
    QByteArray parent = kRoot;
    for (int i = 0; i < 7; ++i) {
        const QByteArray path = "/p" + QByteArray::number(i);
        deep.push_back(item(path.constData(), parent.constData(), ATSPI_ROLE_PANEL));
        deep.back().path = path;
        deep.back().parentPath = parent;
        parent = path;
    }
    deep.push_back(item("/bar", "", ATSPI_ROLE_MENU_BAR));
    deep.back().parentPath = parent;
    EXPECT_TRUE(menuContainersOf(deep).empty());
    EXPECT_FALSE(menuBarFromItems(deep, {}, QString()).menuBar);
    EXPECT_FALSE(menuBarFromItems({}, {}, QString()).menuBar);
}

// Served trees a buggy or hostile application can give: each building ends within the limits, lists what
// lies within them, and says which limit it reached.
struct HostileItems
{
    const char *name;
    std::function<void(std::vector<AtspiCacheItem> &, AtspiChildOrder &)> build;
    std::function<void(const AtspiItemsMenuBar &, const std::vector<QByteArray> &containers)> check;
};

void countRows(const AtspiMenuNode &node, int depth, int &rows, int &deepest)
{
    for (const AtspiMenuNodePtr &child : node.children) {
        const bool isMenu = child->role == QLatin1String(axrole::kMenu);
        rows += isMenu ? 0 : 1;
        deepest = std::max(deepest, depth);
        countRows(*child, depth + (isMenu ? 1 : 0), rows, deepest);
    }
}

// A bar holding "File" > "New", with the rest added by each case; containers ordered as GetChildren says.
void barWithFile(std::vector<AtspiCacheItem> &items, AtspiChildOrder &order)
{
    items = {item("/bar", kRoot, ATSPI_ROLE_MENU_BAR), item("/m/file", "/bar", ATSPI_ROLE_MENU, "File"),
             item("/i/new", "/m/file", ATSPI_ROLE_MENU_ITEM, "New")};
    order["/bar"] = {"/m/file"};
    order["/m/file"] = {"/i/new"};
}

class AtspiItemsHostileTest : public testing::TestWithParam<HostileItems>
{
};

TEST_P(AtspiItemsHostileTest, BuildingEndsWithinTheLimits)
{
    std::vector<AtspiCacheItem> items;
    AtspiChildOrder order;
    GetParam().build(items, order);
    const std::vector<QByteArray> containers = menuContainersOf(items);
    const AtspiItemsMenuBar bar = menuBarFromItems(items, order, QStringLiteral(":1.9"));
    ASSERT_TRUE(bar.menuBar);
    int rows = 0;
    int deepest = 0;
    countRows(*bar.menuBar, 0, rows, deepest);
    EXPECT_LE(rows, menulimits::kMaxRows);
    EXPECT_LE(deepest, menulimits::kMaxDepth + 1);
    GetParam().check(bar, containers);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, AtspiItemsHostileTest,
    testing::Values(
        // GetChildren of File lists File itself between its items.
        HostileItems{"MenuListingItself",
                     [](auto &items, auto &order) {
                         barWithFile(items, order);
                         items.push_back(item("/i/quit", "/m/file", ATSPI_ROLE_MENU_ITEM, "Quit"));
                         order["/m/file"] = {"/i/new", "/m/file", "/i/quit"};
                     },
                     [](const AtspiItemsMenuBar &bar, const std::vector<QByteArray> &containers) {
                         EXPECT_TRUE(bar.cuts.cycle);
                         EXPECT_FALSE(bar.cuts.partial());
                         EXPECT_EQ(titles(*bar.menuBar->children.at(0)->children.at(0)), (QStringList{"New", "Quit"}));
                         EXPECT_EQ(containers, (std::vector<QByteArray>{"/bar", "/m/file"}));
                     }},
        // GetItems gives a menu whose parent is itself: never reached from the bar, never read.
        HostileItems{"ItemsParentOfThemselves",
                     [](auto &items, auto &order) {
                         barWithFile(items, order);
                         items.push_back(item("/m/loop", "/m/loop", ATSPI_ROLE_MENU, "Loop"));
                         items.push_back(item("/f", kRoot, ATSPI_ROLE_FILLER));
                         items.push_back(item("/f", "/f", ATSPI_ROLE_FILLER));
                     },
                     [](const AtspiItemsMenuBar &bar, const std::vector<QByteArray> &) {
                         EXPECT_EQ(titles(*bar.menuBar), (QStringList{"File"}));
                     }},
        // Menu k lists menu k+1 ten times, twelve levels: each menu read once.
        HostileItems{"SharedMenusFanningOut",
                     [](auto &items, auto &order) {
                         barWithFile(items, order);
                         QByteArray parent = "/m/file";
                         for (int level = 0; level < 12; ++level) {
                             const QByteArray path = "/m/" + QByteArray::number(level);
                             items.push_back(item("", parent.constData(), ATSPI_ROLE_MENU, "Level"));
                             items.back().path = path;
                             order[parent] = std::vector<QByteArray>(10, path);
                             parent = path;
                         }
                     },
                     [](const AtspiItemsMenuBar &bar, const std::vector<QByteArray> &containers) {
                         EXPECT_TRUE(bar.cuts.cycle);
                         EXPECT_EQ(bar.nodes, 13);
                         EXPECT_EQ(containers.size(), 14u);
                     }},
        HostileItems{"VeryDeep",
                     [](auto &items, auto &order) {
                         barWithFile(items, order);
                         QByteArray parent = "/m/file";
                         for (int level = 0; level < 5000; ++level) {
                             const QByteArray path = "/m/" + QByteArray::number(level);
                             items.push_back(item("", parent.constData(), ATSPI_ROLE_MENU, "Down"));
                             items.back().path = path;
                             items.back().parentPath = parent;
                             parent = path;
                         }
                         order.erase(order.find("/m/file")); // the items' own order
                     },
                     [](const AtspiItemsMenuBar &bar, const std::vector<QByteArray> &) {
                         EXPECT_TRUE(bar.cuts.depth);
                         EXPECT_FALSE(bar.cuts.rows);
                     }},
        HostileItems{"MoreItemsThanTheRowLimit",
                     [](auto &items, auto &order) {
                         barWithFile(items, order);
                         for (int i = 0; i < menulimits::kMaxRows + 10; ++i) {
                             items.push_back(item("", "/m/file", ATSPI_ROLE_MENU_ITEM, "Item"));
                             items.back().path = "/i/" + QByteArray::number(i);
                         }
                         order.erase(order.find("/m/file"));
                     },
                     [](const AtspiItemsMenuBar &bar, const std::vector<QByteArray> &) {
                         EXPECT_TRUE(bar.cuts.rows);
                         EXPECT_EQ(bar.nodes, menulimits::kMaxRows);
                         EXPECT_EQ(bar.menuBar->children.at(0)->children.at(0)->children.at(0)->title, QStringLiteral("New"));
                     }}),
    [](const testing::TestParamInfo<HostileItems> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
