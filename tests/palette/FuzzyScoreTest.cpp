#include "palette/FuzzyScore.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavolin {
namespace {

FoldedText folded(const QString &text)
{
    return FoldedText(text, FoldMode::Default);
}

double scoreOf(const QString &text, const QString &word, std::optional<double> fuzziness)
{
    return fuzzyScore(folded(text), folded(word), fuzziness);
}

TEST(FuzzyScore, OrdersTitlesBestFirst)
{
    const struct
    {
        const char *name;
        const char16_t *word;
        std::vector<const char16_t *> bestFirst; // every title scores above zero and above the next
    } cases[] = {
        {"equal title, then shorter prefixed title", u"save", {u"Save", u"Save As", u"Save All Tabs"}},
        {"consecutive letters beat scattered ones", u"cop", {u"Copy", u"Close Open Project"}},
        {"same first letter beats a later one", u"e", {u"Edit", u"Save"}},
        {"word starts beat inner letters", u"nw", {u"Nu Window", u"New Window"}},
        {"same marks beat folded marks", u"Éd", {u"Édition", u"Edition"}},
        {"a cluster is one letter, not written the same", u"cafe", {u"Cafe", u"Café"}},
        {"Cyrillic folds case", u"фа", {u"Файл", u"Формат"}},
        {"a missing letter costs but still lists", u"cqy", {u"Copy"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        double previous = 2.0;
        for (const char16_t *title : c.bestFirst) {
            const double score = scoreOf(QString::fromUtf16(title), QString::fromUtf16(c.word), 0.2);
            EXPECT_GT(score, 0.0) << QString::fromUtf16(title).toStdString();
            EXPECT_LT(score, previous) << QString::fromUtf16(title).toStdString();
            previous = score;
        }
    }
}

TEST(FuzzyScore, ScoresNothingWithoutAMatchAndOneForTheSameText)
{
    EXPECT_EQ(scoreOf(u"Copy"_qs, u"cqy"_qs, std::nullopt), 0.0);
    EXPECT_EQ(scoreOf(u"Save"_qs, QString(), 0.2), 0.0);
    EXPECT_EQ(scoreOf(QString(), u"s"_qs, 0.2), 0.0);
    EXPECT_EQ(scoreOf(u"Save"_qs, u"Save"_qs, 0.2), 1.0);
    // Precomposed and decomposed spellings are the same text.
    EXPECT_DOUBLE_EQ(scoreOf(u"\u00e9t\u00e9"_qs, u"e\u0301"_qs, 0.2), scoreOf(u"\u00e9t\u00e9"_qs, u"\u00e9"_qs, 0.2));
}

TEST(FuzzyScore, ContainsIgnoresCaseNotMarksAndStartsWithIgnoresBoth)
{
    EXPECT_TRUE(containsIgnoringCase(folded(u"Save All Tabs"_qs), folded(u"all t"_qs)));
    EXPECT_FALSE(containsIgnoringCase(folded(u"Café"_qs), folded(u"cafe"_qs)));
    EXPECT_TRUE(containsIgnoringCase(folded(u"CAFÉ"_qs), folded(u"café"_qs)));
    EXPECT_FALSE(containsIgnoringCase(folded(u"Save"_qs), FoldedText()));
    EXPECT_FALSE(containsIgnoringCase(folded(u"Sa"_qs), folded(u"Save"_qs)));
    EXPECT_TRUE(startsWithFolded(folded(u"Édition"_qs), folded(u"ed"_qs)));
    EXPECT_FALSE(startsWithFolded(folded(u"Reedit"_qs), folded(u"ed"_qs)));
    EXPECT_FALSE(startsWithFolded(folded(u"Edit"_qs), FoldedText()));
}

} // namespace
} // namespace tavolin
