#include "palette/FuzzyScore.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavolin {
namespace {

double scoreOf(const QString &text, const QString &word, std::optional<double> fuzziness,
               FoldMode mode = FoldMode::Default)
{
    return fuzzyScore(FoldedText(text, mode), FoldedText(word, mode), fuzziness);
}

struct ScoreCase
{
    const char *name;
    const char16_t *text;
    const char16_t *word;
    std::optional<double> fuzziness;
    double expected;
};

class FuzzyScoreTable : public ::testing::TestWithParam<ScoreCase>
{
};

TEST_P(FuzzyScoreTable, MatchesToSixDecimals)
{
    const ScoreCase &c = GetParam();
    const double got = scoreOf(QString::fromUtf16(c.text), QString::fromUtf16(c.word), c.fuzziness);
    EXPECT_NEAR(got, c.expected, 5e-7) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, FuzzyScoreTable,
    ::testing::Values(
        ScoreCase{"SaveAgainstSa", u"Save", u"sa", 0.2, 0.7125},
        ScoreCase{"SaveAsAgainstSa", u"Save As", u"sa", 0.2, 0.632143},
        ScoreCase{"NewWindowTakesFirstW", u"New Window", u"nw", 0.2, 0.42},
        ScoreCase{"MissingLetterWithFuzziness", u"Copy", u"cqy", 0.2, 0.295833},
        ScoreCase{"MissingLetterWithoutFuzziness", u"Copy", u"cqy", std::nullopt, 0.0},
        ScoreCase{"EqualTextIsOne", u"Save", u"Save", 0.2, 1.0},
        ScoreCase{"EmptyWord", u"Save", u"", 0.2, 0.0},
        ScoreCase{"EmptyText", u"", u"s", 0.2, 0.0},
        // "p" after "Co" skips "y"? no: "o" at 1 (0.7+0.1), "p" at 2 (0.7+0.1): 0.7+0.8+0.8 = 2.3;
        // 0.5 × (2.3/4 + 2.3/3) = 0.670833, + 0.15 (same first letter) = 0.820833
        ScoreCase{"ConsecutiveLetters", u"Copy", u"cop", 0.2, 0.820833},
        // "W" right after a space: 0.7 (n) + 0.9 (not written as "w") = 1.6
        ScoreCase{"LetterAfterSpace", u"Nu Window", u"nw", 0.2, 0.5 * (1.6 / 9 + 1.6 / 2) + 0.15},
        // Different first letters: no bonus. "e" at 3 (0.1), written the same (+0.1)
        ScoreCase{"NoBonusForOtherFirstLetter", u"Save", u"e", 0.2, 0.5 * (0.2 / 4 + 0.2 / 1)},
        // Accents and case ignored when finding; the exact bonus needs the same marks.
        ScoreCase{"AccentedTitleByPlainLetters", u"Édition", u"ed", 0.2, 0.5 * (1.5 / 7 + 1.5 / 2) + 0.15},
        ScoreCase{"AccentedWordMatchesExactly", u"Édition", u"Éd", 0.2, 0.5 * (1.6 / 7 + 1.6 / 2) + 0.15},
        // One grapheme cluster is one character: "e" + U+0301 is the fourth and last letter of the text,
        // found by "e" (0.7) but not written the same.
        ScoreCase{"ClustersCountAsOneCharacter", u"Cafe\u0301", u"cafe", 0.2, 0.5 * (3.0 / 4 + 3.0 / 4) + 0.15},
        ScoreCase{"FirstOccurrenceIsTaken", u"abcab", u"b", 0.2, 0.5 * (0.2 / 5 + 0.2 / 1)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FuzzyScore, PrecomposedAndDecomposedSpellingsAreTheSameText)
{
    // "é" precomposed in the text, decomposed in the word: found at the start and written the same.
    EXPECT_NEAR(scoreOf(u"\u00e9t\u00e9"_qs, u"e\u0301"_qs, 0.2), 0.5 * (0.8 / 3 + 0.8 / 1) + 0.15, 1e-9);
}

TEST(FuzzyScore, TurkishDotlessIOnlyUnderTurkishFolding)
{
    // Under Turkish rules "I" is the capital of "ı", not of "i".
    EXPECT_GT(scoreOf(u"Işık"_qs, u"ı"_qs, std::nullopt, FoldMode::Turkic), 0.0);
    EXPECT_EQ(scoreOf(u"Işık"_qs, u"i"_qs, std::nullopt, FoldMode::Turkic), 0.0);
    EXPECT_GT(scoreOf(u"İzmir"_qs, u"iz"_qs, std::nullopt, FoldMode::Turkic), 0.0);
    // Elsewhere "I" folds to "i".
    EXPECT_GT(scoreOf(u"Insert"_qs, u"i"_qs, std::nullopt, FoldMode::Default), 0.0);
}

TEST(FuzzyScore, CyrillicCaseFolds)
{
    EXPECT_NEAR(scoreOf(u"Файл"_qs, u"фа"_qs, 0.2), 0.5 * (1.5 / 4 + 1.5 / 2) + 0.15, 1e-9);
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
