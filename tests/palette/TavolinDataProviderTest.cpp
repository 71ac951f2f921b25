#include "PaletteTestSupport.h"

#include "palette/SearchUtils.h"
#include "palette/TavolinDataProvider.h"
#include "support/ManualDispatcher.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::makeRow;

class CountingTable final : public ResultTable
{
public:
    void reloadData() override { ++reloads; }
    int reloads = 0;
};

QStringList titlesShown(TavolinDataProvider &provider)
{
    QStringList out;
    for (qsizetype i = 0; i < provider.numberOfRows(); ++i)
        out.append(provider.dataOnRow(i)->title());
    return out;
}

class TavolinDataProviderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_file = makeRow(u"File"_qs, {}, -1, true);
        m_export = makeRow(u"Export"_qs, {u"File"_qs}, -1, true);
        m_pdf = makeRow(u"PDF"_qs, {u"File"_qs, u"Export"_qs});
        m_save = makeRow(u"Save"_qs, {u"File"_qs});
        m_edit = makeRow(u"Edit"_qs, {}, -1, true);
        m_undo = makeRow(u"Undo"_qs, {u"Edit"_qs}, 1);
        m_copy = makeRow(u"Copy"_qs, {u"Edit"_qs}, 0);
        m_files = makeRow(u"Recent"_qs, {u"Files"_qs});
        m_provider.allRows = {m_file, m_export, m_pdf, m_save, m_edit, m_undo, m_copy, m_files};
        m_provider.updateFilter(nullptr);
    }

    test::ScopedMenuRules m_noRules;
    test::ManualDispatcher m_dispatcher;
    TavolinDataProvider m_provider{m_dispatcher};
    MenuItemDataPtr m_file, m_export, m_pdf, m_save, m_edit, m_undo, m_copy, m_files;
};

TEST_F(TavolinDataProviderTest, TopLevelListsHistoryRowsByIndexThenEveryOtherRowInOrder)
{
    EXPECT_EQ(titlesShown(m_provider), (QStringList{u"Copy"_qs, u"Undo"_qs, u"File"_qs, u"Export"_qs, u"PDF"_qs,
                                                    u"Save"_qs, u"Edit"_qs, u"Recent"_qs}));
    EXPECT_TRUE(m_provider.isFirstInGroup(0));
    EXPECT_FALSE(m_provider.isFirstInGroup(1));
    EXPECT_FALSE(m_provider.isFirstInGroup(2));
    EXPECT_EQ(m_provider.filteredMenus, (QList<MenuItemDataPtr>{m_file, m_export, m_edit}));
    EXPECT_EQ(m_provider.dataOnRow(-1), nullptr);
    EXPECT_EQ(m_provider.dataOnRow(8), nullptr);
    // Equal history indexes keep their order.
    m_save->setHistoryIndex(0);
    m_provider.updateFilter(nullptr);
    EXPECT_EQ(m_provider.filteredRecents, (QList<MenuItemDataPtr>{m_save, m_copy, m_undo}));
}

// The input hint comes from the entered row.
TEST_F(TavolinDataProviderTest, EnteringARowListsAllItsDescendantsButNotASiblingWithALongerName)
{
    m_export->setInputHint(u"Export as"_qs);
    EXPECT_EQ(m_provider.inputHint(), u"Commands"_qs);
    m_provider.filter(m_file);
    EXPECT_EQ(titlesShown(m_provider), (QStringList{u"Export"_qs, u"PDF"_qs, u"Save"_qs}));
    EXPECT_EQ(m_provider.filteredParent(), m_file);
    EXPECT_EQ(m_provider.inputHint(), u"Commands"_qs);
    m_provider.filter(m_export);
    EXPECT_EQ(titlesShown(m_provider), QStringList{u"PDF"_qs});
    EXPECT_EQ(m_provider.inputHint(), u"Export as"_qs);
    m_provider.filter(m_export); // the same row again is stacked once
    m_provider.unfilter();
    EXPECT_EQ(m_provider.filteredParent(), m_file);
    EXPECT_EQ(m_provider.numberOfRows(), 3);
    m_provider.clearfilter();
    EXPECT_EQ(m_provider.filteredParent(), nullptr);
    EXPECT_EQ(m_provider.numberOfRows(), 8);
}

TEST_F(TavolinDataProviderTest, SearchRanksTheLevelAndEmptyTextRestoresIt)
{
    CountingTable table;
    EXPECT_TRUE(m_provider.search(u"  save \n"_qs, &table, false));
    EXPECT_EQ(m_provider.keyword, u"save"_qs);
    ASSERT_TRUE(m_provider.searchResults);
    EXPECT_EQ(m_provider.dataOnRow(0), m_save);
    EXPECT_EQ(m_provider.dataOnRow(m_provider.numberOfRows()), nullptr);
    EXPECT_EQ(table.reloads, 1);
    EXPECT_FALSE(m_provider.search(u"save  "_qs, &table, false)); // only blanks differ
    EXPECT_EQ(table.reloads, 1);
    EXPECT_TRUE(m_provider.search(QString(), &table, false));
    EXPECT_FALSE(m_provider.searchResults);
    EXPECT_EQ(m_provider.numberOfRows(), 8);
    m_provider.search(u"copy"_qs, nullptr, false); // history rows are searched too
    ASSERT_GE(m_provider.numberOfRows(), 1);
    EXPECT_EQ(m_provider.dataOnRow(0), m_copy);
}

TEST_F(TavolinDataProviderTest, ForcedSearchRebuildsTheLevelFromAllAndResetForgetsLevelsAndSearch)
{
    m_provider.filter(m_file);
    m_provider.search(u"print"_qs, nullptr, false);
    EXPECT_EQ(m_provider.numberOfRows(), 0);
    m_provider.allRows.append(makeRow(u"Print"_qs, {u"File"_qs}));
    EXPECT_FALSE(m_provider.search(u"print"_qs, nullptr, false));
    EXPECT_TRUE(m_provider.search(u"print"_qs, nullptr, true));
    EXPECT_EQ(m_provider.numberOfRows(), 1);
    m_provider.resetStatus();
    EXPECT_TRUE(m_provider.keyword.isEmpty());
    EXPECT_FALSE(m_provider.searchResults);
    EXPECT_EQ(m_provider.filteredParent(), nullptr);
    EXPECT_TRUE(m_provider.filteredRecents.isEmpty());
}

// In a level whose rows apply on hover, the checked row is selected first, else none; elsewhere the first row.
// A reserved row appears only under its level.
TEST_F(TavolinDataProviderTest, PreviewLevelSelectsTheCheckedRowAndReservedRowsStayInTheirLevel)
{
    EXPECT_EQ(m_provider.firstSelectedItem(), 0);
    auto themes = makeRow(u"Themes"_qs, {}, -1, true);
    themes->setApplyOnHover(true);
    auto light = makeRow(u"Light"_qs, {u"Themes"_qs});
    auto dark = makeRow(u"Dark"_qs, {u"Themes"_qs});
    dark->setShowWhenPathIs(u"Themes"_qs);
    m_provider.allRows = {themes, light, dark, m_save};
    m_provider.updateFilter(nullptr);
    EXPECT_EQ(titlesShown(m_provider), (QStringList{u"Themes"_qs, u"Light"_qs, u"Save"_qs}));
    m_provider.filter(themes);
    EXPECT_EQ(titlesShown(m_provider), (QStringList{u"Light"_qs, u"Dark"_qs}));
    EXPECT_EQ(m_provider.firstSelectedItem(), std::nullopt);
    dark->setIsChecked(true);
    EXPECT_EQ(m_provider.firstSelectedItem(), 1);
    m_provider.search(u"zzz"_qs, nullptr, false);
    EXPECT_EQ(m_provider.firstSelectedItem(), std::nullopt);
}

TEST(TavolinDataProviderAutocomplete, FindsTheSinglePrefixMatchOfASubmenuRow)
{
    const struct
    {
        const char *name;
        const char16_t *typed;
        const char16_t *expected; // nullptr: no candidate
    } cases[] = {
        {"accented capital by plain letter", u"e", u"Édition"},
        {"single prefix", u"fo", u"Format"},
        {"two prefixes are ambiguous", u"f", nullptr},
        {"ambiguous titles stop before Latin forms", u"faj", nullptr},
        {"Latin form of Cyrillic", u"prav", u"Правка"},
        {"found only inside is no candidate", u"dit", nullptr},
        {"rows without submenu are no candidates", u"he", nullptr},
        {"empty text", u"", nullptr},
    };
    test::ScopedMenuRules noRules;
    test::ManualDispatcher dispatcher;
    TavolinDataProvider provider(dispatcher);
    for (const char16_t *title : {u"Édition", u"Format", u"Fenêtre", u"Файл", u"Fajl", u"Fajlovi", u"Правка"})
        provider.allRows.append(makeRow(QString::fromUtf16(title), {}, -1, true));
    provider.allRows.append(makeRow(u"Help"_qs));
    provider.updateFilter(nullptr);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const RowDataPtr match = provider.findMenuMatch(QString::fromUtf16(c.typed));
        EXPECT_EQ(match ? std::optional(match->title()) : std::nullopt,
                  c.expected ? std::optional(QString::fromUtf16(c.expected)) : std::nullopt);
    }
}

class HidingProvider final : public TavolinDataProvider
{
public:
    using TavolinDataProvider::TavolinDataProvider;
    bool hiddenByAncestor(const MenuItemData *, const MenuItemData &current) override
    {
        return current.path().contains(u"Secret"_qs);
    }
};

TEST(TavolinDataProviderHooks, RowsHiddenByAnAncestorAreNotListedButStillCandidates)
{
    test::ScopedMenuRules noRules;
    test::ManualDispatcher dispatcher;
    HidingProvider provider(dispatcher);
    auto secret = makeRow(u"Secret"_qs, {}, -1, true);
    auto inner = makeRow(u"Inner"_qs, {u"Secret"_qs}, -1, true);
    provider.allRows = {secret, inner, makeRow(u"Leaf"_qs, {u"Secret"_qs, u"Inner"_qs})};
    provider.updateFilter(nullptr);
    EXPECT_EQ(titlesShown(provider), QStringList{u"Secret"_qs});
    EXPECT_EQ(provider.filteredMenus.size(), 2);
    provider.filter(secret);
    EXPECT_EQ(provider.numberOfRows(), 0);
}

} // namespace
} // namespace tavolin
