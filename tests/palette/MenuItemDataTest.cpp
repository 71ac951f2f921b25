#include "PaletteTestSupport.h"

#include "accessibility/AXMenu.h"
#include "support/FakeElementSource.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::makeRow;

constexpr int32_t kPid = 5150;

const char *const kApp = R"({
  "title": "Scribe", "pid": 5150, "appName": "scribe",
  "menuBar": [ { "title": "File", "menu": [
      { "title": "Save\n", "cmdChar": "S", "modifiers": 0 },
      { "title": "Word Wrap", "mark": "✓" },
      { "title": "Export", "menu": [ { "title": "PDF" } ] },
      { "title": "Empty", "menu": [] } ] } ]
})";

class MenuItemDataTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_source = std::make_shared<FakeElementSource>();
        m_source->setRealTime(false);
        ASSERT_TRUE(m_source->addApplication(QJsonDocument::fromJson(kApp).object()));
        auto context = std::make_shared<AXReadContext>();
        context->source = m_source;
        m_context = context;
        m_file = std::make_shared<MenuItemData>(u"File"_qs, QStringList{}, false, std::nullopt, u"scribe"_qs);
    }
    void TearDown() override
    {
        MenuItemData::setPerformedSink({});
        MenuItemData::setPressFailedSink({});
    }

    MenuItemDataPtr rowFor(const QStringList &titles)
    {
        const ElementRef element = m_source->findMenuItem(kPid, titles);
        EXPECT_TRUE(element);
        auto record = std::make_shared<AXMenuItem>(m_context, element, ReadDepth::WithSubmenus);
        return std::make_shared<MenuItemData>(record, m_file.get(), u"scribe"_qs);
    }

    test::ScopedMenuRules m_noRules;
    std::shared_ptr<FakeElementSource> m_source;
    AXReadContextPtr m_context;
    MenuItemDataPtr m_file;
};

TEST_F(MenuItemDataTest, RowOfARecordTakesTrimmedTitlePathAndShortcut)
{
    const MenuItemDataPtr save = rowFor({u"File"_qs, u"Save\n"_qs});
    EXPECT_EQ(save->title(), u"Save"_qs);
    EXPECT_EQ(save->path(), QStringList{u"File"_qs});
    ASSERT_TRUE(save->shortcut());
    EXPECT_EQ(save->shortcut()->cmdChar, u"S"_qs);
    EXPECT_FALSE(save->expands());
    EXPECT_FALSE(save->isChecked());
    EXPECT_TRUE(save->ref());
}

TEST_F(MenuItemDataTest, CheckMarkAndSubmenuComeFromTheRecord)
{
    EXPECT_TRUE(rowFor({u"File"_qs, u"Word Wrap"_qs})->isChecked());
    const MenuItemDataPtr exportRow = rowFor({u"File"_qs, u"Export"_qs});
    EXPECT_TRUE(exportRow->expands());
    EXPECT_TRUE(exportRow->expands());
    EXPECT_FALSE(rowFor({u"File"_qs, u"Empty"_qs})->expands());
}

// Applying presses the item and records it; a press that reached nothing is reported to the user.
TEST_F(MenuItemDataTest, ApplyPressesTheItemRecordsItAndReportsAPressThatReachedNothing)
{
    const struct
    {
        AXError outcome;    // what the press came to in the application
        const char *report; // what the user is told; empty: nothing
    } cases[] = {
        {AXError::Success, ""},
        {AXError::InvalidElement, "Save: the menu item is gone: the application changed its menus or quit"},
        {AXError::CannotComplete, "Save: the application is not answering"},
    };
    QStringList recorded;
    MenuItemData::setPerformedSink([&](const MenuItemData &row) { recorded.append(row.title()); });
    QStringList reports;
    MenuItemData::setPressFailedSink([&](const QString &title, const QString &why) { reports << title + QStringLiteral(": ") + why; });
    for (const auto &c : cases) {
        SCOPED_TRACE(c.report);
        recorded.clear();
        reports.clear();
        const qsizetype before = m_source->performed().size();
        m_source->setPressOutcome(u"Save\n"_qs, c.outcome);
        EXPECT_TRUE(rowFor({u"File"_qs, u"Save\n"_qs})->apply());
        EXPECT_EQ(m_source->performed().size(), before + 1);
        if (c.outcome == AXError::Success) {
            EXPECT_EQ(recorded, QStringList{u"Save"_qs});
        }
        EXPECT_EQ(reports, *c.report ? QStringList{QString::fromUtf8(c.report)} : QStringList());
    }
}

TEST_F(MenuItemDataTest, ApplyWithAnActionNeitherPressesNorRecords)
{
    QStringList recorded;
    MenuItemData::setPerformedSink([&](const MenuItemData &row) { recorded.append(row.title()); });
    const MenuItemDataPtr save = rowFor({u"File"_qs, u"Save\n"_qs});
    save->setAction([](RowData &) { return false; });
    EXPECT_FALSE(save->apply());
    EXPECT_TRUE(m_source->performed().isEmpty());
    EXPECT_TRUE(recorded.isEmpty());
}

TEST(MenuItemData, RowsWithoutLiveItemApplyTrue)
{
    test::ScopedMenuRules noRules;
    EXPECT_TRUE(makeRow(u"About"_qs)->apply());
}

TEST(MenuItemData, LatinTitleIsEmptyOnlyWhenNothingChanges)
{
    test::ScopedMenuRules noRules;
    EXPECT_EQ(makeRow(u"Save As"_qs)->latinTitle(), QString());
    EXPECT_EQ(makeRow(u"Préférences"_qs)->latinTitle(), u"Preferences"_qs);
    EXPECT_EQ(makeRow(u"Файл"_qs)->latinTitle(), u"Fajl"_qs);
}

TEST(MenuItemData, RowsUnderAParentGetTheSameLatinPathAsAnExplicitPath)
{
    test::ScopedMenuRules noRules;
    const MenuItemData file(u"Файл"_qs, true, std::nullopt, nullptr, QString());
    const MenuItemData export_(u"Экспорт"_qs, true, std::nullopt, &file, QString());
    const MenuItemData pdf(u"PDF"_qs, false, std::nullopt, &export_, QString());
    EXPECT_EQ(pdf.path(), (QStringList{u"Файл"_qs, u"Экспорт"_qs}));
    EXPECT_EQ(pdf.latinPath(), makeRow(u"PDF"_qs, {u"Файл"_qs, u"Экспорт"_qs})->latinPath());
    EXPECT_EQ(pdf.latinPath(), (QStringList{u"Fajl"_qs, u"Eksport"_qs}));
    EXPECT_EQ(pdf.secondaryLabel(), u"Файл \u2022 Экспорт"_qs);
    EXPECT_EQ(export_.path(), QStringList{u"Файл"_qs}); // a parent's own path is untouched
}

TEST(MenuItemData, SelfHiddenFollowsTheMenuRule)
{
    const struct
    {
        const char *name;
        std::optional<int64_t> option;
        bool hidden;
    } cases[] = {{"no rule", std::nullopt, false}, {"hide item", 0, true}, {"hide children only", 1, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList asked;
        test::ScopedMenuRules rules([&](const QString &title, const QString &appKey) {
            asked.append(title + u"@"_qs + appKey);
            return c.option;
        });
        MenuItemData row(u"Print"_qs, {u"File"_qs}, false, std::nullopt, u"scribe"_qs);
        EXPECT_EQ(row.isSelfHidden(), c.hidden);
        EXPECT_EQ(asked, QStringList{u"Print@scribe"_qs});
    }
}

} // namespace
} // namespace tavolin
