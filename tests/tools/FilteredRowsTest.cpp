// Ranking a rows file whose rows were filtered before they were built (and scored as they were read) gives
// what ranking every row gives: the same rows in the same order with the same scores, and the same warnings.
#include <gtest/gtest.h>

#include "palette/SearchUtils.h"
#include "tools/MenuRows.h"

#include <ostream>

namespace tavolin::menutool {
namespace {

// Menus like an editor's, with accents, other scripts, punctuation, shortcuts, states and bad fields,
// repeated under numbered windows as the speed comparison does.
QByteArray rowsText()
{
    const char *const menus[] = {
        "File > New\tCtrl+N",
        "File > New (with Template)\t\tsubmenu",
        "File > New (with Template) > file.html",
        "File > Open...\tCtrl+O",
        "File > Save\tCtrl+S",
        "File > Save As...\tCtrl+Shift+S",
        "File > Save All\tCtrl+Shift+L",
        "File > Recent Files > notes-2024.txt",
        "File > Print Preview",
        "File > Close All",
        "Edit > Find > Find Next\tCtrl+G",
        "Edit > Find > Find Previous\tCtrl+Shift+G",
        "Edit > Find > Find in Files\tCtrl+Shift+F",
        "Edit > Preferences\tCtrl+Alt+P",
        "Edit > Plugin Preferences",
        "Edit > Format > Toggle Case\tCtrl+Alt+U",
        "Edit > Don't Indent\tCtrl+Nonsense+",
        "View > Zoom In\tCtrl++",
        "View > Zoom Out\tCtrl+-",
        "View > Show (All)\t\tchecked",
        "View > Line Wrap\t\tglowing",
        "Document > Set Filetype > C/C++ Header",
        "Document > ISTANBUL",
        "Fichier > \xc3\x89" "diter le fichier",
        "Fichier > Enregistrer sous\xe2\x80\xa6",
        "\xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb > \xd0\xa1\xd0\xbe\xd1\x85\xd1\x80\xd0\xb0\xd0\xbd\xd0\xb8\xd1\x82\xd1\x8c",
        "\xe6\x96\x87\xe4\xbb\xb6 > \xe4\xbf\x9d\xe5\xad\x98",
        "Tools > Stra\xc3\x9f" "e",
        "Quit\tCtrl+Q",
        "Help > About",
        "Edit > > Broken",
    };
    QByteArray text("# generated rows\n\n");
    for (int window = 1; window <= 40; ++window) {
        for (const char *menu : menus)
            text += "Window " + QByteArray::number(window) + " > " + menu + '\n';
    }
    for (const char *menu : menus)
        text += QByteArray(menu) + "\r\n";
    return text;
}

struct Listed
{
    QString line;
    double score;
    bool operator==(const Listed &) const = default;
};

void PrintTo(const Listed &listed, std::ostream *os) { *os << listed.score << ' ' << listed.line.toStdString(); }

std::vector<Listed> lines(const std::vector<RankedRow> &rows)
{
    std::vector<Listed> out;
    for (const RankedRow &entry : rows)
        out.push_back({rowLine(*entry.row), entry.score});
    return out;
}

struct QueryCase
{
    const char *name;
    const char16_t *query;
};

class FilteredRowsTest : public testing::TestWithParam<QueryCase>
{
protected:
    void SetUp() override
    {
        // As the tool runs: the rows are the application's own, without the palette's menu rules.
        MenuItemData::setIgnorableOptionLookup([](const QString &, const QString &) { return std::optional<int64_t>(); });
    }
    void TearDown() override { MenuItemData::setIgnorableOptionLookup({}); }

    SearchUtils m_search;
};

TEST_P(FilteredRowsTest, RanksAsIfEveryRowWereBuilt)
{
    const QString query = QString::fromUtf16(GetParam().query);
    const QByteArray text = rowsText();
    const RowsFile all = parseRows(text);
    const RowPrefilter filter(m_search, query);
    const RowsFile filtered = parseRows(text, &filter);

    const std::vector<Listed> expected = lines(rankRows(m_search, query, all.rows));
    // Scored as they were read, and scored again from scratch.
    ASSERT_EQ(filtered.scores.size(), size_t(filtered.rows.size()));
    EXPECT_EQ(lines(rankScoredRows(filtered.rows, filtered.scores, m_search.threshold)), expected);
    EXPECT_EQ(lines(rankRows(m_search, query, filtered.rows)), expected);
    EXPECT_EQ(filtered.warnings, all.warnings);
    EXPECT_LE(filtered.rows.size(), all.rows.size());
    EXPECT_TRUE(all.scores.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Queries, FilteredRowsTest,
    testing::Values(QueryCase{"TwoWords", u"save as"}, QueryCase{"ZoomIn", u"zoom in"}, QueryCase{"LettersOfWords", u"fnd nxt"},
                    QueryCase{"LongWord", u"preferences"}, QueryCase{"Initials", u"fif"},
                    QueryCase{"PathWords", u"window file save"}, QueryCase{"WindowNumber", u"window 12 quit"},
                    QueryCase{"SingleLetter", u"s"}, QueryCase{"RareLetter", u"x"}, QueryCase{"Punctuation", u"c/c++"},
                    QueryCase{"Accented", u"\u00e9diter"}, QueryCase{"AccentDropped", u"editer"},
                    QueryCase{"EllipsisTitle", u"enregistrer sous"}, QueryCase{"Cyrillic", u"\u0444\u0430\u0439\u043b"},
                    QueryCase{"CyrillicInLatin", u"fajl sohranit"}, QueryCase{"Cjk", u"\u4fdd\u5b58"},
                    QueryCase{"CjkInLatin", u"bao cun"}, QueryCase{"SharpS", u"strasse"},
                    QueryCase{"DottedCapitalI", u"\u0130stanbul"}, QueryCase{"Empty", u""}, QueryCase{"Unmatched", u"qqq"}),
    [](const testing::TestParamInfo<QueryCase> &info) { return std::string(info.param.name); });

// "SCORE<TAB>LINE" of every listed row, as `search` prints it.
QString printed(const std::vector<RankedRow> &rows)
{
    QString text;
    for (const RankedRow &entry : rows)
        text += QString::number(entry.score, 'f', 3) + u'\t' + rowLine(*entry.row) + u'\n';
    return text;
}

QString printed(const RowsFile &file)
{
    QString text;
    RowLineWriter writer;
    for (const ScoredLine *line : rankLines(file, SearchUtils().threshold)) {
        text += QString::number(line->score, 'f', 3) + u'\t';
        writer.append(line->plain, text);
        text += u'\n';
    }
    return text;
}

// The rows of rowsText() and lines written unlike `list` writes them (blanks around separators and fields,
// lower-case shortcuts, states in another order, a carriage return inside a title), enough of them for the
// file to be read on two threads.
QByteArray largeRowsText()
{
    QByteArray text = rowsText();
    for (int window = 1; window <= 6; ++window) {
        const QByteArray name = "Window " + QByteArray::number(window);
        text += "  " + name + "  >  Edit >  Copy \tctrl + c\tsubmenu, checked\n";
        text += name + " > Tools > Run\rNow\tF5\n";
        text += name + " > Save Everything\t\tchecked\n";
        text += name + " > File > Save As\xe2\x80\xa6\tCtrl+Shift+S\n";
        text += rowsText();
    }
    text += "Save\tctrl+s\n";
    return text;
}

TEST_P(FilteredRowsTest, PlainRowsPrintWhatBuiltRowsPrint)
{
    const QString query = QString::fromUtf16(GetParam().query);
    const QByteArray text = largeRowsText();
    ASSERT_GT(text.size(), 160 * 1024); // read in two halves
    const RowPrefilter filter(m_search, query);
    const RowsFile built = parseRows(text, &filter);
    const RowsFile plain = parseRows(text, &filter, RowsForm::Plain);

    const QString expected = printed(rankScoredRows(built.rows, built.scores, m_search.threshold));
    EXPECT_EQ(printed(plain), expected);
    EXPECT_EQ(plain.warnings, built.warnings);
    EXPECT_EQ(plain.warningCount, built.warningCount);
    EXPECT_TRUE(plain.rows.isEmpty()) << "only the texts of the rows listed are kept";
}

TEST_F(FilteredRowsTest, PlainFormKeepsRowsItScoredBuiltInLineOrderAmongOthers)
{
    // Equal scores keep menu order across rows scored from their texts and rows built to be scored (the
    // accented path and the Chinese title are not plain ASCII).
    const QByteArray text = "File > Save As\n\xc3\x89" "dition > Save As\nTools > Save As\n"
                            "Tools > Save As \xe5\x8f\xa6\xe5\xad\x98\n";
    const RowPrefilter filter(m_search, QStringLiteral("save as"));
    const RowsFile plain = parseRows(text, &filter, RowsForm::Plain);
    EXPECT_EQ(printed(plain), printed(rankRows(m_search, QStringLiteral("save as"), parseRows(text).rows)));
    const std::vector<const ScoredLine *> ranked = rankLines(plain, m_search.threshold);
    ASSERT_EQ(ranked.size(), 4u);
    EXPECT_NE(ranked[1]->plain.latinTitle, nullptr) << "a Latin-1 path and title are kept in one byte a character";
    EXPECT_NE(ranked[3]->plain.wideTitle, nullptr);
}

TEST_F(FilteredRowsTest, SelectiveQueriesBuildFewRows)
{
    const QByteArray text = rowsText();
    const RowsFile all = parseRows(text);
    const RowPrefilter filter(m_search, QStringLiteral("preferences"));
    const RowsFile filtered = parseRows(text, &filter);
    // Of each window's rows (and the top-level copy), the two with "Preferences" in their title and the five
    // with characters outside ASCII, which are left to the search.
    EXPECT_EQ(filtered.rows.size(), 41 * (2 + 5));
    EXPECT_GT(all.rows.size(), 41 * 25);
}

} // namespace
} // namespace tavolin::menutool
