// The row pre-filter against the search it stands in for: over generated titles and paths, a row it rules
// out never scores above the threshold, and of the rows of ASCII texts it lets through only those that do,
// but for the ones it lets through unscored.
#include "PaletteTestSupport.h"

#include "palette/SearchUtils.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tavolin {
namespace {

using test::makeRow;

const QStringList kTitles = {
    u"Save"_qs, u"Save As..."_qs, u"Save As\u2026"_qs, u"Save All"_qs, u"Close All"_qs, u"Find Next"_qs,
    u"Find Previous"_qs, u"Find in Files"_qs, u"Preferences"_qs, u"Plugin Preferences"_qs, u"Zoom In"_qs,
    u"Zoom Out"_qs, u"Reset Zoom"_qs, u"New Window"_qs, u"Print-Preview"_qs, u"Show (All)"_qs, u"Don't Save"_qs,
    u"C/C++ Header"_qs, u"-Dash First"_qs, u"s"_qs, u"S"_qs, u"Sa"_qs, u"ISTANBUL"_qs, u"Indent"_qs,
    u"Line\rBreak"_qs, u"x"_qs, u"file.html"_qs, u"\u00c9diter"_qs, u"Editer"_qs, u"\u0424\u0430\u0439\u043b"_qs,
    u"\u6587\u4ef6"_qs, u"Stra\u00dfe"_qs, u"Strasse"_qs, u"\u0130stanbul"_qs, u"e\u0301"_qs, u"Wrap  Lines"_qs,
};

const std::vector<QStringList> kPaths = {
    {},
    {u"File"_qs},
    {u"Edit"_qs, u"Find"_qs},
    {u"Window 12"_qs, u"File"_qs, u"New (with Template)"_qs},
    {u"Search"_qs, u"Go to"_qs},
    {u"View"_qs, u"Zoom"_qs},
    {u"Fichier"_qs, u"\u00c9dition"_qs},
    {u"\u0424\u0430\u0439\u043b"_qs},
    {u"Tools"_qs, u"Save As"_qs},
};

struct Settings
{
    const char *name;
    double fuzziness;
    double threshold;
    bool turkic;
};

const Settings kSettings[] = {
    {"Default", 0.2, 0.4, false},
    {"Turkic", 0.2, 0.4, true},
    {"Looser", 0.6, 0.25, false},
    {"NoFuzziness", 0.0, 0.3, false},
    {"Strict", 0.1, 0.7, false},
};

struct QueryCase
{
    const char *name;
    const char16_t *query;
};

class RowPrefilterTest : public testing::TestWithParam<QueryCase>
{
protected:
    // Printable ASCII: the texts the filter decides alone.
    static bool isAscii(const QString &text)
    {
        return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
    }

    // One row of the generated set under one search setting, with the filter and keyword for the query.
    struct Case
    {
        const Settings &settings;
        SearchUtils &search;
        const RowPrefilter &filter;
        const FoldedText &keyword;
        const QStringList &path;
        const std::vector<QStringView> &pathViews;
        const QString &title;
        bool ascii; // title and path printable ASCII, the keyword without control characters
        std::string where(double score, bool submenu = false) const
        {
            return std::string(settings.name) + ": " + path.join(u" > ").toStdString() + " > " + title.toStdString()
                + (submenu ? " (submenu)" : "") + " scores " + std::to_string(score);
        }
    };

    static void forEachCase(const QString &query, const std::function<void(const Case &)> &check)
    {
        SearchUtils search;
        for (const Settings &settings : kSettings) {
            search.fuzziness = settings.fuzziness;
            search.threshold = settings.threshold;
            search.setLocaleContext(settings.turkic ? std::optional(QLocale(QLocale::Turkish)) : std::nullopt);
            const RowPrefilter filter(search, query);
            const FoldedText keyword(query, search.foldMode());
            const bool controls =
                std::any_of(query.cbegin(), query.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
            for (const QStringList &path : kPaths) {
                const std::vector<QStringView> views(path.cbegin(), path.cend());
                const bool asciiPath = std::all_of(path.cbegin(), path.cend(), isAscii);
                for (const QString &title : kTitles)
                    check(Case{settings, search, filter, keyword, path, views, title, asciiPath && isAscii(title) && !controls});
            }
        }
    }

    test::ScopedMenuRules m_noRules;
};

TEST_P(RowPrefilterTest, RulesOutOnlyRowsTheSearchWouldNotList)
{
    const QString query = QString::fromUtf16(GetParam().query);
    forEachCase(query, [&](const Case &row) {
        const bool mayList = row.filter.mayList(row.title, row.pathViews);
        const double score = row.search.rowScore(row.keyword, *makeRow(row.title, row.path));
        const double submenuScore = row.search.rowScore(row.keyword, *makeRow(row.title, row.path, -1, true));
        if (score > row.search.threshold || submenuScore > row.search.threshold) {
            EXPECT_TRUE(mayList) << row.where(score);
        }
        // Rows whose title holds the keyword, and rows for a one-letter keyword, may be let through unscored;
        // every other row of ASCII texts is decided exactly.
        const bool letThrough = row.title.contains(query, Qt::CaseInsensitive) || row.keyword.size() == 1;
        if (row.ascii && !letThrough) {
            EXPECT_EQ(mayList, score > row.search.threshold) << row.where(score);
        }
    });
}

TEST_P(RowPrefilterTest, ScoresThePlainRowsItDecidesAsTheSearchScoresThemBuilt)
{
    forEachCase(QString::fromUtf16(GetParam().query), [](const Case &row) {
        for (const bool submenu : {false, true}) {
            const RowPrefilter::PlainScore plain = row.filter.plainScore(row.title, row.pathViews, submenu);
            const double score = row.search.rowScore(row.keyword, *makeRow(row.title, row.path, -1, submenu));
            // Only plain rows under the default fold mode are decided without building them.
            EXPECT_EQ(plain.decided, row.ascii && !row.settings.turkic) << row.where(score, submenu);
            if (!plain.decided)
                continue;
            // Listed rows come with their exact score, the others with none.
            EXPECT_EQ(plain.score.has_value(), score > row.search.threshold) << row.where(score, submenu);
            if (plain.score) {
                EXPECT_EQ(*plain.score, score) << row.where(score, submenu);
            }
        }
    });
}

INSTANTIATE_TEST_SUITE_P(
    Queries, RowPrefilterTest,
    testing::Values(QueryCase{"Word", u"save"}, QueryCase{"TwoWords", u"save as"}, QueryCase{"ZoomIn", u"zoom in"},
                    QueryCase{"LettersOfWords", u"fnd nxt"}, QueryCase{"LongWord", u"preferences"},
                    QueryCase{"Initials", u"nw"}, QueryCase{"InitialsOfThree", u"fif"},
                    QueryCase{"PathWords", u"file save"}, QueryCase{"PathAndTitle", u"window new"},
                    QueryCase{"SingleLetter", u"s"}, QueryCase{"UpperLetter", u"S"}, QueryCase{"RareLetter", u"x"},
                    QueryCase{"TwoLetters", u"sa"}, QueryCase{"Punctuation", u"print-preview"},
                    QueryCase{"PunctuationSpacedOut", u"show all"},
                    QueryCase{"SpaceForPunctuation", u"t p"}, QueryCase{"Parenthesis", u"("},
                    QueryCase{"Apostrophe", u"don't"}, QueryCase{"Dots", u"..."},
                    QueryCase{"Accented", u"\u00e9diter"}, QueryCase{"AccentDropped", u"editer"},
                    QueryCase{"Cyrillic", u"\u0444\u0430\u0439\u043b"}, QueryCase{"CyrillicInLatin", u"fajl"},
                    QueryCase{"Cjk", u"\u6587\u4ef6"}, QueryCase{"CjkInLatin", u"wen jian"},
                    QueryCase{"SharpS", u"strasse"}, QueryCase{"DottedI", u"istanbul"},
                    QueryCase{"DotlessI", u"\u0131ndent"}, QueryCase{"CombiningMark", u"e\u0301"},
                    QueryCase{"EqualToATitle", u"Save As..."}, QueryCase{"Space", u" "},
                    QueryCase{"LeadingSpace", u" save"}, QueryCase{"DoubleSpace", u"wrap  lines"},
                    QueryCase{"LineBreak", u"line\rbreak"}, QueryCase{"ControlCharacters", u"\r\n\r\r@\r"}, QueryCase{"Empty", u""}, QueryCase{"Unmatched", u"qqq"}),
    [](const testing::TestParamInfo<QueryCase> &info) { return std::string(info.param.name); });

TEST(RowPrefilterScopeTest, RowsWithOtherScriptsAreLeftToTheSearch)
{
    test::ScopedMenuRules noRules;
    SearchUtils search;
    const RowPrefilter filter(search, u"qqq"_qs);
    const QStringView file = u"File";
    EXPECT_FALSE(filter.mayList(u"Save", {&file, 1}));
    EXPECT_TRUE(filter.mayList(u"Save\u2026", {&file, 1}));
    const QStringView cyrillic = u"\u0424\u0430\u0439\u043b";
    EXPECT_TRUE(filter.mayList(u"Save", {&cyrillic, 1}));
}

TEST(RowPrefilterScopeTest, FiltersTakingTurnsOnOneThreadKeepTheirOwnAnswers)
{
    test::ScopedMenuRules noRules;
    const QStringView path[] = {u"Window 3", u"Tools"};
    SearchUtils search;
    for (int round = 0; round < 2; ++round) {
        const RowPrefilter window(search, u"window tools"_qs);
        const RowPrefilter unmatched(search, u"qqq"_qs);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(window.mayList(u"Options", path)) << round << i; // the path form holds both words
            EXPECT_FALSE(unmatched.mayList(u"Options", path)) << round << i;
            EXPECT_FALSE(window.mayList(u"Options", std::span(path, 1))) << round << i;
        }
    }
}

} // namespace
} // namespace tavolin
