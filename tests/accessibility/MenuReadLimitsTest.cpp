// The menu reader over trees a buggy or hostile application can serve: cycles, shared menus, very deep and
// very wide menus, elements that vanish. Each reading ends, lists what lies within the limits in menu
// order, and says which limit it reached.
#include "support/MenuGraphSource.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavolin {
namespace {

using test::MenuGraphSource;

struct Reading
{
    QStringList rows; // "Top > Item > Sub" for every record, depth first in menu order
    int deepest = 0;  // menus below the bar of the deepest record
    MenuReadCuts cuts;
};

void collect(const AXMenu &menu, const QString &path, int depth, Reading &reading)
{
    for (const AXMenuItemPtr &item : menu.items()) {
        const QString row = path.isEmpty() ? *item->title() : path + QStringLiteral(" > ") + *item->title();
        reading.rows << row;
        reading.deepest = std::max(reading.deepest, depth);
        if (item->submenu())
            collect(*item->submenu(), row, depth + 1, reading);
    }
}

// As the application object reads: the bar's items, then each one's submenu.
Reading readAll(const std::shared_ptr<MenuGraphSource> &source)
{
    auto context = std::make_shared<AXReadContext>();
    context->source = source;
    context->budget = std::make_shared<MenuReadBudget>(QStringLiteral("Hostile"));
    const ElementRef bar = AXUtils::getAny<ElementRef>(*source, AXAttribute::MenuBar, source->application()).value();
    AXMenu menu;
    menu.readMenuItems(context, bar, MenuLevel::TopLevel);
    for (const AXMenuItemPtr &item : menu.items())
        item->readSubmenu();
    Reading reading;
    collect(menu, QString(), 0, reading);
    reading.cuts = context->budget->cuts();
    return reading;
}

// Menu k holds `fanOut` entries of the same item, which leads to menu k+1; `levels` menus.
void fanOutShape(MenuGraphSource &graph, int fanOut, int levels)
{
    const int bar = graph.add({});
    int below = graph.addMenu({graph.addItem(QStringLiteral("Leaf"))});
    for (int level = levels - 1; level > 0; --level) {
        const int item = graph.addItem(QStringLiteral("Level %1").arg(level), below);
        below = graph.addMenu(std::vector<int>(size_t(fanOut), item));
    }
    graph.node(bar).children = {graph.addItem(QStringLiteral("Top"), below)};
}

struct HostileCase
{
    const char *name;
    std::function<void(MenuGraphSource &)> build;
    bool identities;
    std::function<void(const Reading &)> check;
};

class MenuReadLimitsTest : public testing::TestWithParam<HostileCase>
{
};

TEST_P(MenuReadLimitsTest, ReadingEndsWithinTheLimitsAndListsTheRest)
{
    auto source = std::make_shared<MenuGraphSource>();
    source->setIdentities(GetParam().identities);
    GetParam().build(*source);
    const Reading reading = readAll(source);
    EXPECT_LE(reading.rows.size(), menulimits::kMaxRows);
    EXPECT_LE(reading.deepest, menulimits::kMaxDepth);
    GetParam().check(reading);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, MenuReadLimitsTest,
    testing::Values(
        // File's menu lists an item leading back to File's menu, and the menu itself among its items.
        HostileCase{"MenuListingItself", [](MenuGraphSource &g) {
                        const int bar = g.add({});
                        const int menu = g.addMenu({});
                        const int loop = g.addItem(QStringLiteral("Loop"), menu);
                        g.node(menu).children = {g.addItem(QStringLiteral("New")), loop, menu, g.addItem(QStringLiteral("Quit"))};
                        g.node(bar).children = {g.addItem(QStringLiteral("File"), menu), g.addItem(QStringLiteral("Help"), g.addMenu({g.addItem(QStringLiteral("About"))}))};
                    }, true,
                    [](const Reading &r) {
                        EXPECT_TRUE(r.cuts.cycle);
                        EXPECT_FALSE(r.cuts.partial());
                        EXPECT_EQ(r.rows, (QStringList{"File", "File > New", "File > Loop", "File > Quit", "Help", "Help > About"}));
                    }},
        // Without identities the same cycle is cut by depth.
        HostileCase{"MenuListingItselfWithoutIdentities", [](MenuGraphSource &g) {
                        const int bar = g.add({});
                        const int menu = g.addMenu({});
                        g.node(menu).children = {g.addItem(QStringLiteral("New")), g.addItem(QStringLiteral("Loop"), menu)};
                        g.node(bar).children = {g.addItem(QStringLiteral("File"), menu)};
                    }, false,
                    [](const Reading &r) {
                        EXPECT_TRUE(r.cuts.depth);
                        EXPECT_EQ(r.rows.mid(0, 3), (QStringList{"File", "File > New", "File > Loop"}));
                    }},
        // Ten entries of menu k+1 in menu k, twelve levels: 10^11 paths, one each read.
        HostileCase{"SharedMenusFanningOut", [](MenuGraphSource &g) { fanOutShape(g, 10, 12); }, true,
                    [](const Reading &r) {
                        EXPECT_TRUE(r.cuts.cycle);
                        EXPECT_EQ(r.rows.size(), 13);
                        EXPECT_EQ(r.rows.last().count(QStringLiteral(" > ")), 12);
                    }},
        HostileCase{"SharedMenusFanningOutWithoutIdentities", [](MenuGraphSource &g) { fanOutShape(g, 10, 12); }, false,
                    [](const Reading &r) {
                        EXPECT_TRUE(r.cuts.rows);
                        EXPECT_GT(r.rows.size(), menulimits::kMaxRows / 3);
                    }},
        HostileCase{"VeryDeep", [](MenuGraphSource &g) {
                        const int bar = g.add({});
                        int below = g.addMenu({g.addItem(QStringLiteral("Bottom"))});
                        for (int level = 0; level < 200; ++level)
                            below = g.addMenu({g.addItem(QStringLiteral("Down"), below)});
                        g.node(bar).children = {g.addItem(QStringLiteral("Top"), below)};
                    }, true,
                    [](const Reading &r) {
                        EXPECT_TRUE(r.cuts.depth);
                        EXPECT_EQ(r.deepest, menulimits::kMaxDepth);
                        EXPECT_FALSE(r.cuts.rows);
                    }},
        // 20,000 items in 20 menus are within the limits: all listed, in order.
        HostileCase{"WideMenusWithinTheLimits", [](MenuGraphSource &g) {
                        const int bar = g.add({});
                        for (int m = 0; m < 20; ++m) {
                            std::vector<int> items;
                            for (int i = 0; i < 1000; ++i)
                                items.push_back(g.addItem(QStringLiteral("Item %1.%2").arg(m).arg(i)));
                            g.node(bar).children.push_back(g.addItem(QStringLiteral("Menu %1").arg(m), g.addMenu(std::move(items))));
                        }
                    }, true,
                    [](const Reading &r) {
                        EXPECT_FALSE(r.cuts.any());
                        EXPECT_EQ(r.rows.size(), 20 * 1001);
                        EXPECT_EQ(r.rows.at(1), QStringLiteral("Menu 0 > Item 0.0"));
                        EXPECT_EQ(r.rows.last(), QStringLiteral("Menu 19 > Item 19.999"));
                    }},
        HostileCase{"MoreItemsThanTheRowLimit", [](MenuGraphSource &g) {
                        const int bar = g.add({});
                        std::vector<int> items;
                        for (int i = 0; i < menulimits::kMaxRows + 5000; ++i)
                            items.push_back(g.addItem(QStringLiteral("Item %1").arg(i)));
                        g.node(bar).children = {g.addItem(QStringLiteral("Big"), g.addMenu(std::move(items))),
                                                g.addItem(QStringLiteral("After"), g.addMenu({g.addItem(QStringLiteral("Late"))}))};
                    }, true,
                    [](const Reading &r) {
                        EXPECT_TRUE(r.cuts.rows);
                        EXPECT_EQ(r.rows.at(1), QStringLiteral("Big > Item 0"));
                    }},
        // A menu destroyed while it is read: the reading says so and lists the others.
        HostileCase{"MenuGoneMidReading", [](MenuGraphSource &g) {
                        const int bar = g.add({});
                        const int gone = g.addMenu({g.addItem(QStringLiteral("Lost"))});
                        g.node(bar).children = {g.addItem(QStringLiteral("Edit"), gone),
                                                g.addItem(QStringLiteral("View"), g.addMenu({g.addItem(QStringLiteral("Zoom"))}))};
                        g.vanishAfter(gone, 1); // its role is read, then it is gone
                    }, true,
                    [](const Reading &r) {
                        EXPECT_TRUE(r.cuts.vanished);
                        EXPECT_EQ(r.rows, (QStringList{"Edit", "View", "View > Zoom"}));
                    }}),
    [](const testing::TestParamInfo<HostileCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
