// Reading a document's path out of a window title: only forms that name an existing file count.
#include <gtest/gtest.h>

#include "platform/linux/WindowTitleDocument.h"

#include <QSet>

namespace tavolin {
namespace {

struct TitleCase
{
    const char *name;
    const char *title;
    std::optional<QString> expected;
};

// The files that "exist" for these cases.
const QSet<QString> kFiles = {
    QStringLiteral("/home/u/notes/a b.txt"),
    QStringLiteral("/home/u/notes/plan - final.txt"),
    QStringLiteral("/home/u/notes/x (1).txt"),
    QStringLiteral("/tmp/report.md"),
    QStringLiteral("/home/u/it's; rm -rf ~.txt"),
};

class WindowTitleDocumentTest : public testing::TestWithParam<TitleCase>
{
};

TEST_P(WindowTitleDocumentTest, FindsOnlyExistingFiles)
{
    const TitleCase &c = GetParam();
    const auto isFile = [](const QString &path) { return kFiles.contains(path); };
    EXPECT_EQ(windowtitle::documentPath(QString::fromUtf8(c.title), QStringLiteral("/home/u"), isFile), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, WindowTitleDocumentTest,
    testing::Values(
        TitleCase{"PathThenApplication", "/home/u/notes/a b.txt - Mousepad", QStringLiteral("/home/u/notes/a b.txt")},
        TitleCase{"ModifiedMark", "*/home/u/notes/a b.txt - Mousepad", QStringLiteral("/home/u/notes/a b.txt")},
        TitleCase{"BulletMark", "\u25CF /tmp/report.md \u2014 Editor", QStringLiteral("/tmp/report.md")},
        TitleCase{"SeparatorInsideTheFileName", "/home/u/notes/plan - final.txt - Mousepad",
                  QStringLiteral("/home/u/notes/plan - final.txt")},
        TitleCase{"HomeTilde", "~/notes/a b.txt - Editor", QStringLiteral("/home/u/notes/a b.txt")},
        TitleCase{"NameThenFolder", "a b.txt - /home/u/notes - Geany", QStringLiteral("/home/u/notes/a b.txt")},
        TitleCase{"NameThenTildeFolder", "a b.txt - ~/notes - Geany", QStringLiteral("/home/u/notes/a b.txt")},
        TitleCase{"NameWithFolderInParentheses", "x (1).txt (/home/u/notes) - gedit",
                  QStringLiteral("/home/u/notes/x (1).txt")},
        TitleCase{"ShellCharactersStayPartOfTheName", "/home/u/it's; rm -rf ~.txt - Mousepad",
                  QStringLiteral("/home/u/it's; rm -rf ~.txt")},
        TitleCase{"DotSegmentsCleaned", "/home/u/notes/../notes/a b.txt - Mousepad",
                  QStringLiteral("/home/u/notes/a b.txt")},
        // Negative rows: nothing is guessed.
        TitleCase{"UntitledDocument", "Untitled 1 - Mousepad", std::nullopt},
        TitleCase{"PathThatDoesNotExist", "/home/u/notes/gone.txt - Mousepad", std::nullopt},
        TitleCase{"FolderIsNotADocument", "/home/u/notes - Files", std::nullopt},
        TitleCase{"RootOnly", "/ - Files", std::nullopt},
        TitleCase{"NameWithoutFolder", "a b.txt - Mousepad", std::nullopt},
        TitleCase{"RelativeFolder", "a b.txt - notes - Geany", std::nullopt},
        TitleCase{"NameMayNotClimb", ".. - /home/u/notes/a b.txt/x - Geany", std::nullopt},
        TitleCase{"CommandLineInATerminal", "vim /tmp/report.md", std::nullopt},
        TitleCase{"Empty", "", std::nullopt},
        TitleCase{"OnlyMarks", "***", std::nullopt}),
    [](const testing::TestParamInfo<TitleCase> &info) { return std::string(info.param.name); });

TEST(WindowTitleDocument, OverlongTitleIsNotRead)
{
    int asked = 0;
    const auto isFile = [&](const QString &) { return ++asked, true; };
    const QString title = QStringLiteral("/") + QString(10000, QLatin1Char('a')) + QStringLiteral(" - Editor");
    EXPECT_EQ(windowtitle::documentPath(title, QStringLiteral("/home/u"), isFile), std::nullopt);
    EXPECT_EQ(asked, 0);
}

TEST(WindowTitleDocument, ManySeparatorsStayCheap)
{
    int asked = 0;
    const auto isFile = [&](const QString &) { return ++asked, false; };
    QString title;
    for (int i = 0; i < 500; ++i)
        title += QStringLiteral("/x - ");
    EXPECT_EQ(windowtitle::documentPath(title, QStringLiteral("/home/u"), isFile), std::nullopt);
    EXPECT_LT(asked, 200) << "the number of parts looked at is bounded";
}

TEST(WindowTitleDocument, NulInTitleGivesNothing)
{
    const auto isFile = [](const QString &) { return true; };
    QString title = QStringLiteral("/tmp/a");
    title += QChar(0);
    title += QStringLiteral("b.txt - Editor");
    EXPECT_EQ(windowtitle::documentPath(title, QStringLiteral("/home/u"), isFile), std::nullopt);
}

} // namespace
} // namespace tavolin
