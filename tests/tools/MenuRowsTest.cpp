// The tool's rows: the rows file form, the line and JSON forms, finding a row by its path, ranking.
#include <gtest/gtest.h>

#include "palette/SearchUtils.h"
#include "tools/MenuRows.h"

#include <QJsonArray>

namespace tavolin::menutool {
namespace {

using namespace Qt::StringLiterals;

MenuItemDataPtr row(const QString &title, const QStringList &path, std::optional<QString> shortcut = {},
                    bool checked = false, bool submenu = false)
{
    std::optional<KeyData> keys = shortcut ? keyDataFromDisplayText(*shortcut) : std::nullopt;
    EXPECT_EQ(shortcut.has_value(), keys.has_value()) << shortcut->toStdString();
    auto data = std::make_shared<MenuItemData>(title, path, checked, keys, QString());
    data->setExpands(submenu);
    return data;
}

QStringList lines(const RowsFile &file)
{
    QStringList out;
    for (const MenuItemDataPtr &parsed : file.rows)
        out.append(rowLine(*parsed));
    return out;
}

// Each row: the rowLine() of each row read, and the number of warnings.
TEST(MenuRowsTest, ReadsRowsAndWarnsAboutBadFields)
{
    const struct
    {
        const char *name;
        const char *text;
        QStringList lines;
        int warnings;
    } cases[] = {
        {"title only", "Quit\n", {"Quit"}, 0},
        {"path and shortcut", "File > Save As…\tCtrl+Shift+S\n", {"File > Save As…\tCtrl+Shift+S"}, 0},
        {"function key", "View > Reload\tF5", {"View > Reload\tF5"}, 0},
        {"state without shortcut", "View > Line Numbers\t\tchecked\n", {"View > Line Numbers\t\tchecked"}, 0},
        {"both states", "A > B\t\tsubmenu,checked\n", {"A > B\t\tchecked,submenu"}, 0},
        {"disabled with other states", "A > B\tCtrl+V\tdisabled, checked,submenu\n", {"A > B\tCtrl+V\tchecked,submenu,disabled"}, 0},
        {"blanks around segments trimmed", "  File  >  Open  \n", {"File > Open"}, 0},
        {"comments and blank lines skipped", "# rows\n\n   \n  # indented\nEdit > Copy\n", {"Edit > Copy"}, 0},
        {"Windows line ends", "Edit > Copy\tCtrl+C\r\nEdit > Cut\r\n", {"Edit > Copy\tCtrl+C", "Edit > Cut"}, 0},
        {"carriage return inside a line read as the space written for it", "Edit >\r\r Copy\rAll\r\n", {"Edit > Copy All"}, 0},
        {"bad shortcut keeps row", "Edit > Copy\tCtrl+Nonsense+\n", {"Edit > Copy"}, 1},
        {"unknown state keeps row", "Edit > Copy\t\tglowing\n", {"Edit > Copy"}, 1},
        {"empty title skipped", "File > \nFile >  > Save\n", {}, 2},
        {"extra fields ignored", "Edit > Copy\tCtrl+C\t\tmore\n", {"Edit > Copy\tCtrl+C"}, 1},
        {"not UTF-8 skipped", "Caf\xe9\nEdit > Copy\n\xff\xfe\x00\x01 > x\n", {"Edit > Copy"}, 2},
        {"replacement character written in UTF-8 kept", "Caf\xef\xbf\xbd\n", {u"Caf\ufffd"_s}, 0},
        {"separator without blanks is text", "A>B > C\n", {"A>B > C"}, 0},
        {"blank menu between skipped", "A >   > B > C\n", {}, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const RowsFile file = parseRows(QByteArray(c.text));
        EXPECT_EQ(lines(file), c.lines);
        EXPECT_EQ(file.warnings.size(), c.warnings) << file.warnings.join(u'|').toStdString();
    }
    // Separators are found left to right: the rest is the title.
    const RowsFile file = parseRows("A > > B\n");
    ASSERT_EQ(file.rows.size(), 1);
    EXPECT_EQ(file.rows[0]->path(), QStringList{"A"});
    EXPECT_EQ(file.rows[0]->title(), u"> B"_s);
}

TEST(MenuRowsTest, LineFormReadsBackToTheSameRows)
{
    const QList<MenuItemDataPtr> rows = {
        row("Save As…", {"File"}, "Ctrl+Shift+S"),
        row("Recent", {"File"}, std::nullopt, false, true),
        row("Gamma", {"File", "Recent", "More"}),
        row("Word Wrap", {"View"}, "Alt+Z", true),
        row("Zoom In", {"View"}, "Ctrl++"),
        row("Next Tab", {"Window"}, "Ctrl+Page Down"),
        row("Paste", {"Edit"}, "Ctrl+V"),
        row("Spelling", {"Edit"}, std::nullopt, true),
    };
    rows[6]->setIsEnabled(false);
    rows[7]->setIsEnabled(false);
    QByteArray text;
    for (const MenuItemDataPtr &r : rows)
        text += rowLine(*r).toUtf8() + '\n';
    const RowsFile back = parseRows(text);
    ASSERT_EQ(back.rows.size(), rows.size()) << back.warnings.join(u'|').toStdString();
    EXPECT_TRUE(back.warnings.isEmpty()) << back.warnings.join(u'|').toStdString();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(back.rows[i]->path(), rows[i]->path());
        EXPECT_EQ(back.rows[i]->title(), rows[i]->title());
        EXPECT_EQ(back.rows[i]->shortcut(), rows[i]->shortcut()) << rowLine(*rows[i]).toStdString();
        EXPECT_EQ(rowLine(*back.rows[i]), rowLine(*rows[i]));
        EXPECT_EQ(back.rows[i]->isChecked(), rows[i]->isChecked());
        EXPECT_EQ(back.rows[i]->expands(), rows[i]->expands());
        EXPECT_EQ(back.rows[i]->isEnabled(), rows[i]->isEnabled()) << rowLine(*rows[i]).toStdString();
    }
}

TEST(MenuRowsTest, RowsOfOneMenuShareTheirPath)
{
    const RowsFile file = parseRows("Edit > Copy\nEdit > Find > Next\nEdit > Paste\nView > Zoom\n");
    ASSERT_EQ(file.rows.size(), 4);
    EXPECT_EQ(file.rows[0]->rowPath(), file.rows[2]->rowPath());
    EXPECT_NE(file.rows[0]->rowPath(), file.rows[3]->rowPath());
    EXPECT_EQ(file.rows[1]->path(), (QStringList{"Edit", "Find"}));
    EXPECT_EQ(file.rows[1]->secondaryLabel(), u"Edit \u2022 Find"_s);
}

// A large file is read in two halves on two threads: rows keep file order across the cut, and warnings
// keep the numbers of their lines.
TEST(MenuRowsTest, LargeFileReadsLikeLineByLine)
{
    QByteArray text;
    QStringList expected;
    QStringList expectedWarnings;
    for (int i = 1; i <= 12000; ++i) {
        if (i % 997 == 0) {
            text += "Menu " + QByteArray::number(i) + " > \n"; // no title
            expectedWarnings.append(u"line %1: an empty menu or title; skipped"_s.arg(i));
        } else if (i % 1201 == 0) {
            text += "# comment\r\n";
        } else {
            const QString line = u"Ménu %1 > Sub %2 > Item %3"_s.arg(i / 40).arg(i / 8).arg(i);
            text += line.toUtf8() + (i % 5 == 0 ? "\tCtrl+S\r\n" : "\n");
            expected.append(i % 5 == 0 ? line + u"\tCtrl+S"_s : line);
        }
    }
    ASSERT_GT(text.size(), 300 * 1024); // past the size read on two threads
    const RowsFile file = parseRows(text);
    EXPECT_EQ(lines(file), expected);
    ASSERT_GT(expectedWarnings.size(), kKeptWarnings); // some in each half
    EXPECT_EQ(file.warnings, expectedWarnings.first(kKeptWarnings));
    EXPECT_EQ(file.warningCount, expectedWarnings.size());
}

// Bytes of another kind among the rows: the lines holding them are skipped, each with a warning counted, and
// the rows of the lines around them, in the same blocks, are read with their numbers.
TEST(MenuRowsTest, LinesThatAreNotUtf8AreSkippedAndTheRestRead)
{
    QByteArray text;
    QStringList expected;
    int badLines = 0;
    for (int i = 1; i <= 9000; ++i) {
        if (i % 3 == 0) {
            text += "Menu > \xc3\x28\x80" "bad " + QByteArray::number(i) + "\tCtrl+\xff\n";
            ++badLines;
        } else {
            text += "Menu " + QByteArray::number(i) + " > Caf\xc3\xa9 \xef\xbf\xbd\n";
            expected.append(u"Menu %1 > Caf\u00e9 \ufffd"_s.arg(i));
        }
    }
    const RowsFile file = parseRows(text);
    EXPECT_EQ(lines(file), expected);
    EXPECT_EQ(file.warningCount, badLines);
    ASSERT_EQ(file.warnings.size(), kKeptWarnings);
    EXPECT_EQ(file.warnings.first(), u"line 3: not UTF-8 text; skipped"_s);
    EXPECT_EQ(file.warnings.last(), u"line 30: not UTF-8 text; skipped"_s);
}

// A field quoted in a warning shows its start only, and nothing a terminal would act on or reorder.
TEST(MenuRowsTest, WarningsQuoteAShortPrintableExcerpt)
{
    const QString hostile = u"\u202e\x1b[2J"_s + QString(20000, u'K') + u"\x07"_s;
    const RowsFile file = parseRows("Edit > Copy\t" + hostile.toUtf8() + "\t" + hostile.toUtf8() + "\n");
    ASSERT_EQ(file.warnings.size(), 2) << file.warnings.join(u'|').toStdString();
    for (const QString &warning : file.warnings) {
        EXPECT_LT(warning.size(), 120) << warning.toStdString();
        EXPECT_TRUE(warning.contains(u"\ufffd\ufffd[2JKKK"_s)) << warning.toStdString();
        for (const QChar c : warning)
            EXPECT_TRUE(c.isPrint()) << warning.toStdString() << ": " << int(c.unicode());
    }
}

TEST(MenuRowsTest, LineLongerThanADecodedBlockStaysWhole)
{
    const QString longTitle = QString(70 * 1024, QChar(u'\u00e9')) + u" end"_s;
    const QByteArray text = "File > " + longTitle.toUtf8() + "\nEdit > Copy\tCtrl+Nonsense+\nEdit > Paste\n";
    const RowsFile file = parseRows(text);
    ASSERT_EQ(file.rows.size(), 3);
    EXPECT_EQ(file.rows[0]->title(), longTitle);
    EXPECT_EQ(rowLine(*file.rows[2]), u"Edit > Paste"_s);
    ASSERT_EQ(file.warnings.size(), 1);
    EXPECT_TRUE(file.warnings[0].startsWith(u"line 2: "_s)) << file.warnings[0].toStdString();
}

TEST(MenuRowsTest, DisplayTextReadsTheLinuxWordsBack)
{
    const struct
    {
        const char *text;
        std::optional<KeyData> keys;
    } cases[] = {
        {"Ctrl+S", KeyData(u"S"_s, 0, 0)}, // Ctrl is the command bit
        {"Ctrl+Shift+P", KeyData(u"P"_s, 0, keymask::kShift)},
        {"Super+Alt+T", KeyData(u"T"_s, 0, keymask::kNoCommand | keymask::kControl | keymask::kOption)},
        {"Ctrl++", KeyData(u"+"_s, 0, 0)},
        {"F5", KeyData(u"F5"_s, 0, keymask::kNoCommand)},
        {"Ctrl+Page Down", KeyData(u"⇟"_s, 0, 0)}, // words of glyph keys
        {" ctrl + shift + s ", KeyData(u"S"_s, 0, keymask::kShift)},
        {"", std::nullopt},
        {"Ctrl+", std::nullopt},
        {"Ctrl+Nonsense", std::nullopt},
        {"Hyper+S", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(keyDataFromDisplayText(QString::fromUtf8(c.text)), c.keys) << '"' << c.text << '"';
}

TEST(MenuRowsTest, WriterGivesEachRowsLineInOneText)
{
    QList<MenuItemDataPtr> rows = parseRows("File > Save\tCtrl+S\nFile > Save As\tCtrl+Shift+S\nQuit\tCtrl+S\nView > Wrap\t\tchecked\n"
                                            "View > Zoom\t\tsubmenu,checked\nView > Zoom > In\tCtrl++\tdisabled\n").rows;
    rows.append(row("Tab\there\nand there", {"Odd\tMenu"}, std::nullopt, false, true));
    rows.append(row("Save", {"File"})); // the same path text, another path object
    rows.append(std::make_shared<MenuItemData>(u"Nameless Key"_s, QStringList{"Keys"}, false, KeyData(std::nullopt, 300, 0),
                                               QString()));
    rows.append(rows.first()); // a path and a shortcut seen before
    ASSERT_EQ(rows.size(), 10);

    QString text;
    QString expected;
    RowLineWriter writer;
    for (const MenuItemDataPtr &r : std::as_const(rows)) {
        writer.append(*r, text);
        text += u'\n';
        expected += rowLine(*r) + u'\n';
    }
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(expected.contains(u"Odd Menu > Tab here and there\t\tsubmenu\n"_s));
    EXPECT_TRUE(expected.contains(u"\nKeys > Nameless Key\n"_s));
    EXPECT_TRUE(expected.contains(u"\nView > Zoom > In\tCtrl++\tdisabled\n"_s));
}

TEST(MenuRowsTest, JsonFormNamesEveryField)
{
    const QJsonObject plain = rowJson(*row("Open…", {"File"}));
    EXPECT_EQ(plain[u"path"_s].toArray(), QJsonArray{"File"});
    EXPECT_EQ(plain[u"title"_s].toString(), u"Open…"_s);
    EXPECT_TRUE(plain[u"shortcut"_s].isNull());
    EXPECT_FALSE(plain[u"checked"_s].toBool() || plain[u"submenu"_s].toBool());
    const QJsonObject checked = rowJson(*row("Wrap", {"View"}, "Ctrl+Shift+P", true));
    EXPECT_EQ(checked[u"shortcut"_s].toString(), u"Ctrl+Shift+P"_s);
    EXPECT_TRUE(checked[u"checked"_s].toBool());
    const QList<MenuItemDataPtr> read = parseRows("Edit > Copy\nEdit > Paste\tCtrl+V\tdisabled\n").rows;
    ASSERT_EQ(read.size(), 2);
    EXPECT_TRUE(rowJson(*read[0])[u"enabled"_s].toBool(false));
    EXPECT_FALSE(rowJson(*read[1])[u"enabled"_s].toBool(true));
}

// The whole path matches, forgiving case, blanks around separators and three dots for an ellipsis.
TEST(MenuRowsTest, FindRowMatchesTheWholePath)
{
    const QList<MenuItemDataPtr> rows = {row("Save", {"File"}), row("Save As…", {"File"}), row("Reload", {"File"}),
                                         row("Reload", {"View"}), row("Gamma", {"File", "Recent", "More"})};
    const std::pair<const char *, const char *> cases[] = { // query, rowPathText of the row found ("" for none)
        {"File > Save As…", "File > Save As…"},
        {"File > Save As...", "File > Save As…"},
        {"file > save as…", "File > Save As…"},
        {"File>Save", "File > Save"},
        {"View > Reload", "View > Reload"},
        {"File > Recent > More > Gamma", "File > Recent > More > Gamma"},
        {"Save", ""}, // a title alone is not a path
        {"File > Sav", ""},
        {"Recent > More > Gamma", ""},
        {"Edit > Paste", ""},
    };
    for (const auto &[query, found] : cases) {
        const MenuItemDataPtr row = findRow(rows, QString::fromUtf8(query));
        EXPECT_EQ(row ? rowPathText(*row) : QString(), QString::fromUtf8(found)) << query;
    }
}

TEST(MenuRowsTest, RankingPutsTheBestTitleFirstAndDropsNonMatches)
{
    const QList<MenuItemDataPtr> rows = {row("Print…", {"File"}), row("Save All", {"File"}), row("Save", {"File"}),
                                         row("Zoom In", {"View"})};
    SearchUtils search;
    const std::vector<RankedRow> ranked = rankRows(search, u"save"_s, rows);
    ASSERT_EQ(ranked.size(), 2u);
    EXPECT_EQ(ranked[0].row->title(), u"Save"_s);
    EXPECT_EQ(ranked[1].row->title(), u"Save All"_s);
    EXPECT_GT(ranked[0].score, ranked[1].score);
    EXPECT_TRUE(rankRows(search, u"qqq"_s, rows).empty());
}

TEST(MenuRowsTest, LargeListsRankLikeThePalettesOwnSearch)
{
    // Enough rows to be split between threads; every chunk border must keep its rows and their order.
    const QStringList words = {"Save", "Open", "Search", "Zoom", "Wrap", "Split"};
    QList<MenuItemDataPtr> rows, copies;
    for (int i = 0; i < 9001; ++i) {
        const QString title = words[i % 6] + u' ' + words[(i / 7) % 6] + QString::number(i % 13);
        const QStringList path = {words[(i / 3) % 6], u"Group %1"_s.arg(i % 50)};
        rows.append(row(title, path));
        copies.append(row(title, path));
    }
    SearchUtils search;
    const std::vector<RankedRow> ranked = rankRows(search, u"sv srch"_s, rows);
    const QList<MenuItemDataPtr> expected = search.search(u"sv srch"_s, copies);
    ASSERT_EQ(qsizetype(ranked.size()), expected.size());
    ASSERT_GT(expected.size(), 100);
    for (size_t i = 0; i < ranked.size(); ++i) {
        ASSERT_EQ(rowPathText(*ranked[i].row), rowPathText(*expected[qsizetype(i)])) << "at " << i;
        ASSERT_EQ(rows.indexOf(ranked[i].row), copies.indexOf(expected[qsizetype(i)])) << "at " << i;
    }
}

} // namespace
} // namespace tavolin::menutool
