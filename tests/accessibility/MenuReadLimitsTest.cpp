// The menu reader over trees a buggy or hostile application can serve: cycles, shared menus, very deep and
// very wide menus, elements that vanish. Each reading ends, lists what lies within the limits in menu
// order, and says which limit it reached.
#include "support/MenuGraphSource.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"

#include <gtest/gtest.h>

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

// Each case builds its tree, reads it as the application object does (the bar's items, then each one's
// submenu), and checks the reading lies within the limits.
class MenuReadLimitsTest : public testing::Test
{
protected:
    Reading read()
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
        EXPECT_LE(reading.rows.size(), menulimits::kMaxRows);
        EXPECT_LE(reading.deepest, menulimits::kMaxDepth);
        return reading;
    }
    int item(const char *title, int submenu = -1) { return source->addItem(QString::fromUtf8(title), submenu); }
    // Menu k holds `fanOut` entries of the same item, which leads to menu k+1; `levels` menus.
    void fanOutShape(int fanOut, int levels)
    {
        const int bar = source->add({});
        int below = source->addMenu({item("Leaf")});
        for (int level = levels - 1; level > 0; --level)
            below = source->addMenu(std::vector<int>(size_t(fanOut), source->addItem(QStringLiteral("Level %1").arg(level), below)));
        source->node(bar).children = {item("Top", below)};
    }

    std::shared_ptr<MenuGraphSource> source = std::make_shared<MenuGraphSource>();
};

// File's menu lists an item leading back to File's menu, and the menu itself among its items.
TEST_F(MenuReadLimitsTest, MenuListingItself)
{
    const int bar = source->add({});
    const int menu = source->addMenu({});
    source->node(menu).children = {item("New"), item("Loop", menu), menu, item("Quit")};
    source->node(bar).children = {item("File", menu), item("Help", source->addMenu({item("About")}))};
    const Reading r = read();
    EXPECT_TRUE(r.cuts.cycle);
    EXPECT_FALSE(r.cuts.partial());
    EXPECT_EQ(r.rows, (QStringList{"File", "File > New", "File > Loop", "File > Quit", "Help", "Help > About"}));
}

// Without identities the same cycle is cut by depth.
TEST_F(MenuReadLimitsTest, MenuListingItselfWithoutIdentities)
{
    source->setIdentities(false);
    const int bar = source->add({});
    const int menu = source->addMenu({});
    source->node(menu).children = {item("New"), item("Loop", menu)};
    source->node(bar).children = {item("File", menu)};
    const Reading r = read();
    EXPECT_TRUE(r.cuts.depth);
    EXPECT_EQ(r.rows.mid(0, 3), (QStringList{"File", "File > New", "File > Loop"}));
}

// Ten entries of menu k+1 in menu k, twelve levels: 10^11 paths, one each read; without identities the rows
// limit ends it.
TEST_F(MenuReadLimitsTest, SharedMenusFanningOut)
{
    fanOutShape(10, 12);
    Reading r = read();
    EXPECT_TRUE(r.cuts.cycle);
    EXPECT_EQ(r.rows.size(), 13);
    EXPECT_EQ(r.rows.last().count(QStringLiteral(" > ")), 12);

    source = std::make_shared<MenuGraphSource>();
    source->setIdentities(false);
    fanOutShape(10, 12);
    r = read();
    EXPECT_TRUE(r.cuts.rows);
    EXPECT_GT(r.rows.size(), menulimits::kMaxRows / 3);
}

TEST_F(MenuReadLimitsTest, VeryDeep)
{
    const int bar = source->add({});
    int below = source->addMenu({item("Bottom")});
    for (int level = 0; level < 200; ++level)
        below = source->addMenu({item("Down", below)});
    source->node(bar).children = {item("Top", below)};
    const Reading r = read();
    EXPECT_TRUE(r.cuts.depth);
    EXPECT_EQ(r.deepest, menulimits::kMaxDepth);
    EXPECT_FALSE(r.cuts.rows);
}

// 20,000 items in 20 menus are within the limits: all listed, in order.
TEST_F(MenuReadLimitsTest, WideMenusWithinTheLimits)
{
    const int bar = source->add({});
    for (int m = 0; m < 20; ++m) {
        std::vector<int> items;
        for (int i = 0; i < 1000; ++i)
            items.push_back(source->addItem(QStringLiteral("Item %1.%2").arg(m).arg(i)));
        source->node(bar).children.push_back(source->addItem(QStringLiteral("Menu %1").arg(m), source->addMenu(std::move(items))));
    }
    const Reading r = read();
    EXPECT_FALSE(r.cuts.any());
    EXPECT_EQ(r.rows.size(), 20 * 1001);
    EXPECT_EQ(r.rows.at(1), QStringLiteral("Menu 0 > Item 0.0"));
    EXPECT_EQ(r.rows.last(), QStringLiteral("Menu 19 > Item 19.999"));
}

TEST_F(MenuReadLimitsTest, MoreItemsThanTheRowLimit)
{
    const int bar = source->add({});
    std::vector<int> items;
    for (int i = 0; i < menulimits::kMaxRows + 5000; ++i)
        items.push_back(source->addItem(QStringLiteral("Item %1").arg(i)));
    source->node(bar).children = {item("Big", source->addMenu(std::move(items))), item("After", source->addMenu({item("Late")}))};
    const Reading r = read();
    EXPECT_TRUE(r.cuts.rows);
    EXPECT_EQ(r.rows.at(1), QStringLiteral("Big > Item 0"));
}

// A menu destroyed while it is read: the reading says so and lists the others.
TEST_F(MenuReadLimitsTest, MenuGoneMidReading)
{
    const int bar = source->add({});
    const int gone = source->addMenu({item("Lost")});
    source->node(bar).children = {item("Edit", gone), item("View", source->addMenu({item("Zoom")}))};
    source->vanishAfter(gone, 1); // its role is read, then it is gone
    const Reading r = read();
    EXPECT_TRUE(r.cuts.vanished);
    EXPECT_EQ(r.rows, (QStringList{"Edit", "View", "View > Zoom"}));
}

} // namespace
} // namespace tavolin
