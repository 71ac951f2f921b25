#include "palette/FuzzyScore.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace tavolin {
namespace {

double scoreOf(const QString &text, const QString &word, std::optional<double> fuzziness,
               FoldMode mode = FoldMode::Default)
{
    return fuzzyScore(FoldedText(text, mode), FoldedText(word, mode), fuzziness);
}

struct RankCase
{
    const char *name;
    const char16_t *word;
    std::vector<const char16_t *> bestFirst; // every title scores above zero and above the next
};
void PrintTo(const RankCase &row, std::ostream *out) { *out << row.name; }

class FuzzyRanking : public ::testing::TestWithParam<RankCase>
{
};

TEST_P(FuzzyRanking, OrdersTitlesBestFirst)
{
    const RankCase &c = GetParam();
    double previous = 2.0;
    for (const char16_t *title : c.bestFirst) {
        const double score = scoreOf(QString::fromUtf16(title), QString::fromUtf16(c.word), 0.2);
        EXPECT_GT(score, 0.0) << QString::fromUtf16(title).toStdString();
        EXPECT_LT(score, previous) << QString::fromUtf16(title).toStdString();
        previous = score;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Titles, FuzzyRanking,
    ::testing::Values(
        RankCase{"EqualTitleThenShorterPrefixedTitle", u"save", {u"Save", u"Save As", u"Save All Tabs"}},
        RankCase{"ConsecutiveLettersBeatScatteredOnes", u"cop", {u"Copy", u"Close Open Project"}},
        RankCase{"SameFirstLetterBeatsALaterOne", u"e", {u"Edit", u"Save"}},
        RankCase{"WordStartsBeatInnerLetters", u"nw", {u"Nu Window", u"New Window"}},
        RankCase{"SameMarksBeatFoldedMarks", u"Éd", {u"Édition", u"Edition"}},
        RankCase{"AClusterIsOneLetterNotWrittenTheSame", u"cafe", {u"Cafe", u"Café"}},
        RankCase{"CyrillicFoldsCase", u"фа", {u"Файл", u"Формат"}},
        RankCase{"AMissingLetterCostsButStillLists", u"cqy", {u"Copy"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FuzzyScore, ScoresNothingWithoutAMatch)
{
    EXPECT_EQ(scoreOf(u"Copy"_qs, u"cqy"_qs, std::nullopt), 0.0);
    EXPECT_EQ(scoreOf(u"Save"_qs, QString(), 0.2), 0.0);
    EXPECT_EQ(scoreOf(QString(), u"s"_qs, 0.2), 0.0);
    EXPECT_EQ(scoreOf(u"Save"_qs, u"Save"_qs, 0.2), 1.0);
}

TEST(FuzzyScore, PrecomposedAndDecomposedSpellingsAreTheSameText)
{
    EXPECT_DOUBLE_EQ(scoreOf(u"\u00e9t\u00e9"_qs, u"e\u0301"_qs, 0.2), scoreOf(u"\u00e9t\u00e9"_qs, u"\u00e9"_qs, 0.2));
}

TEST(ContainsIgnoringCase, CaseIgnoredMarksNot)
{
    EXPECT_TRUE(containsIgnoringCase(FoldedText(u"Save All Tabs"_qs, FoldMode::Default),
                                     FoldedText(u"all t"_qs, FoldMode::Default)));
    EXPECT_FALSE(containsIgnoringCase(FoldedText(u"Café"_qs, FoldMode::Default),
                                      FoldedText(u"cafe"_qs, FoldMode::Default)));
    EXPECT_TRUE(containsIgnoringCase(FoldedText(u"CAFÉ"_qs, FoldMode::Default),
                                     FoldedText(u"café"_qs, FoldMode::Default)));
    EXPECT_FALSE(containsIgnoringCase(FoldedText(u"Save"_qs, FoldMode::Default), FoldedText()));
    EXPECT_FALSE(containsIgnoringCase(FoldedText(u"Sa"_qs, FoldMode::Default),
                                      FoldedText(u"Save"_qs, FoldMode::Default)));
}

TEST(StartsWithFolded, PrefixIgnoringCaseAndMarks)
{
    EXPECT_TRUE(startsWithFolded(FoldedText(u"Édition"_qs, FoldMode::Default), FoldedText(u"ed"_qs, FoldMode::Default)));
    EXPECT_FALSE(startsWithFolded(FoldedText(u"Reedit"_qs, FoldMode::Default), FoldedText(u"ed"_qs, FoldMode::Default)));
    EXPECT_FALSE(startsWithFolded(FoldedText(u"Edit"_qs, FoldMode::Default), FoldedText()));
}

} // namespace
} // namespace tavolin
