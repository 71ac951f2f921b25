#include "AxTestSupport.h"

#include "accessibility/AXMenu.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::json;

struct ShortcutCase
{
    const char *name;
    const char *item; // JSON of one menu item
    std::optional<KeyData> expected;
};

class ShortcutTest : public ::testing::TestWithParam<ShortcutCase>
{
};

TEST_P(ShortcutTest, ReadsTheShortcutAsTheApplicationShowsIt)
{
    auto source = std::make_shared<FakeElementSource>();
    QJsonObject app = json(R"({"pid": 10, "menuBar": [{"title": "Edit", "menu": []}]})");
    QJsonArray items{json(GetParam().item)};
    QJsonObject edit = app[QStringLiteral("menuBar")].toArray()[0].toObject();
    edit[QStringLiteral("menu")] = items;
    app[QStringLiteral("menuBar")] = QJsonArray{edit};
    ASSERT_TRUE(source->addApplication(app));
    const ElementRef element = source->findMenuItem(10, {QStringLiteral("Edit"), QStringLiteral("Item")});
    ASSERT_TRUE(element);

    const AXMenuItem item(test::readContext(source), element, ReadDepth::WithSubmenus);
    EXPECT_EQ(item.shortcut(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortcutTest,
    ::testing::Values(
        ShortcutCase{"CharOnlyDefaultsToNoCommandModifier", R"({"title": "Item", "cmdChar": "S"})",
                     KeyData(QStringLiteral("S"), 0, keymask::kNoCommand)},
        ShortcutCase{"CharWithModifiers", R"({"title": "Item", "cmdChar": "S", "modifiers": 1})",
                     KeyData(QStringLiteral("S"), 0, 1)},
        ShortcutCase{"EmptyCharWithoutKeyIsNone", R"({"title": "Item", "cmdChar": ""})", std::nullopt},
        ShortcutCase{"NoAttributesIsNone", R"({"title": "Item"})", std::nullopt},
        ShortcutCase{"VirtualKeyZeroWithCharKeepsTheChar", R"({"title": "Item", "cmdChar": "A", "virtualKey": 0, "modifiers": 0})",
                     KeyData(QStringLiteral("A"), 0, 0)},
        ShortcutCase{"VirtualKeyZeroWithoutCharIsNone", R"({"title": "Item", "virtualKey": 0, "modifiers": 0})", std::nullopt},
        ShortcutCase{"VirtualKeyWithoutChar", R"({"title": "Item", "virtualKey": 122, "modifiers": 8})",
                     KeyData(QString(), 122, 8)},
        ShortcutCase{"GlyphStandsInWithoutVirtualKey", R"({"title": "Item", "glyph": 23, "modifiers": 0})",
                     KeyData(QString(), 23, 0)},
        ShortcutCase{"VirtualKeyWinsOverGlyph", R"({"title": "Item", "virtualKey": 51, "glyph": 23, "modifiers": 0})",
                     KeyData(QString(), 51, 0)},
        ShortcutCase{"FailingVirtualKeyReadFallsBackToGlyph",
                     R"({"title": "Item", "virtualKey": 51, "glyph": 23, "modifiers": 2, "fail": ["AXMenuItemCmdVirtualKey"]})",
                     KeyData(QString(), 23, 2)},
        ShortcutCase{"FailingModifiersReadMeansNoCommand",
                     R"({"title": "Item", "cmdChar": "P", "modifiers": 1, "fail": ["AXMenuItemCmdModifiers"]})",
                     KeyData(QStringLiteral("P"), 0, keymask::kNoCommand)}),
    [](const auto &info) { return std::string(info.param.name); });

struct MarkCase
{
    const char *name;
    const char *item;
    bool checked;
};

class CheckMarkTest : public ::testing::TestWithParam<MarkCase>
{
};

TEST_P(CheckMarkTest, OnlyTheCheckMarkChecks)
{
    auto source = std::make_shared<FakeElementSource>();
    QJsonObject app = json(R"({"pid": 11, "menuBar": []})");
    app[QStringLiteral("menuBar")] = QJsonArray{json(GetParam().item)};
    ASSERT_TRUE(source->addApplication(app));
    const AXMenuItem item(test::readContext(source), source->findMenuItem(11, {QStringLiteral("Item")}), ReadDepth::ItemOnly);
    EXPECT_EQ(item.checked(), GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckMarkTest,
                         ::testing::Values(MarkCase{"CheckMark", R"({"title": "Item", "mark": "✓"})", true},
                                           MarkCase{"Bullet", R"({"title": "Item", "mark": "•"})", false},
                                           MarkCase{"Dash", R"({"title": "Item", "mark": "-"})", false},
                                           MarkCase{"Empty", R"({"title": "Item", "mark": ""})", false},
                                           MarkCase{"CheckMarkWithSpace", R"({"title": "Item", "mark": "✓ "})", false},
                                           MarkCase{"NoMark", R"({"title": "Item"})", false},
                                           MarkCase{"UnreadableMark", R"({"title": "Item", "mark": "✓", "fail": ["AXMenuItemMarkChar"]})", false}),
                         [](const auto &info) { return std::string(info.param.name); });

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

TEST_F(AXMenuItemTest, TopLevelItemIsReadWithoutItsSubmenuUntilAsked)
{
    AXMenuItem file(test::readContext(source), find({QStringLiteral("File")}), ReadDepth::ItemOnly);
    EXPECT_EQ(file.title(), QStringLiteral("File"));
    EXPECT_TRUE(file.enabled());
    EXPECT_FALSE(file.submenu());
    EXPECT_EQ(source->requestCount(QStringLiteral("Save")), 0);

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
}

TEST_F(AXMenuItemTest, ReadingTheSubmenuAgainReplacesIt)
{
    AXMenuItem file(test::readContext(source), find({QStringLiteral("File")}), ReadDepth::ItemOnly);
    file.readSubmenu();
    const std::shared_ptr<AXMenu> first = file.submenu();
    file.readSubmenu();
    ASSERT_TRUE(file.submenu());
    EXPECT_NE(file.submenu(), first);
    EXPECT_EQ(file.submenu()->items().size(), first->items().size());
}

TEST_F(AXMenuItemTest, RuleTwoKeepsNoSubmenuAndReadsNoChildren)
{
    AXMenuItem edit(test::readContext(source, {{QStringLiteral("Edit"), 2}}), find({QStringLiteral("Edit")}),
                    ReadDepth::ItemOnly);
    edit.readSubmenu();
    EXPECT_FALSE(edit.submenu());
    EXPECT_EQ(source->requestCount(QStringLiteral("Undo")), 0);
}

TEST_F(AXMenuItemTest, OtherRuleOptionsStillReadTheSubmenu)
{
    for (int64_t option : {0, 1, 3}) {
        AXMenuItem edit(test::readContext(source, {{QStringLiteral("Edit"), option}}), find({QStringLiteral("Edit")}),
                        ReadDepth::ItemOnly);
        edit.readSubmenu();
        EXPECT_TRUE(edit.submenu()) << option;
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
    EXPECT_EQ(source->requestCount(QStringLiteral("Hidden")), 0);
    EXPECT_FALSE(read("Two"));
    EXPECT_EQ(source->requestCount(QStringLiteral("A")), 0);
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
    const AXMenuItem noEnabled(context, source->findMenuItem(13, {QStringLiteral("NoEnabled")}), ReadDepth::WithSubmenus);
    EXPECT_FALSE(noEnabled.enabled());
    EXPECT_FALSE(noEnabled.submenu());
    EXPECT_EQ(source->requestCount(QStringLiteral("X")), 0);

    AXMenuItem noChildren(context, source->findMenuItem(13, {QStringLiteral("NoChildren")}), ReadDepth::WithSubmenus);
    EXPECT_TRUE(noChildren.enabled());
    EXPECT_FALSE(noChildren.submenu());
}

} // namespace
} // namespace tavolin
