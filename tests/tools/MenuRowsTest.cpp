// The tool's rows: the rows file form, the line and JSON forms, finding a row by its path, ranking.
#include <gtest/gtest.h>

#include "palette/SearchUtils.h"
#include "tools/MenuRows.h"

#include <QJsonArray>

namespace tavolin::menutool {
namespace {

MenuItemDataPtr row(const QString &title, const QStringList &path, std::optional<QString> shortcut = {},
                    bool checked = false, bool submenu = false)
{
    std::optional<KeyData> keys = shortcut ? keyDataFromDisplayText(*shortcut) : std::nullopt;
    EXPECT_EQ(shortcut.has_value(), keys.has_value()) << shortcut->toStdString();
    auto data = std::make_shared<MenuItemData>(title, path, checked, keys, QString());
    data->setHasSubmenu(submenu);
    return data;
}

struct ParseCase
{
    const char *name;
    const char *text;
    QStringList lines;    // rowLine() of each parsed row
    int warnings;
};

class ParseRowsTest : public testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseRowsTest, ReadsRowsAndWarnsAboutBadFields)
{
    const ParseCase &c = GetParam();
    const RowsFile file = parseRows(QByteArray(c.text));
    QStringList lines;
    for (const MenuItemDataPtr &parsed : file.rows)
        lines.append(rowLine(*parsed));
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(file.warnings.size(), c.warnings) << file.warnings.join(QLatin1Char('|')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseRowsTest,
    testing::Values(
        ParseCase{"TitleOnly", "Quit\n", {QStringLiteral("Quit")}, 0},
        ParseCase{"PathAndShortcut", "File > Save As…\tCtrl+Shift+S\n", {QStringLiteral("File > Save As…\tCtrl+Shift+S")}, 0},
        ParseCase{"FunctionKey", "View > Reload\tF5", {QStringLiteral("View > Reload\tF5")}, 0},
        ParseCase{"StateWithoutShortcut", "View > Line Numbers\t\tchecked\n", {QStringLiteral("View > Line Numbers\t\tchecked")}, 0},
        ParseCase{"BothStates", "A > B\t\tsubmenu,checked\n", {QStringLiteral("A > B\t\tchecked,submenu")}, 0},
        ParseCase{"DisabledWithOtherStates", "A > B\tCtrl+V\tdisabled, checked,submenu\n",
                  {QStringLiteral("A > B\tCtrl+V\tchecked,submenu,disabled")}, 0},
        ParseCase{"BlanksAroundSegmentsTrimmed", "  File  >  Open  \n", {QStringLiteral("File > Open")}, 0},
        ParseCase{"CommentsAndBlankLinesSkipped", "# rows\n\n   \n  # indented\nEdit > Copy\n", {QStringLiteral("Edit > Copy")}, 0},
        ParseCase{"WindowsLineEnds", "Edit > Copy\tCtrl+C\r\nEdit > Cut\r\n",
                  {QStringLiteral("Edit > Copy\tCtrl+C"), QStringLiteral("Edit > Cut")}, 0},
        ParseCase{"CarriageReturnInsideALineReadAsTheSpaceWrittenForIt", "Edit >\r\r Copy\rAll\r\n",
                  {QStringLiteral("Edit > Copy All")}, 0},
        ParseCase{"BadShortcutKeepsRow", "Edit > Copy\tCtrl+Nonsense+\n", {QStringLiteral("Edit > Copy")}, 1},
        ParseCase{"UnknownStateKeepsRow", "Edit > Copy\t\tglowing\n", {QStringLiteral("Edit > Copy")}, 1},
        ParseCase{"EmptyTitleSkipped", "File > \nFile >  > Save\n", {}, 2},
        ParseCase{"ExtraFieldsIgnored", "Edit > Copy\tCtrl+C\t\tmore\n", {QStringLiteral("Edit > Copy\tCtrl+C")}, 1},
        ParseCase{"NotUtf8Skipped", "Caf\xe9\nEdit > Copy\n\xff\xfe\x00\x01 > x\n",
                  {QStringLiteral("Edit > Copy")}, 2},
        ParseCase{"ReplacementCharacterWrittenInUtf8Kept", "Caf\xef\xbf\xbd\n", {QString::fromUtf8("Caf\xef\xbf\xbd")}, 0},
        ParseCase{"SeparatorWithoutBlanksIsText", "A>B > C\n", {QStringLiteral("A>B > C")}, 0},
        ParseCase{"BlankMenuBetweenSkipped", "A >   > B > C\n", {}, 1}),
    [](const testing::TestParamInfo<ParseCase> &info) { return std::string(info.param.name); });

TEST(MenuRowsTest, LineFormReadsBackToTheSameRows)
{
    const QList<MenuItemDataPtr> rows = {
        row(QStringLiteral("Save As…"), {QStringLiteral("File")}, QStringLiteral("Ctrl+Shift+S")),
        row(QStringLiteral("Recent"), {QStringLiteral("File")}, std::nullopt, false, true),
        row(QStringLiteral("Gamma"), {QStringLiteral("File"), QStringLiteral("Recent"), QStringLiteral("More")}),
        row(QStringLiteral("Word Wrap"), {QStringLiteral("View")}, QStringLiteral("Alt+Z"), true),
        row(QStringLiteral("Zoom In"), {QStringLiteral("View")}, QStringLiteral("Ctrl++")),
        row(QStringLiteral("Next Tab"), {QStringLiteral("Window")}, QStringLiteral("Ctrl+Page Down")),
        row(QStringLiteral("Paste"), {QStringLiteral("Edit")}, QStringLiteral("Ctrl+V")),
        row(QStringLiteral("Spelling"), {QStringLiteral("Edit")}, std::nullopt, true),
    };
    rows[6]->setIsEnabled(false);
    rows[7]->setIsEnabled(false);
    QByteArray text;
    for (const MenuItemDataPtr &r : rows)
        text += rowLine(*r).toUtf8() + '\n';
    const RowsFile back = parseRows(text);
    ASSERT_EQ(back.rows.size(), rows.size()) << back.warnings.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(back.warnings.isEmpty()) << back.warnings.join(QLatin1Char('|')).toStdString();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(back.rows[i]->path(), rows[i]->path());
        EXPECT_EQ(back.rows[i]->title(), rows[i]->title());
        EXPECT_EQ(back.rows[i]->shortcut(), rows[i]->shortcut()) << rowLine(*rows[i]).toStdString();
        EXPECT_EQ(rowLine(*back.rows[i]), rowLine(*rows[i]));
        EXPECT_EQ(back.rows[i]->isChecked(), rows[i]->isChecked());
        EXPECT_EQ(back.rows[i]->hasSubmenu(), rows[i]->hasSubmenu());
        EXPECT_EQ(back.rows[i]->isEnabled(), rows[i]->isEnabled()) << rowLine(*rows[i]).toStdString();
    }
}

TEST(MenuRowsTest, SeparatorsFoundLeftToRightSplitPathAndTitle)
{
    const RowsFile file = parseRows("A > > B\n");
    ASSERT_EQ(file.rows.size(), 1);
    EXPECT_EQ(file.rows[0]->path(), QStringList{QStringLiteral("A")});
    EXPECT_EQ(file.rows[0]->title(), QStringLiteral("> B"));
}

TEST(MenuRowsTest, RowsOfOneMenuShareTheirPath)
{
    const RowsFile file = parseRows("Edit > Copy\nEdit > Find > Next\nEdit > Paste\nView > Zoom\n");
    ASSERT_EQ(file.rows.size(), 4);
    EXPECT_EQ(file.rows[0]->rowPath(), file.rows[2]->rowPath());
    EXPECT_NE(file.rows[0]->rowPath(), file.rows[3]->rowPath());
    EXPECT_EQ(file.rows[1]->path(), (QStringList{QStringLiteral("Edit"), QStringLiteral("Find")}));
    EXPECT_EQ(file.rows[1]->secondaryLabel(), QStringLiteral("Edit \u2022 Find"));
}

// A large file is read in two halves on two threads: rows keep file order across the cut, and warnings
// keep the numbers of their lines.
TEST(MenuRowsTest, LargeFileReadsLikeLineByLine)
{
    QByteArray text;
    QStringList expected;
    QStringList expectedWarnings;
    const int lines = 12000;
    for (int i = 1; i <= lines; ++i) {
        if (i % 997 == 0) {
            text += "Menu " + QByteArray::number(i) + " > \n"; // no title
            expectedWarnings.append(QStringLiteral("line %1: an empty menu or title; skipped").arg(i));
        } else if (i % 1201 == 0) {
            text += "# comment\r\n";
        } else {
            const QString line = QStringLiteral("Ménu %1 > Sub %2 > Item %3").arg(i / 40).arg(i / 8).arg(i);
            text += line.toUtf8() + (i % 5 == 0 ? "\tCtrl+S\r\n" : "\n");
            expected.append(i % 5 == 0 ? line + QStringLiteral("\tCtrl+S") : line);
        }
    }
    ASSERT_GT(text.size(), 300 * 1024); // past the size read on two threads
    const RowsFile file = parseRows(text);
    QStringList got;
    for (const MenuItemDataPtr &parsed : file.rows)
        got.append(rowLine(*parsed));
    EXPECT_EQ(got, expected);
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
            expected.append(QStringLiteral("Menu %1 > Caf\u00e9 \ufffd").arg(i));
        }
    }
    const RowsFile file = parseRows(text);
    QStringList got;
    for (const MenuItemDataPtr &parsed : file.rows)
        got.append(rowLine(*parsed));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(file.warningCount, badLines);
    ASSERT_EQ(file.warnings.size(), kKeptWarnings);
    EXPECT_EQ(file.warnings.first(), QStringLiteral("line 3: not UTF-8 text; skipped"));
    EXPECT_EQ(file.warnings.last(), QStringLiteral("line 30: not UTF-8 text; skipped"));
}

// A field quoted in a warning shows its start only, and nothing a terminal would act on or reorder.
TEST(MenuRowsTest, WarningsQuoteAShortPrintableExcerpt)
{
    const QString hostile = QStringLiteral("\u202e\x1b[2J") + QString(20000, u'K') + QStringLiteral("\x07");
    const RowsFile file = parseRows("Edit > Copy\t" + hostile.toUtf8() + "\t" + hostile.toUtf8() + "\n");
    ASSERT_EQ(file.warnings.size(), 2) << file.warnings.join(u'|').toStdString();
    for (const QString &warning : file.warnings) {
        EXPECT_LT(warning.size(), 120) << warning.toStdString();
        EXPECT_TRUE(warning.contains(QStringLiteral("\ufffd\ufffd[2JKKK"))) << warning.toStdString();
        for (const QChar c : warning)
            EXPECT_TRUE(c.isPrint()) << warning.toStdString() << ": " << int(c.unicode());
    }
}

TEST(MenuRowsTest, LineLongerThanADecodedBlockStaysWhole)
{
    const QString longTitle = QString(70 * 1024, QChar(u'\u00e9')) + QStringLiteral(" end");
    const QByteArray text = "File > " + longTitle.toUtf8() + "\nEdit > Copy\tCtrl+Nonsense+\nEdit > Paste\n";
    const RowsFile file = parseRows(text);
    ASSERT_EQ(file.rows.size(), 3);
    EXPECT_EQ(file.rows[0]->title(), longTitle);
    EXPECT_EQ(rowLine(*file.rows[2]), QStringLiteral("Edit > Paste"));
    ASSERT_EQ(file.warnings.size(), 1);
    EXPECT_TRUE(file.warnings[0].startsWith(QStringLiteral("line 2: "))) << file.warnings[0].toStdString();
}

struct KeyCase
{
    const char *name;
    const char *text;
    KeyData keys;
};

class DisplayTextTest : public testing::TestWithParam<KeyCase>
{
};

TEST_P(DisplayTextTest, ReadsTheLinuxWordsBack)
{
    const std::optional<KeyData> keys = keyDataFromDisplayText(QString::fromUtf8(GetParam().text));
    ASSERT_TRUE(keys);
    EXPECT_EQ(*keys, GetParam().keys) << keys->displayText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DisplayTextTest,
    testing::Values(KeyCase{"CtrlIsTheCommandBit", "Ctrl+S", KeyData(QStringLiteral("S"), 0, 0)},
                    KeyCase{"ShiftAndCtrl", "Ctrl+Shift+P", KeyData(QStringLiteral("P"), 0, keymask::kShift)},
                    KeyCase{"SuperIsTheControlBit", "Super+Alt+T", KeyData(QStringLiteral("T"), 0, keymask::kNoCommand | keymask::kControl | keymask::kOption)},
                    KeyCase{"PlusKey", "Ctrl++", KeyData(QStringLiteral("+"), 0, 0)},
                    KeyCase{"FunctionKeyAlone", "F5", KeyData(QStringLiteral("F5"), 0, keymask::kNoCommand)},
                    KeyCase{"WordsOfGlyphKeys", "Ctrl+Page Down", KeyData(QStringLiteral("⇟"), 0, 0)},
                    KeyCase{"CaseAndBlanksForgiven", " ctrl + shift + s ", KeyData(QStringLiteral("S"), 0, keymask::kShift)}),
    [](const testing::TestParamInfo<KeyCase> &info) { return std::string(info.param.name); });

TEST(MenuRowsTest, TextsNamingNoKeyAreRefused)
{
    for (const char *text : {"", "Ctrl+", "Ctrl+Nonsense", "Hyper+S"})
        EXPECT_FALSE(keyDataFromDisplayText(QString::fromUtf8(text))) << text;
}

TEST(MenuRowsTest, WriterGivesEachRowsLineInOneText)
{
    QList<MenuItemDataPtr> rows = parseRows("File > Save\tCtrl+S\nFile > Save As\tCtrl+Shift+S\nQuit\tCtrl+S\n"
                                            "View > Wrap\t\tchecked\nView > Zoom\t\tsubmenu,checked\nView > Zoom > In\tCtrl++\tdisabled\n").rows;
    rows.append(row(QStringLiteral("Tab\there\nand there"), {QStringLiteral("Odd\tMenu")}, std::nullopt, false, true));
    rows.append(row(QStringLiteral("Save"), {QStringLiteral("File")})); // the same path text, another path object
    auto nameless = std::make_shared<MenuItemData>(QStringLiteral("Nameless Key"), QStringList{QStringLiteral("Keys")},
                                                   false, KeyData(std::nullopt, 300, 0), QString());
    rows.append(nameless);
    rows.append(rows.first()); // a path and a shortcut seen before
    ASSERT_EQ(rows.size(), 10);

    QString text;
    QString expected;
    RowLineWriter writer;
    for (const MenuItemDataPtr &r : std::as_const(rows)) {
        writer.append(*r, text);
        text += QLatin1Char('\n');
        expected += rowLine(*r) + QLatin1Char('\n');
    }
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("Odd Menu > Tab here and there\t\tsubmenu\n")));
    EXPECT_TRUE(expected.contains(QStringLiteral("\nKeys > Nameless Key\n")));
    EXPECT_TRUE(expected.contains(QStringLiteral("\nView > Zoom > In\tCtrl++\tdisabled\n")));
}

TEST(MenuRowsTest, JsonFormNamesEveryField)
{
    const QJsonObject plain = rowJson(*row(QStringLiteral("Open…"), {QStringLiteral("File")}));
    EXPECT_EQ(plain.value(QStringLiteral("path")).toArray(), QJsonArray{QStringLiteral("File")});
    EXPECT_EQ(plain.value(QStringLiteral("title")).toString(), QStringLiteral("Open…"));
    EXPECT_TRUE(plain.value(QStringLiteral("shortcut")).isNull());
    EXPECT_FALSE(plain.value(QStringLiteral("checked")).toBool());
    EXPECT_FALSE(plain.value(QStringLiteral("submenu")).toBool());

    const QJsonObject checked = rowJson(*row(QStringLiteral("Wrap"), {QStringLiteral("View")}, QStringLiteral("Ctrl+Shift+P"), true));
    EXPECT_EQ(checked.value(QStringLiteral("shortcut")).toString(), QStringLiteral("Ctrl+Shift+P"));
    EXPECT_TRUE(checked.value(QStringLiteral("checked")).toBool());

    const QList<MenuItemDataPtr> read = parseRows("Edit > Copy\nEdit > Paste\tCtrl+V\tdisabled\n").rows;
    ASSERT_EQ(read.size(), 2);
    EXPECT_TRUE(rowJson(*read[0]).value(QStringLiteral("enabled")).toBool(false));
    EXPECT_FALSE(rowJson(*read[1]).value(QStringLiteral("enabled")).toBool(true));
}

struct FindCase
{
    const char *name;
    const char *query;
    const char *found; // rowPathText of the row found; "" for none
};

class FindRowTest : public testing::TestWithParam<FindCase>
{
};

TEST_P(FindRowTest, MatchesTheWholePathForgivingCaseBlanksAndDots)
{
    const QList<MenuItemDataPtr> rows = {
        row(QStringLiteral("Save"), {QStringLiteral("File")}),
        row(QStringLiteral("Save As…"), {QStringLiteral("File")}),
        row(QStringLiteral("Reload"), {QStringLiteral("File")}),
        row(QStringLiteral("Reload"), {QStringLiteral("View")}),
        row(QStringLiteral("Gamma"), {QStringLiteral("File"), QStringLiteral("Recent"), QStringLiteral("More")}),
    };
    const MenuItemDataPtr found = findRow(rows, QString::fromUtf8(GetParam().query));
    EXPECT_EQ(found ? rowPathText(*found) : QString(), QString::fromUtf8(GetParam().found));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FindRowTest,
    testing::Values(FindCase{"Exact", "File > Save As…", "File > Save As…"},
                    FindCase{"ThreeDotsForEllipsis", "File > Save As...", "File > Save As…"},
                    FindCase{"CaseIgnored", "file > save as…", "File > Save As…"},
                    FindCase{"BlanksAroundSeparatorIgnored", "File>Save", "File > Save"},
                    FindCase{"SameTitleOtherMenu", "View > Reload", "View > Reload"},
                    FindCase{"Deep", "File > Recent > More > Gamma", "File > Recent > More > Gamma"},
                    FindCase{"TitleAloneIsNotAPath", "Save", ""},
                    FindCase{"PrefixOfTitleIsNot", "File > Sav", ""},
                    FindCase{"PartialPathIsNot", "Recent > More > Gamma", ""},
                    FindCase{"Unmatched", "Edit > Paste", ""}),
    [](const testing::TestParamInfo<FindCase> &info) { return std::string(info.param.name); });

TEST(MenuRowsTest, RankingPutsTheBestTitleFirstAndDropsNonMatches)
{
    const QList<MenuItemDataPtr> rows = {
        row(QStringLiteral("Print…"), {QStringLiteral("File")}),
        row(QStringLiteral("Save All"), {QStringLiteral("File")}),
        row(QStringLiteral("Save"), {QStringLiteral("File")}),
        row(QStringLiteral("Zoom In"), {QStringLiteral("View")}),
    };
    SearchUtils search;
    const std::vector<RankedRow> ranked = rankRows(search, QStringLiteral("save"), rows);
    ASSERT_EQ(ranked.size(), 2u);
    EXPECT_EQ(ranked[0].row->title(), QStringLiteral("Save"));
    EXPECT_EQ(ranked[1].row->title(), QStringLiteral("Save All"));
    EXPECT_GT(ranked[0].score, ranked[1].score);
    EXPECT_TRUE(rankRows(search, QStringLiteral("qqq"), rows).empty());
}

TEST(MenuRowsTest, LargeListsRankLikeThePalettesOwnSearch)
{
    // Enough rows to be split between threads; every chunk border must keep its rows and their order.
    const QStringList words = {QStringLiteral("Save"), QStringLiteral("Open"), QStringLiteral("Search"),
                               QStringLiteral("Zoom"), QStringLiteral("Wrap"), QStringLiteral("Split")};
    QList<MenuItemDataPtr> rows, copies;
    for (int i = 0; i < 9001; ++i) {
        const QString title = words[i % words.size()] + QLatin1Char(' ') + words[(i / 7) % words.size()] + QString::number(i % 13);
        const QStringList path = {words[(i / 3) % words.size()], QStringLiteral("Group %1").arg(i % 50)};
        rows.append(row(title, path));
        copies.append(row(title, path));
    }
    SearchUtils search;
    const std::vector<RankedRow> ranked = rankRows(search, QStringLiteral("sv srch"), rows);
    const QList<MenuItemDataPtr> expected = search.search(QStringLiteral("sv srch"), copies);
    ASSERT_EQ(qsizetype(ranked.size()), expected.size());
    ASSERT_GT(expected.size(), 100);
    for (size_t i = 0; i < ranked.size(); ++i) {
        ASSERT_EQ(rowPathText(*ranked[i].row), rowPathText(*expected[qsizetype(i)])) << "at " << i;
        ASSERT_EQ(rows.indexOf(ranked[i].row), copies.indexOf(expected[qsizetype(i)])) << "at " << i;
    }
}

} // namespace
} // namespace tavolin::menutool
