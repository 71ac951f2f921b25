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

// The scores' own values are the formula's business; these pin what they decide: what is listed, and in
// which order.
TEST_F(SearchUtilsTest, TheMoreRecentAHistoryRowTheHigherItScores)
{
    const double plain = scoreOf(makeRow(u"Save"_qs), u"Save"_qs);
    const double older = scoreOf(makeRow(u"Save"_qs, {}, 9), u"Save"_qs);
    const double latest = scoreOf(makeRow(u"Save"_qs, {}, 0), u"Save"_qs);
    EXPECT_LT(plain, older);
    EXPECT_LT(older, latest);
}

TEST_F(SearchUtilsTest, HistoryBoostPutsTheRecentRowFirst)
{
    const QList<MenuItemDataPtr> plain{makeRow(u"Save"_qs), makeRow(u"Save As"_qs)};
    ASSERT_EQ(titles(m_search.search(u"sa"_qs, plain)), (QStringList{u"Save"_qs, u"Save As"_qs}));
    const QList<MenuItemDataPtr> rows{makeRow(u"Save"_qs), makeRow(u"Save As"_qs, {}, 4)};
    EXPECT_EQ(titles(m_search.search(u"sa"_qs, rows)), (QStringList{u"Save As"_qs, u"Save"_qs}));
}

// A weak title that contains the keyword is listed, above rows found only by their path; the history
// boosts only a title match, never that rescue.
TEST_F(SearchUtilsTest, ContainmentRescueListsAWeakTitleThatContainsTheKeyword)
{
    const double rescued = scoreOf(makeRow(u"Preferences"_qs), u"ere"_qs);
    EXPECT_EQ(m_search.search(u"ere"_qs, {makeRow(u"Preferences"_qs)}).size(), 1);
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Preferences"_qs, {}, 0), u"ere"_qs), rescued);
    // Containment ignores case but not accents.
    EXPECT_LT(scoreOf(makeRow(u"Préférences"_qs), u"ere"_qs), rescued);
    EXPECT_GT(rescued, scoreOf(makeRow(u"Zoom In"_qs, {u"View"_qs}), u"vzi"_qs));
}

TEST_F(SearchUtilsTest, PunctuationSpacedTitleIsTried)
{
    // "P" after "-" counts as an inner letter; spaced, it starts a word.
    EXPECT_DOUBLE_EQ(scoreOf(makeRow(u"Print-Preview"_qs), u"pp"_qs), scoreOf(makeRow(u"Print Preview"_qs), u"pp"_qs));
}

TEST_F(SearchUtilsTest, EnglishTitleIsTriedInsteadOfThePunctuationForm)
{
    auto row = makeRow(u"Speichern"_qs);
    EXPECT_TRUE(m_search.search(u"save"_qs, {row}).isEmpty());
    row->setEnTitle(u"Save"_qs);
    EXPECT_EQ(m_search.search(u"save"_qs, {row}).size(), 1);
}

TEST_F(SearchUtilsTest, PathFormListsARowBelowEveryTitleMatch)
{
    const auto byPath = makeRow(u"Zoom In"_qs, {u"View"_qs});
    EXPECT_TRUE(m_search.search(u"vzi"_qs, {makeRow(u"Zoom In"_qs)}).isEmpty());
    const auto byTitle = makeRow(u"Viz Info"_qs);
    EXPECT_EQ(m_search.search(u"vzi"_qs, {byPath, byTitle}), (QList<MenuItemDataPtr>{byTitle, byPath}));
}

TEST_F(SearchUtilsTest, PathFormsUseNoFuzziness)
{
    // Every letter occurs in "View Zoom In", not in this order: a fuzzy path form would still list the row.
    EXPECT_TRUE(m_search.search(u"vzni"_qs, {makeRow(u"Zoom In"_qs, {u"View"_qs})}).isEmpty());
    EXPECT_TRUE(m_search.search(u"vqzi"_qs, {makeRow(u"Zoom In"_qs, {u"View"_qs})}).isEmpty());
}

TEST_F(SearchUtilsTest, LatinPathFormFindsAPathInAnotherScript)
{
    EXPECT_EQ(m_search.search(u"vzi"_qs, {makeRow(u"Zoom In"_qs, {u"Вид"_qs})}).size(), 1);
}

TEST_F(SearchUtilsTest, SubmenuPenaltyLowersAndCanDropARow)
{
    EXPECT_LT(scoreOf(makeRow(u"Save"_qs, {}, -1, true), u"Save"_qs), scoreOf(makeRow(u"Save"_qs), u"Save"_qs));
    EXPECT_TRUE(m_search.search(u"ere"_qs, {makeRow(u"Preferences"_qs, {}, -1, true)}).isEmpty());
}

TEST_F(SearchUtilsTest, CyrillicTitleIsFoundByItsTransliteration)
{
    const QList<MenuItemDataPtr> rows{makeRow(u"Правка"_qs), makeRow(u"Файл"_qs), makeRow(u"Fax"_qs)};
    const QList<MenuItemDataPtr> found = m_search.search(u"fajl"_qs, rows);
    ASSERT_FALSE(found.isEmpty());
    EXPECT_EQ(found.first()->title(), u"Файл"_qs);
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
