#include "AxTestSupport.h"

#include "accessibility/AXMenu.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::json;

// The item of one application (pid 10) whose bar holds an "Edit" menu with the one item described.
AXMenuItem readItem(const char *item, ReadDepth depth)
{
    auto source = std::make_shared<FakeElementSource>();
    EXPECT_TRUE(source->addApplication(
        json(QByteArray(R"({"pid": 10, "menuBar": [{"title": "Edit", "menu": [)") + item + "]}]}")));
    const ElementRef element = source->findMenuItem(10, {u"Edit"_s, u"Item"_s});
    EXPECT_TRUE(element);
    return AXMenuItem(test::readContext(source), element, depth);
}

TEST(AXMenuItemShortcutTest, ReadsTheShortcutAsTheApplicationShowsIt)
{
    const std::pair<const char *, std::optional<KeyData>> cases[] = {
        {R"({"title": "Item", "cmdChar": "S"})", KeyData(u"S"_s, 0, keymask::kNoCommand)}, // no modifiers: none
        {R"({"title": "Item", "cmdChar": "S", "modifiers": 1})", KeyData(u"S"_s, 0, 1)},
        {R"({"title": "Item", "cmdChar": ""})", std::nullopt},
        {R"({"title": "Item"})", std::nullopt},
        {R"({"title": "Item", "cmdChar": "A", "virtualKey": 0, "modifiers": 0})", KeyData(u"A"_s, 0, 0)},
        {R"({"title": "Item", "virtualKey": 0, "modifiers": 0})", std::nullopt},
        {R"({"title": "Item", "virtualKey": 122, "modifiers": 8})", KeyData(QString(), 122, 8)},
        {R"({"title": "Item", "glyph": 23, "modifiers": 0})", KeyData(QString(), 23, 0)}, // the glyph stands in
        {R"({"title": "Item", "virtualKey": 51, "glyph": 23, "modifiers": 0})", KeyData(QString(), 51, 0)},
        {R"({"title": "Item", "virtualKey": 51, "glyph": 23, "modifiers": 2, "fail": ["AXMenuItemCmdVirtualKey"]})",
         KeyData(QString(), 23, 2)},
        {R"({"title": "Item", "cmdChar": "P", "modifiers": 1, "fail": ["AXMenuItemCmdModifiers"]})",
         KeyData(u"P"_s, 0, keymask::kNoCommand)},
    };
    for (const auto &[item, expected] : cases)
        EXPECT_EQ(readItem(item, ReadDepth::WithSubmenus).shortcut(), expected) << item;
}

TEST(AXMenuItemShortcutTest, OnlyTheCheckMarkChecks)
{
    const std::pair<const char *, bool> cases[] = {
        {R"({"title": "Item", "mark": "✓"})", true},
        {R"({"title": "Item", "mark": "•"})", false},
        {R"({"title": "Item", "mark": "-"})", false},
        {R"({"title": "Item", "mark": ""})", false},
        {R"({"title": "Item", "mark": "✓ "})", false},
        {R"({"title": "Item"})", false},
        {R"({"title": "Item", "mark": "✓", "fail": ["AXMenuItemMarkChar"]})", false},
    };
    for (const auto &[item, checked] : cases)
        EXPECT_EQ(readItem(item, ReadDepth::ItemOnly).checked(), checked) << item;
}

class AXMenuItemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        source = std::make_shared<FakeElementSource>();
        ASSERT_TRUE(source->addApplicationFile(test::dataPath("scribe.json")));
    }
    ElementRef find(const QStringList &titles) const { return source->findMenuItem(4101, titles); }

    std::shared_ptr<FakeElementSource> source;
};

TEST_F(AXMenuItemTest, TopLevelItemIsReadWithoutItsSubmenuUntilAskedAndAgainWhenAsked)
{
    AXMenuItem file(test::readContext(source), find({u"File"_s}), ReadDepth::ItemOnly);
    EXPECT_EQ(file.title(), u"File"_s);
    EXPECT_TRUE(file.enabled());
    EXPECT_FALSE(file.submenu());
    EXPECT_EQ(source->requestCount(u"Save"_s), 0);

    file.readSubmenu();
    ASSERT_TRUE(file.submenu());
    QStringList titles;
    for (const AXMenuItemPtr &item : file.submenu()->items())
        titles << item->title().value_or(QString());
    // "Revert" is disabled; separators have no title.
    EXPECT_EQ(titles, (QStringList{"New", "New Window", "Open…", "Open Recent", "Save", "Save As…", "Save All",
                                   "Print…", "Print Preview", "Close Tab", "Close Window", "Quit"}));
    ASSERT_TRUE(file.submenu()->items()[3]->submenu());
    EXPECT_EQ(file.submenu()->items()[3]->submenu()->items().size(), 4u);

    // Reading it again replaces it.
    const std::shared_ptr<AXMenu> first = file.submenu();
    file.readSubmenu();
    ASSERT_TRUE(file.submenu());
    EXPECT_NE(file.submenu(), first);
    EXPECT_EQ(file.submenu()->items().size(), first->items().size());
}

// Option 2 of a menu rule keeps no submenu and reads no children; the other options read it.
TEST_F(AXMenuItemTest, RuleTwoKeepsNoSubmenuAndReadsNoChildren)
{
    for (const int64_t option : {2, 0, 1, 3}) {
        AXMenuItem edit(test::readContext(source, {{u"Edit"_s, option}}), find({u"Edit"_s}), ReadDepth::ItemOnly);
        edit.readSubmenu();
        EXPECT_EQ(bool(edit.submenu()), option != 2) << option;
        EXPECT_TRUE(option != 2 || source->requestCount(u"Undo"_s) == 0);
    }
}

TEST(AXMenuItemShapeTest, OnlyASingleMenuChildIsASubmenu)
{
    auto source = std::make_shared<FakeElementSource>();
    ASSERT_TRUE(source->addApplication(json(R"({"pid": 12, "menuBar": [
        {"title": "Group", "children": [{"role": "AXGroup", "children": [{"title": "Hidden"}]}]},
        {"title": "Two", "children": [{"role": "AXMenu", "children": [{"title": "A"}]},
                                      {"role": "AXMenu", "children": [{"title": "B"}]}]},
        {"title": "Real", "menu": [{"title": "C"}]},
        {"title": "RoleUnreadable", "children": [{"role": "AXMenu", "fail": ["AXRole"], "children": [{"title": "D"}]}]}
    ]})")));
    const auto context = test::readContext(source);
    auto read = [&](const char *title) {
        AXMenuItem item(context, source->findMenuItem(12, {QString::fromUtf8(title)}), ReadDepth::ItemOnly);
        item.readSubmenu();
        return item.submenu();
    };
    EXPECT_FALSE(read("Group"));
    EXPECT_EQ(source->requestCount(u"Hidden"_s), 0);
    EXPECT_FALSE(read("Two"));
    EXPECT_EQ(source->requestCount(u"A"_s), 0);
    ASSERT_TRUE(read("Real"));
    EXPECT_EQ(read("Real")->items().size(), 1u);
    EXPECT_FALSE(read("RoleUnreadable"));
}

TEST(AXMenuItemShapeTest, UnreadableAttributesDegrade)
{
    auto source = std::make_shared<FakeElementSource>();
    ASSERT_TRUE(source->addApplication(json(R"({"pid": 13, "menuBar": [
        {"title": "NoEnabled", "fail": ["AXEnabled"], "menu": [{"title": "X"}]},
        {"title": "NoChildren", "fail": ["AXChildren"], "menu": [{"title": "Y"}]}
    ]})")));
    const auto context = test::readContext(source);
    const AXMenuItem noEnabled(context, source->findMenuItem(13, {u"NoEnabled"_s}), ReadDepth::WithSubmenus);
    EXPECT_FALSE(noEnabled.enabled());
    EXPECT_FALSE(noEnabled.submenu());
    EXPECT_EQ(source->requestCount(u"X"_s), 0);

    AXMenuItem noChildren(context, source->findMenuItem(13, {u"NoChildren"_s}), ReadDepth::WithSubmenus);
    EXPECT_TRUE(noChildren.enabled());
    EXPECT_FALSE(noChildren.submenu());
}

} // namespace
} // namespace tavolin
