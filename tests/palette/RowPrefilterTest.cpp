// The row pre-filter against the search it stands in for: over generated titles and paths, a row it rules
// out never scores above the threshold, and of the rows of ASCII texts it lets through only those that do,
// but for the ones it lets through unscored.
#include "PaletteTestSupport.h"

#include "palette/SearchUtils.h"

#include <gtest/gtest.h>

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

struct Settings { const char *name; double fuzziness; double threshold; bool turkic; };

const Settings kSettings[] = {
    {"Default", 0.2, 0.4, false},
    {"Turkic", 0.2, 0.4, true},
    {"Looser", 0.6, 0.25, false},
    {"NoFuzziness", 0.0, 0.3, false},
    {"Strict", 0.1, 0.7, false},
};

const char16_t *const kQueries[] = {
    u"save", u"save as", u"zoom in", u"fnd nxt", u"preferences", u"nw", u"fif", u"file save", u"window new", u"s",
    u"S", u"x", u"sa", u"print-preview", u"show all", u"t p", u"(", u"don't", u"...", u"\u00e9diter", u"editer",
    u"\u0444\u0430\u0439\u043b", u"fajl", u"\u6587\u4ef6", u"wen jian", u"strasse", u"istanbul", u"\u0131ndent",
    u"e\u0301", u"Save As...", u" ", u" save", u"wrap  lines", u"line\rbreak", u"\r\n\r\r@\r", u"", u"qqq",
};

// Printable ASCII: the texts the filter decides alone.
bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

// Every generated row under every search setting, for every query.
TEST(RowPrefilter, AgreesWithTheSearchItStandsFor)
{
    test::ScopedMenuRules noRules;
    SearchUtils search;
    for (const char16_t *text : kQueries) {
        const QString query = QString::fromUtf16(text);
        const bool controls =
            std::any_of(query.cbegin(), query.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
        for (const Settings &settings : kSettings) {
            search.fuzziness = settings.fuzziness;
            search.threshold = settings.threshold;
            search.setLocaleContext(settings.turkic ? std::optional(QLocale(QLocale::Turkish)) : std::nullopt);
            const RowPrefilter filter(search, query);
            const FoldedText keyword(query, search.foldMode());
            for (const QStringList &path : kPaths) {
                const std::vector<QStringView> views(path.cbegin(), path.cend());
                for (const QString &title : kTitles) {
                    // Title and path printable ASCII, the keyword without control characters.
                    const bool ascii = std::all_of(path.cbegin(), path.cend(), isAscii) && isAscii(title) && !controls;
                    const auto where = [&](double score, bool submenu) {
                        return "\"" + query.toStdString() + "\" " + settings.name + ": " + path.join(u" > ").toStdString()
                            + " > " + title.toStdString() + (submenu ? " (submenu)" : "") + " scores " + std::to_string(score);
                    };
                    const bool mayList = filter.mayList(title, views);
                    double scores[2];
                    for (const bool submenu : {false, true}) {
                        const double score = search.rowScore(keyword, *makeRow(title, path, -1, submenu));
                        scores[submenu ? 1 : 0] = score;
                        // Never rules out a row the search would list.
                        if (score > search.threshold) {
                            EXPECT_TRUE(mayList) << where(score, submenu);
                        }
                        // Only plain rows under the default fold mode are scored without building them: listed
                        // rows with their exact score, the others with none.
                        const RowPrefilter::PlainScore plain = filter.plainScore(title, views, submenu);
                        EXPECT_EQ(plain.decided, ascii && !settings.turkic) << where(score, submenu);
                        if (!plain.decided)
                            continue;
                        EXPECT_EQ(plain.score.has_value(), score > search.threshold) << where(score, submenu);
                        if (plain.score) {
                            EXPECT_EQ(*plain.score, score) << where(score, submenu);
                        }
                    }
                    // Rows whose title holds the keyword, and rows for a one-letter keyword, may be let through
                    // unscored; every other row of ASCII texts is decided exactly.
                    const bool letThrough = title.contains(query, Qt::CaseInsensitive) || keyword.size() == 1;
                    if (ascii && !letThrough) {
                        EXPECT_EQ(mayList, scores[0] > search.threshold) << where(scores[0], false);
                    }
                }
            }
            if (HasFailure())
                return;
        }
    }
}

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
