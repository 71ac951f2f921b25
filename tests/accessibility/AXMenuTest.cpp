#include "AxTestSupport.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::json;

QStringList titles(const AXMenu &menu)
{
    QStringList out;
    for (const AXMenuItemPtr &item : menu.items())
        out << item->title().value_or(QStringLiteral("<none>"));
    return out;
}

ElementRef menuBarOf(FakeElementSource &source, int32_t pid)
{
    return AXUtils::getAny<ElementRef>(source, AXAttribute::MenuBar, source.applicationElement(pid)).value_or(nullptr);
}

const char *kFilters = R"({"pid": 20, "menuBar": [
    {"title": "App", "menu": [{"title": "About"}]},
    {"title": "Edit", "menu": [
        {"title": "Undo"},
        {"separator": true},
        {"title": ""},
        {"title": "Locked", "enabled": false, "menu": [{"title": "InsideLocked"}]},
        {"title": "Hidden", "menu": [{"title": "InsideHidden"}]},
        {"title": "Kept", "menu": [
            {"title": "Deep"},
            {"separator": true},
            {"title": "DeepLocked", "enabled": false},
            {"title": "Deeper", "menu": [{"title": "Deepest"}, {"separator": true}]}
        ]},
        {"title": "NoTitle", "fail": ["AXTitle"], "menu": [{"title": "InsideNoTitle"}]}
    ]},
    {"separator": true},
    {"title": "Off", "enabled": false, "menu": [{"title": "InsideOff"}]}
]})";

class AXMenuTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(source->addApplication(json(kFilters))); }

    AXMenu readEdit(std::map<QString, int64_t> rules = {})
    {
        AXMenu menu;
        menu.readMenuItems(test::readContext(source, std::move(rules)),
                           source->findMenuItem(20, {QStringLiteral("Edit")}) ? editMenuElement() : nullptr,
                           MenuLevel::Submenu);
        return menu;
    }
    ElementRef editMenuElement()
    {
        const auto children = AXUtils::getAny<ElementList>(*source, AXAttribute::Children,
                                                           source->findMenuItem(20, {QStringLiteral("Edit")}));
        return children && !children->empty() ? children->front() : nullptr;
    }

    std::shared_ptr<FakeElementSource> source = std::make_shared<FakeElementSource>();
};

TEST_F(AXMenuTest, KeepsTitledEnabledItemsInOrder)
{
    const AXMenu edit = readEdit();
    EXPECT_EQ(titles(edit), (QStringList{"Undo", "Hidden", "Kept"}));
}

TEST_F(AXMenuTest, SeparatorsAndDisabledItemsAreDroppedAtEveryDepth)
{
    const AXMenu edit = readEdit();
    const AXMenuItemPtr kept = edit.items().back();
    ASSERT_TRUE(kept->submenu());
    EXPECT_EQ(titles(*kept->submenu()), (QStringList{"Deep", "Deeper"}));
    ASSERT_TRUE(kept->submenu()->items()[1]->submenu());
    EXPECT_EQ(titles(*kept->submenu()->items()[1]->submenu()), QStringList{"Deepest"});
}

TEST_F(AXMenuTest, DisabledItemsSubmenuIsNeverRead)
{
    readEdit();
    EXPECT_EQ(source->requestCount(QStringLiteral("InsideLocked")), 0);
    EXPECT_GT(source->requestCount(QStringLiteral("Deepest")), 0);
}

TEST_F(AXMenuTest, KeptDisabledItemsAreMarkedAtEveryDepthAndTheirSubmenusStayUnread)
{
    auto context = std::make_shared<AXReadContext>(*test::readContext(source));
    context->keepDisabled = true;
    AXMenu edit;
    edit.readMenuItems(context, editMenuElement(), MenuLevel::Submenu);
    ASSERT_EQ(titles(edit), (QStringList{"Undo", "Locked", "Hidden", "Kept"}));
    const AXMenuItemPtr &locked = edit.items()[1];
    EXPECT_FALSE(locked->enabled());
    EXPECT_FALSE(locked->submenu());
    EXPECT_EQ(source->requestCount(QStringLiteral("InsideLocked")), 0);
    const AXMenuItemPtr &kept = edit.items().back();
    EXPECT_TRUE(kept->enabled());
    ASSERT_TRUE(kept->submenu());
    EXPECT_EQ(titles(*kept->submenu()), (QStringList{"Deep", "DeepLocked", "Deeper"}));
    EXPECT_FALSE(kept->submenu()->items()[1]->enabled());
}

TEST_F(AXMenuTest, UntitledItemsSubmenuIsNeverRead)
{
    readEdit();
    EXPECT_EQ(source->requestCount(QStringLiteral("InsideNoTitle")), 0);
}

TEST_F(AXMenuTest, RuleTwoDropsTheItemAndLeavesItsSubmenuUnread)
{
    const AXMenu edit = readEdit({{QStringLiteral("Hidden"), 2}});
    EXPECT_EQ(titles(edit), (QStringList{"Undo", "Kept"}));
    EXPECT_EQ(source->requestCount(QStringLiteral("InsideHidden")), 0);
}

TEST_F(AXMenuTest, RuleTwoAppliesDeepInsideToo)
{
    const AXMenu edit = readEdit({{QStringLiteral("Deeper"), 2}});
    EXPECT_EQ(titles(*edit.items().back()->submenu()), QStringList{"Deep"});
    EXPECT_EQ(source->requestCount(QStringLiteral("Deepest")), 0);
}

TEST_F(AXMenuTest, OtherRuleOptionsKeepTheItem)
{
    for (int64_t option : {0, 1}) {
        const AXMenu edit = readEdit({{QStringLiteral("Hidden"), option}});
        EXPECT_EQ(titles(edit), (QStringList{"Undo", "Hidden", "Kept"})) << option;
    }
}

TEST_F(AXMenuTest, RuleLookupGetsTheApplicationKey)
{
    QStringList lookups;
    auto context = std::make_shared<AXReadContext>();
    context->source = source;
    context->appKey = [] { return QStringLiteral("scribe"); };
    context->ignorableOption = [&lookups](const QString &title, const QString &key) -> std::optional<int64_t> {
        lookups << key + QLatin1Char(':') + title;
        return std::nullopt;
    };
    AXMenu edit;
    edit.readMenuItems(context, editMenuElement(), MenuLevel::Submenu);
    EXPECT_TRUE(lookups.contains(QStringLiteral("scribe:Undo")));
    EXPECT_TRUE(lookups.contains(QStringLiteral("scribe:Deepest")));
}

TEST_F(AXMenuTest, TopLevelListsTheFirstMenuWhenThereIsNoSystemMenu)
{
    AXMenu bar;
    bar.readMenuItems(test::readContext(source), menuBarOf(*source, 20), MenuLevel::TopLevel);
    EXPECT_EQ(titles(bar), (QStringList{"App", "Edit"}));
    for (const AXMenuItemPtr &item : bar.items())
        EXPECT_FALSE(item->submenu());
    EXPECT_EQ(source->requestCount(QStringLiteral("Undo")), 0);
}

TEST_F(AXMenuTest, TopLevelSkipsTheSystemMenuWhereTheSourceHasOne)
{
    source->setMenuBarStartsWithSystemMenu(true);
    AXMenu bar;
    bar.readMenuItems(test::readContext(source), menuBarOf(*source, 20), MenuLevel::TopLevel);
    EXPECT_EQ(titles(bar), QStringList{"Edit"});
    EXPECT_EQ(source->requestCount(QStringLiteral("App")), 0);
}

TEST_F(AXMenuTest, SubmenusNeverSkipTheirFirstItem)
{
    source->setMenuBarStartsWithSystemMenu(true);
    EXPECT_EQ(titles(readEdit()).value(0), QStringLiteral("Undo"));
}

TEST_F(AXMenuTest, FailedChildrenReadGivesAnEmptyMenu)
{
    source->failReads(QString(), AXAttribute::Children); // the AXMenu level has no title
    EXPECT_TRUE(readEdit().items().empty());
}

TEST_F(AXMenuTest, NullElementGivesAnEmptyMenu)
{
    AXMenu menu;
    menu.readMenuItems(test::readContext(source), nullptr, MenuLevel::Submenu);
    EXPECT_TRUE(menu.items().empty());
}

TEST_F(AXMenuTest, RoleIsEmptyWhenUnreadable)
{
    EXPECT_EQ(AXMenu::role(*source, editMenuElement()), QLatin1String(axrole::kMenu));
    source->failReads(QString(), AXAttribute::Role);
    EXPECT_EQ(AXMenu::role(*source, editMenuElement()), QString());
    EXPECT_EQ(AXMenu::role(*source, nullptr), QString());
}

} // namespace
} // namespace tavolin
