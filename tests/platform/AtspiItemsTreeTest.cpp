// Building the menu bar snapshot from an application's GetItems entries and its menus' child order.
#include <gtest/gtest.h>

#include "accessibility/ElementSource.h"
#include "platform/linux/AtspiItemsTree.h"

#include <atspi/atspi.h>

#include <algorithm>
#include <functional>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;

constexpr auto kRoot = "/org/a11y/atspi/accessible/root";

uint64_t states(std::initializer_list<AtspiStateType> list)
{
    uint64_t bits = 0;
    for (AtspiStateType state : list)
        bits |= uint64_t(1) << int(state);
    return bits;
}

const uint64_t kUsable = states({ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE, ATSPI_STATE_VISIBLE});

AtspiCacheItem item(const QByteArray &path, const QByteArray &parent, AtspiRole role, const char *name = "",
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
        list << child->title.value_or(u"<none>"_s);
    return list;
}

// The containers are the menu bar and every menu below it, breadth first; items GTK never shows are left out.
TEST(AtspiItemsTreeTest, BuildsTheReadersShapeInTheGivenOrder)
{
    const std::vector<QByteArray> containers = menuContainersOf(gtkItems());
    ASSERT_EQ(containers.size(), 4u);
    EXPECT_EQ(containers[0], "/bar");
    EXPECT_EQ(containers[3], "/m/recent");

    const AtspiItemsMenuBar bar = menuBarFromItems(gtkItems(), gtkOrder(), u":1.7"_s);
    ASSERT_TRUE(bar.menuBar);
    EXPECT_EQ(bar.menuBar->role, QLatin1String(axrole::kMenuBar));
    EXPECT_EQ(bar.menuBar->path, u"/bar"_s);
    ASSERT_EQ(titles(*bar.menuBar), (QStringList{"File", "Edit"}));
    const AtspiMenuNode &file = *bar.menuBar->children[0];
    EXPECT_EQ(file.role, QLatin1String(axrole::kMenuBarItem));
    ASSERT_EQ(file.children.size(), 1u) << "a GTK menu splits into an item holding a nameless menu";
    const AtspiMenuNode &fileMenu = *file.children[0];
    EXPECT_FALSE(fileMenu.title.has_value());
    EXPECT_EQ(titles(fileMenu), (QStringList{"New", "Recent", QString(), "Word Wrap"}));
    EXPECT_EQ(titles(*fileMenu.children[1]->children[0]), QStringList{"a.txt"});
    EXPECT_TRUE(fileMenu.children[3]->checked);
    EXPECT_EQ(fileMenu.children[0]->busName, u":1.7"_s);
    EXPECT_EQ(fileMenu.children[0]->path, u"/i/new"_s);
    EXPECT_EQ(titles(*bar.menuBar->children[1]->children[0]), (QStringList{"Paste", "No Action"}));
    // nodes: 2 menus, 4 + 1 in File, 3 in Edit; items: all but the separator and the hidden one.
    EXPECT_EQ(bar.nodes, 10);
    EXPECT_EQ(bar.menuItems, 8);
}

// The menus as text: "File: Open, Recent | Debug: Dump".
QString outline(const AtspiMenuNode &bar)
{
    QStringList menus;
    for (const AtspiMenuNodePtr &menu : bar.children) {
        const QStringList items = menu->children.empty() ? QStringList() : titles(*menu->children[0]);
        menus << menu->title.value_or(QString()) + u": "_s + items.join(u", "_s);
    }
    return menus.join(u" | "_s);
}

// GIMP (GTK 2) keeps ten unused "Open Recent" slots without the VISIBLE state; a menu that is not shown (as Qt
// reports every closed menu) tells nothing of its items' VISIBLE state.
TEST(AtspiItemsTreeTest, ItemsWithoutVisibleAreLeftOutWhereTheirMenuIsShown)
{
    const struct
    {
        const char *name;
        bool barShown;
        bool fileShown;
        const char *outline;
    } cases[] = {
        {"shown menus leave out hidden items at every depth", true, true, "File: Open, Open Recent, "},
        {"menus not shown keep every item", false, false, "File: Open, Open Recent, file-open-recent-02,  | Debug: Dump"},
        {"a shown bar leaves out its hidden menu", true, false, ""},
    };
    const uint64_t hidden = states({ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE});
    const AtspiChildOrder order = {
        {"/bar", {"/m/file", "/m/debug"}},
        {"/m/file", {"/i/open", "/m/recent", "/i/slot2", "/sep"}},
        {"/m/recent", {"/i/slot1", "/i/history"}},
        {"/m/debug", {"/i/dump"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<AtspiCacheItem> items = {
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
        const AtspiItemsMenuBar bar = menuBarFromItems(items, order, u":1.7"_s);
        ASSERT_TRUE(bar.menuBar);
        EXPECT_EQ(outline(*bar.menuBar), QString::fromUtf8(c.outline));
        if (c.fileShown) {
            const AtspiMenuNode &recent = *bar.menuBar->children[0]->children[0]->children[1];
            EXPECT_EQ(titles(*recent.children[0]), QStringList{"Document History"});
        }
    }
}

TEST(AtspiItemsTreeTest, PressIndexAndKeyBindingFollowStatesAndInterfaces)
{
    const struct
    {
        const char *name;
        int top;   // index in the menu bar
        int index; // index in its menu
        int actionIndex;
        bool enabled;
        bool bindingWanted;
    } cases[] = {
        {"plain item", 0, 0, 0, true, true},           {"submenu, which has no shortcut", 0, 1, 0, true, false},
        {"separator", 0, 2, -1, false, false},         {"check item", 0, 3, 0, true, true},
        {"disabled item", 1, 0, -1, false, false},     {"no action interface", 1, 1, -1, true, false},
    };
    const AtspiItemsMenuBar bar = menuBarFromItems(gtkItems(), gtkOrder(), u":1.7"_s);
    ASSERT_TRUE(bar.menuBar);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const AtspiMenuNodePtr &node = bar.menuBar->children[size_t(c.top)]->children[0]->children[size_t(c.index)];
        EXPECT_EQ(node->actionIndex, c.actionIndex);
        EXPECT_EQ(node->enabled, c.enabled);
        EXPECT_EQ(std::find(bar.bindingsWanted.begin(), bar.bindingsWanted.end(), node) != bar.bindingsWanted.end(),
                  c.bindingWanted);
    }
}

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
        deep.push_back(item("/p" + QByteArray::number(i), parent, ATSPI_ROLE_PANEL));
        parent = deep.back().path;
    }
    deep.push_back(item("/bar", parent, ATSPI_ROLE_MENU_BAR));
    EXPECT_TRUE(menuContainersOf(deep).empty());
    EXPECT_FALSE(menuBarFromItems(deep, {}, QString()).menuBar);
    EXPECT_FALSE(menuBarFromItems({}, {}, QString()).menuBar);
}

// Served trees a buggy or hostile application can give: each building ends within the limits, lists what
// lies within them, and says which limit it reached. Each starts from a bar holding "File" > "New", with
// containers ordered as GetChildren says.
class AtspiItemsHostileTest : public testing::Test
{
protected:
    static void countRows(const AtspiMenuNode &node, int depth, int &rows, int &deepest)
    {
        for (const AtspiMenuNodePtr &child : node.children) {
            const bool isMenu = child->role == QLatin1String(axrole::kMenu);
            rows += isMenu ? 0 : 1;
            deepest = std::max(deepest, depth);
            countRows(*child, depth + (isMenu ? 1 : 0), rows, deepest);
        }
    }
    // The bar built from `items` and `order`, checked to lie within the limits.
    AtspiItemsMenuBar build()
    {
        containers = menuContainersOf(items);
        AtspiItemsMenuBar bar = menuBarFromItems(items, order, u":1.9"_s);
        EXPECT_TRUE(bar.menuBar);
        int rows = 0;
        int deepest = 0;
        if (bar.menuBar)
            countRows(*bar.menuBar, 0, rows, deepest);
        EXPECT_LE(rows, menulimits::kMaxRows);
        EXPECT_LE(deepest, menulimits::kMaxDepth + 1);
        return bar;
    }
    // A chain of `levels` menus below File, each the only child of the one above it.
    void chainBelowFile(int levels, const char *title)
    {
        QByteArray parent = "/m/file";
        for (int level = 0; level < levels; ++level) {
            const QByteArray path = "/m/" + QByteArray::number(level);
            items.push_back(item(path, parent, ATSPI_ROLE_MENU, title));
            parent = path;
        }
    }

    std::vector<AtspiCacheItem> items = {item("/bar", kRoot, ATSPI_ROLE_MENU_BAR),
                                         item("/m/file", "/bar", ATSPI_ROLE_MENU, "File"),
                                         item("/i/new", "/m/file", ATSPI_ROLE_MENU_ITEM, "New")};
    AtspiChildOrder order = {{"/bar", {"/m/file"}}, {"/m/file", {"/i/new"}}};
    std::vector<QByteArray> containers;
};

// GetChildren of File lists File itself between its items.
TEST_F(AtspiItemsHostileTest, MenuListingItself)
{
    items.push_back(item("/i/quit", "/m/file", ATSPI_ROLE_MENU_ITEM, "Quit"));
    order["/m/file"] = {"/i/new", "/m/file", "/i/quit"};
    const AtspiItemsMenuBar bar = build();
    EXPECT_TRUE(bar.cuts.cycle);
    EXPECT_FALSE(bar.cuts.partial());
    EXPECT_EQ(titles(*bar.menuBar->children.at(0)->children.at(0)), (QStringList{"New", "Quit"}));
    EXPECT_EQ(containers, (std::vector<QByteArray>{"/bar", "/m/file"}));
}

// GetItems gives a menu whose parent is itself: never reached from the bar, never read.
TEST_F(AtspiItemsHostileTest, ItemsParentOfThemselves)
{
    items.push_back(item("/m/loop", "/m/loop", ATSPI_ROLE_MENU, "Loop"));
    items.push_back(item("/f", kRoot, ATSPI_ROLE_FILLER));
    items.push_back(item("/f", "/f", ATSPI_ROLE_FILLER));
    EXPECT_EQ(titles(*build().menuBar), QStringList{"File"});
}

// Menu k lists menu k+1 ten times, twelve levels: each menu read once.
TEST_F(AtspiItemsHostileTest, SharedMenusFanningOut)
{
    chainBelowFile(12, "Level");
    QByteArray parent = "/m/file";
    for (int level = 0; level < 12; ++level) {
        const QByteArray path = "/m/" + QByteArray::number(level);
        order[parent] = std::vector<QByteArray>(10, path);
        parent = path;
    }
    const AtspiItemsMenuBar bar = build();
    EXPECT_TRUE(bar.cuts.cycle);
    EXPECT_EQ(bar.nodes, 13);
    EXPECT_EQ(containers.size(), 14u);
}

TEST_F(AtspiItemsHostileTest, VeryDeep)
{
    chainBelowFile(5000, "Down");
    order.remove("/m/file"); // the items' own order
    const AtspiItemsMenuBar bar = build();
    EXPECT_TRUE(bar.cuts.depth);
    EXPECT_FALSE(bar.cuts.rows);
}

TEST_F(AtspiItemsHostileTest, MoreItemsThanTheRowLimit)
{
    for (int i = 0; i < menulimits::kMaxRows + 10; ++i)
        items.push_back(item("/i/" + QByteArray::number(i), "/m/file", ATSPI_ROLE_MENU_ITEM, "Item"));
    order.remove("/m/file");
    const AtspiItemsMenuBar bar = build();
    EXPECT_TRUE(bar.cuts.rows);
    EXPECT_EQ(bar.nodes, menulimits::kMaxRows);
    EXPECT_EQ(bar.menuBar->children.at(0)->children.at(0)->children.at(0)->title, u"New"_s);
}

} // namespace
} // namespace tavolin
