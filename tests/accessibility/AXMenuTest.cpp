#include "AxTestSupport.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::json;

QStringList titles(const AXMenu &menu)
{
    QStringList out;
    for (const AXMenuItemPtr &item : menu.items())
        out << item->title().value_or(u"<none>"_s);
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
    void freshSource()
    {
        source = std::make_shared<FakeElementSource>();
        ASSERT_TRUE(source->addApplication(json(kFilters)));
    }

    AXMenu readEdit(std::map<QString, int64_t> rules = {})
    {
        AXMenu menu;
        menu.readMenuItems(test::readContext(source, std::move(rules)),
                           source->findMenuItem(20, {u"Edit"_s}) ? editMenuElement() : nullptr,
                           MenuLevel::Submenu);
        return menu;
    }
    ElementRef editMenuElement()
    {
        const auto children = AXUtils::getAny<ElementList>(*source, AXAttribute::Children,
                                                           source->findMenuItem(20, {u"Edit"_s}));
        return children && !children->empty() ? children->front() : nullptr;
    }

    std::shared_ptr<FakeElementSource> source = std::make_shared<FakeElementSource>();
};

// Separators, untitled and disabled items are dropped at every depth, and the submenus of the last two are
// never read; with the item's option 2 a menu rule drops an item and leaves its submenu unread, at any depth,
// and other options keep it.
TEST_F(AXMenuTest, KeepsTitledEnabledItemsInOrderAndWhatTheRulesLeave)
{
    const struct
    {
        std::map<QString, int64_t> rules;
        QStringList edit;
        QStringList kept; // the submenu of "Kept"
        QStringList unread;
    } cases[] = {
        {{}, {"Undo", "Hidden", "Kept"}, {"Deep", "Deeper"}, {"InsideLocked", "InsideNoTitle"}},
        {{{"Hidden", 2}}, {"Undo", "Kept"}, {"Deep", "Deeper"}, {"InsideHidden"}},
        {{{"Deeper", 2}}, {"Undo", "Hidden", "Kept"}, {"Deep"}, {"Deepest"}},
        {{{"Hidden", 0}}, {"Undo", "Hidden", "Kept"}, {"Deep", "Deeper"}, {}},
        {{{"Hidden", 1}}, {"Undo", "Hidden", "Kept"}, {"Deep", "Deeper"}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rules.empty() ? "no rules" : c.rules.begin()->first.toStdString());
        freshSource();
        const AXMenu edit = readEdit(c.rules);
        EXPECT_EQ(titles(edit), c.edit);
        const AXMenuItemPtr kept = edit.items().back();
        ASSERT_TRUE(kept->submenu());
        EXPECT_EQ(titles(*kept->submenu()), c.kept);
        for (const QString &title : c.unread)
            EXPECT_EQ(source->requestCount(title), 0) << title.toStdString();
    }
    const AXMenuItemPtr deeper = readEdit().items().back()->submenu()->items()[1];
    ASSERT_TRUE(deeper->submenu());
    EXPECT_EQ(titles(*deeper->submenu()), QStringList{"Deepest"});
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
    EXPECT_EQ(source->requestCount(u"InsideLocked"_s), 0);
    const AXMenuItemPtr &kept = edit.items().back();
    EXPECT_TRUE(kept->enabled());
    ASSERT_TRUE(kept->submenu());
    EXPECT_EQ(titles(*kept->submenu()), (QStringList{"Deep", "DeepLocked", "Deeper"}));
    EXPECT_FALSE(kept->submenu()->items()[1]->enabled());
}

TEST_F(AXMenuTest, RuleLookupGetsTheApplicationKey)
{
    QStringList lookups;
    auto context = std::make_shared<AXReadContext>();
    context->source = source;
    context->appKey = [] { return u"scribe"_s; };
    context->ignorableOption = [&lookups](const QString &title, const QString &key) -> std::optional<int64_t> {
        lookups << key + QLatin1Char(':') + title;
        return std::nullopt;
    };
    AXMenu edit;
    edit.readMenuItems(context, editMenuElement(), MenuLevel::Submenu);
    EXPECT_TRUE(lookups.contains(u"scribe:Undo"_s));
    EXPECT_TRUE(lookups.contains(u"scribe:Deepest"_s));
}

// The bar's items without their submenus, the system menu skipped where the source has one; a submenu
// never skips its first item.
TEST_F(AXMenuTest, TopLevelSkipsTheSystemMenuWhereTheSourceHasOne)
{
    for (const bool systemMenu : {false, true}) {
        SCOPED_TRACE(systemMenu);
        freshSource();
        source->setMenuBarStartsWithSystemMenu(systemMenu);
        AXMenu bar;
        bar.readMenuItems(test::readContext(source), menuBarOf(*source, 20), MenuLevel::TopLevel);
        EXPECT_EQ(titles(bar), (systemMenu ? QStringList{"Edit"} : QStringList{"App", "Edit"}));
        for (const AXMenuItemPtr &item : bar.items())
            EXPECT_FALSE(item->submenu());
        EXPECT_EQ(source->requestCount(u"Undo"_s), 0);
        EXPECT_EQ(source->requestCount(u"App"_s) == 0, systemMenu);
    }
    EXPECT_EQ(titles(readEdit()).value(0), u"Undo"_s);
}

TEST_F(AXMenuTest, FailedChildrenReadOrNoElementGivesAnEmptyMenu)
{
    AXMenu none;
    none.readMenuItems(test::readContext(source), nullptr, MenuLevel::Submenu);
    EXPECT_TRUE(none.items().empty());
    source->failReads(QString(), AXAttribute::Children); // the AXMenu level has no title
    EXPECT_TRUE(readEdit().items().empty());
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
