#include "PaletteTestSupport.h"

#include "palette/SearchUtils.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace tavolin {
namespace {

using test::makeRow;

// A row written "Path/Elements/Title", with "#n" at the end for history index n and "+" for a submenu.
MenuItemDataPtr row(const QString &spec)
{
    QString text = spec;
    const bool submenu = text.endsWith(u'+');
    if (submenu)
        text.chop(1);
    int history = -1;
    if (const qsizetype hash = text.lastIndexOf(u'#'); hash >= 0) {
        history = text.mid(hash + 1).toInt();
        text.truncate(hash);
    }
    QStringList path = text.split(u'/');
    const QString title = path.takeLast();
    return makeRow(title, path, history, submenu);
}

QString specOf(const MenuItemDataPtr &found)
{
    return (found->path() + QStringList{found->title()}).join(u'/')
        + (found->historyIndex() >= 0 ? u"#"_qs + QString::number(found->historyIndex()) : QString())
        + (found->expands() ? u"+"_qs : QString());
}

class SearchUtilsTest : public ::testing::Test
{
protected:
    double scoreOf(const QString &spec, const QString &keyword)
    {
        return m_search.rowScore(FoldedText(keyword, m_search.foldMode()), *row(spec));
    }

    test::ScopedMenuRules m_noRules;
    SearchUtils m_search;
};

// The scores' own values are the formula's business; these pin what they decide: what is listed, and in
// which order.
TEST_F(SearchUtilsTest, ListsMatchingRowsBestFirst)
{
    const struct { const char *name; const char16_t *keyword; QStringList rows; QStringList found; } cases[] = {
        {"shorter title first", u"sa", {"Save", "Save As"}, {"Save", "Save As"}},
        {"history boost puts the recent row first", u"sa", {"Save", "Save As#4"}, {"Save As#4", "Save"}},
        {"a weak title that contains the keyword is rescued", u"ere", {"Preferences"}, {"Preferences"}},
        {"the submenu penalty drops a rescued row", u"ere", {"Preferences+"}, {}},
        {"the title alone does not match", u"vzi", {"Zoom In"}, {}},
        {"path form below every title match", u"vzi", {"View/Zoom In", "Viz Info"}, {"Viz Info", "View/Zoom In"}},
        {"path forms use no fuzziness: letters out of order", u"vzni", {"View/Zoom In"}, {}},
        {"path forms use no fuzziness: a letter missing", u"vqzi", {"View/Zoom In"}, {}},
        {"Latin path form of another script", u"vzi", {"Вид/Zoom In"}, {"Вид/Zoom In"}},
        {"Cyrillic title by its transliteration", u"fajl", {"Правка", "Файл", "Fax"}, {"Файл"}},
        {"accented title by plain letters", u"edition", {"Zoom", "Édition avancée"}, {"Édition avancée"}},
        // The submenu row drops to exactly the threshold and follows; "Quit" is not listed.
        {"equal scores keep the given order", u"Copy", {"Edit/Copy", "Quit", "Format/Copy", "Copy+"},
         {"Edit/Copy", "Format/Copy", "Copy+"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QList<MenuItemDataPtr> rows;
        for (const QString &spec : c.rows)
            rows << row(spec);
        QStringList found;
        for (const MenuItemDataPtr &match : m_search.search(QString::fromUtf16(c.keyword), rows))
            found << specOf(match);
        EXPECT_EQ(found, c.found);
    }
}

TEST_F(SearchUtilsTest, HistoryAndSubmenusMoveTheScore)
{
    EXPECT_LT(scoreOf(u"Save"_qs, u"Save"_qs), scoreOf(u"Save#9"_qs, u"Save"_qs));
    EXPECT_LT(scoreOf(u"Save#9"_qs, u"Save"_qs), scoreOf(u"Save#0"_qs, u"Save"_qs));
    EXPECT_LT(scoreOf(u"Save+"_qs, u"Save"_qs), scoreOf(u"Save"_qs, u"Save"_qs));
}

// A weak title that contains the keyword is listed, above rows found only by their path; the history
// boosts only a title match, never that rescue.
TEST_F(SearchUtilsTest, ContainmentRescueIsNotBoostedAndIgnoresCaseButNotAccents)
{
    const double rescued = scoreOf(u"Preferences"_qs, u"ere"_qs);
    EXPECT_DOUBLE_EQ(scoreOf(u"Preferences#0"_qs, u"ere"_qs), rescued);
    EXPECT_LT(scoreOf(u"Préférences"_qs, u"ere"_qs), rescued);
    EXPECT_GT(rescued, scoreOf(u"View/Zoom In"_qs, u"vzi"_qs));
}

TEST_F(SearchUtilsTest, PunctuationSpacedAndEnglishTitlesAreTried)
{
    // "P" after "-" counts as an inner letter; spaced, it starts a word.
    EXPECT_DOUBLE_EQ(scoreOf(u"Print-Preview"_qs, u"pp"_qs), scoreOf(u"Print Preview"_qs, u"pp"_qs));
    auto german = row(u"Speichern"_qs);
    EXPECT_TRUE(m_search.search(u"save"_qs, {german}).isEmpty());
    german->setEnTitle(u"Save"_qs);
    EXPECT_EQ(m_search.search(u"save"_qs, {german}).size(), 1);
}

TEST_F(SearchUtilsTest, TurkishLocaleFoldsTheDottedCapitalI)
{
    m_search.setLocaleContext(QLocale(QLocale::Turkish, QLocale::Turkey));
    EXPECT_GT(scoreOf(u"İçe Aktar"_qs, u"ic"_qs), 0.4);
    EXPECT_EQ(m_search.foldMode(), FoldMode::Turkic);
    EXPECT_EQ(m_search.score(u"Işık"_qs, u"i"_qs, std::nullopt), 0.0);
    m_search.setLocaleContext(QLocale(QLocale::German));
    EXPECT_EQ(m_search.foldMode(), FoldMode::Default);
    m_search.setLocaleContext(std::nullopt);
    EXPECT_GT(m_search.score(u"Işık"_qs, u"i"_qs, std::nullopt), 0.0);
}

} // namespace
} // namespace tavolin
