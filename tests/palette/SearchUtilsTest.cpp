#include "PaletteTestSupport.h"

#include "palette/SearchUtils.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::makeRow;

class SearchUtilsTest : public ::testing::Test
{
protected:
    double scoreOf(const MenuItemDataPtr &row, const QString &keyword)
    {
        return m_search.rowScore(FoldedText(keyword, m_search.foldMode()), *row);
    }

    static QStringList titles(const QList<MenuItemDataPtr> &rows)
    {
        QStringList out;
        for (const auto &row : rows)
            out.append(row->title());
        return out;
    }

    test::ScopedMenuRules m_noRules;
    SearchUtils m_search;
};

TEST_F(SearchUtilsTest, EqualTitleScoresOneAndMostRecentHistoryDoublesIt)
{
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Save"_qs), u"Save"_qs), 1.0);
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Save"_qs, {}, 0), u"Save"_qs), 2.0);
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Save"_qs, {}, 9), u"Save"_qs), 1.1);
}

TEST_F(SearchUtilsTest, HistoryBoostPutsTheRecentRowFirst)
{
    // "Save As" alone would lose to "Save" for "sa" (0.632143 < 0.7125); as the fifth history entry it wins.
    const QList<MenuItemDataPtr> rows{makeRow(u"Save"_qs), makeRow(u"Save As"_qs, {}, 4)};
    EXPECT_NEAR(scoreOf(rows[1], u"sa"_qs), 0.632143 * 1.6, 1e-6);
    EXPECT_EQ(titles(m_search.search(u"sa"_qs, rows)), (QStringList{u"Save As"_qs, u"Save"_qs}));
}

TEST_F(SearchUtilsTest, HistoryBoostNeedsAScoreAboveTheThreshold)
{
    // "Preferences" against "ere" scores 0.254545 by title: the rescue gives 0.45, not a boosted value.
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Preferences"_qs, {}, 0), u"ere"_qs), 0.45);
}

TEST_F(SearchUtilsTest, ContainmentRescueListsAWeakTitleThatContainsTheKeyword)
{
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Preferences"_qs), u"ere"_qs), 0.45);
    // Containment ignores case but not accents.
    EXPECT_LT(scoreOf(makeRow(u"Préférences"_qs), u"ere"_qs), 0.45);
}

TEST_F(SearchUtilsTest, PunctuationSpacedTitleIsTried)
{
    // "P" after "-" is worth 0.1; after the space of "Print Preview" it is worth 0.9.
    EXPECT_NEAR(scoreOf(makeRow(u"Print-Preview"_qs), u"pp"_qs), 0.5 * (1.6 / 13 + 1.6 / 2) + 0.15, 1e-9);
}

TEST_F(SearchUtilsTest, EnglishTitleIsTriedInsteadOfThePunctuationForm)
{
    auto row = makeRow(u"Speichern"_qs);
    EXPECT_LT(scoreOf(row, u"save"_qs), 0.4);
    row->setEnTitle(u"Save"_qs);
    EXPECT_NEAR(scoreOf(row, u"save"_qs), 0.5 * (3.1 / 4 + 3.1 / 4) + 0.15, 1e-9);
}

TEST_F(SearchUtilsTest, PathFormLiftsARowJustAboveTheThreshold)
{
    // Title alone: 0.211640. "View Zoom In" against "vzi": 0.7 + 0.9 + 0.9 → 0.670833;
    // 0.4 + (0.670833 − 0.1) / 20.
    const auto row = makeRow(u"Zoom In"_qs, {u"View"_qs});
    EXPECT_NEAR(scoreOf(row, u"vzi"_qs), 0.4 + (0.5 * (2.5 / 12 + 2.5 / 3) + 0.15 - 0.1) / 20, 1e-9);
    EXPECT_EQ(m_search.search(u"vzi"_qs, {row}).size(), 1);
}

TEST_F(SearchUtilsTest, PathFormsUseNoFuzziness)
{
    // "q" occurs nowhere: the path form scores 0 and leaves the row at 0.4 − 0.005.
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Zoom In"_qs, {u"View"_qs}), u"vqzi"_qs), 0.4 - 0.005);
}

TEST_F(SearchUtilsTest, LatinPathFormFindsAPathInAnotherScript)
{
    const auto row = makeRow(u"Zoom In"_qs, {u"Вид"_qs});
    EXPECT_NEAR(scoreOf(row, u"vzi"_qs), 0.4 + (0.5 * (2.5 / 11 + 2.5 / 3) + 0.15 - 0.1) / 20, 1e-9);
}

TEST_F(SearchUtilsTest, SubmenuPenaltyLowersAndCanDropARow)
{
    EXPECT_NEAR(scoreOf(makeRow(u"Save"_qs, {}, -1, true), u"Save"_qs), 0.9, 1e-12);
    const auto rescued = makeRow(u"Preferences"_qs, {}, -1, true);
    EXPECT_DOUBLE_EQ(scoreOf(rescued, u"ere"_qs), 0.4);
    EXPECT_TRUE(m_search.search(u"ere"_qs, {rescued}).isEmpty());
}

TEST_F(SearchUtilsTest, CyrillicTitleIsFoundByItsTransliteration)
{
    const QList<MenuItemDataPtr> rows{makeRow(u"Правка"_qs), makeRow(u"Файл"_qs), makeRow(u"Fax"_qs)};
    const QList<MenuItemDataPtr> found = m_search.search(u"fajl"_qs, rows);
    ASSERT_FALSE(found.isEmpty());
    EXPECT_EQ(found.first()->title(), u"Файл"_qs);
    EXPECT_NEAR(scoreOf(rows[1], u"fajl"_qs), 0.5 * (3.1 / 4 + 3.1 / 4) + 0.15, 1e-9);
}

TEST_F(SearchUtilsTest, AccentedTitleIsFoundByPlainLetters)
{
    const QList<MenuItemDataPtr> rows{makeRow(u"Zoom"_qs), makeRow(u"Édition avancée"_qs)};
    EXPECT_EQ(titles(m_search.search(u"edition"_qs, rows)), (QStringList{u"Édition avancée"_qs}));
}

TEST_F(SearchUtilsTest, EqualScoresKeepTheGivenOrderAndTheThresholdIsStrict)
{
    const QList<MenuItemDataPtr> rows{makeRow(u"Copy"_qs, {u"Edit"_qs}), makeRow(u"Quit"_qs),
                                      makeRow(u"Copy"_qs, {u"Format"_qs}), makeRow(u"Copy"_qs, {}, -1, true)};
    // The submenu row drops to exactly 0.9 and follows; "Quit" is not listed.
    const QList<MenuItemDataPtr> found = m_search.search(u"Copy"_qs, rows);
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0], rows[0]);
    EXPECT_EQ(found[1], rows[2]);
    EXPECT_EQ(found[2], rows[3]);
}

TEST_F(SearchUtilsTest, TurkishLocaleFoldsTheDottedCapitalI)
{
    const auto row = makeRow(u"İçe Aktar"_qs);
    m_search.setLocaleContext(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_GT(scoreOf(row, u"ic"_qs), 0.4);
    EXPECT_EQ(m_search.foldMode(), FoldMode::Turkic);
    m_search.setLocaleContext(QLocale(QLocale::German));
    EXPECT_EQ(m_search.foldMode(), FoldMode::Default);
}

TEST_F(SearchUtilsTest, PlainStringScoreUsesTheLocaleContext)
{
    m_search.setLocaleContext(QLocale(QLocale::Turkish));
    EXPECT_EQ(m_search.score(u"Işık"_qs, u"i"_qs, std::nullopt), 0.0);
    m_search.setLocaleContext(std::nullopt);
    EXPECT_GT(m_search.score(u"Işık"_qs, u"i"_qs, std::nullopt), 0.0);
}

} // namespace
} // namespace tavolin
