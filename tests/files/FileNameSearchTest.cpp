#include "files/FileNameSearch.h"

#include "FilesTestSupport.h"
#include "files/FileTask.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(FileNameSearch, ANameMatchesWhenItHoldsEveryWord)
{
    const struct { const char *name; QString fileName; QString query; bool matches; } cases[] = {
        {"both words", QStringLiteral("budget report 2024.ods"), QStringLiteral("report budget"), true},
        {"one word missing", QStringLiteral("budget 2024.ods"), QStringLiteral("report budget"), false},
        {"ignores case", QStringLiteral("Annual REPORT.pdf"), QStringLiteral("report annual"), true},
        {"ignores marks", QStringLiteral("Résumé final.odt"), QStringLiteral("resume FINAL"), true},
        {"marks in the query", QStringLiteral("resume.odt"), QStringLiteral("résumé"), true},
        {"words are contiguous", QStringLiteral("r-e-p-o-r-t.txt"), QStringLiteral("report"), false},
        {"unmatched", QStringLiteral("notes.txt"), QStringLiteral("zz"), false},
        {"extra spaces ignored", QStringLiteral("notes.txt"), QStringLiteral("  notes \t txt "), true},
    };
    for (const auto &c : cases) {
        std::vector<FoldedText> words;
        for (const QString &word : FileNameSearch::queryWords(c.query))
            words.emplace_back(word, FoldMode::Default);
        EXPECT_EQ(FileNameSearch::nameMatches(FoldedText(c.fileName, FoldMode::Default), words), c.matches) << c.name;
    }
}

class FileNameSearchTest : public ::testing::Test
{
protected:
    // The found names, relative to the folder, in the order they were delivered.
    QStringList runInOrder(const QString &query, const FileNameSearch::Limits &limits = {})
    {
        QStringList out;
        FileStep step;
        end = FileNameSearch::search(dir.path(), query, step, [&out, this](QList<QUrl> batch) {
            ++batches;
            for (const QUrl &url : batch)
                out << url.toLocalFile().mid(dir.path().size() + 1);
        }, limits);
        EXPECT_NE(end, FileNameSearch::End::Cancelled);
        return out;
    }
    QStringList run(const QString &query, const FileNameSearch::Limits &limits = {})
    {
        QStringList out = runInOrder(query, limits);
        out.sort();
        return out;
    }
    // The names listed in `folder`, or none when the listing fails.
    std::optional<QStringList> listed(const QString &folder, const FileNameSearch::Limits &limits = {})
    {
        FileStep step;
        const std::optional<QList<QUrl>> urls = FileNameSearch::list(folder, step, limits, &end);
        if (!urls)
            return std::nullopt;
        QStringList names;
        for (const QUrl &url : *urls)
            names << url.fileName();
        return names;
    }
    // `count` empty files named like "file_000042" in the folder.
    void makeNumberedFiles(int count)
    {
        for (int i = 0; i < count; ++i) {
            QFile file(dir.filePath(QStringLiteral("file_%1").arg(i, 6, 10, QLatin1Char('0'))));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }

    QTemporaryDir dir;
    int batches = 0;
    FileNameSearch::End end = FileNameSearch::End::Cancelled;
};

// Every word in the name, at any depth; hidden entries and folders, and the trash, are skipped; folders match too.
TEST_F(FileNameSearchTest, FindsTheVisibleNamesWithEveryWord)
{
    for (const char *name : {"report budget.ods", "sub/Budget Report.pdf", "sub/deeper/budget-report.txt", "report.txt",
                             "budget.txt", "sub/other.txt", "notes.txt", ".notes.txt", ".hidden/notes.txt",
                             ".local/share/Trash/files/notes.txt", "visible/notes-2.txt", "reports/"})
        test::makePath(dir.path(), QString::fromUtf8(name));
    EXPECT_EQ(run(QStringLiteral("budget report")),
              (QStringList{"report budget.ods", "sub/Budget Report.pdf", "sub/deeper/budget-report.txt"}));
    EXPECT_EQ(run(QStringLiteral("notes")), (QStringList{"notes.txt", "visible/notes-2.txt"}));
    EXPECT_EQ(run(QStringLiteral("reports")), (QStringList{"reports"}));
}

TEST_F(FileNameSearchTest, StopsAfterSixtyOneResults)
{
    for (int i = 0; i < 90; ++i)
        test::makePath(dir.path(), QStringLiteral("note-%1.txt").arg(i));
    EXPECT_EQ(run(QStringLiteral("note")).size(), 61);
}

TEST_F(FileNameSearchTest, LinkedFoldersAreNotEntered)
{
    test::makePath(dir.path(), QStringLiteral("real/a-note.txt"));
    ASSERT_TRUE(QFile::link(dir.path(), dir.path() + QStringLiteral("/real/loop")));
    EXPECT_EQ(run(QStringLiteral("note")), (QStringList{"real/a-note.txt"}));
}

TEST_F(FileNameSearchTest, VisitedEntriesAreBoundedAndTheBoundIsReported)
{
    for (int i = 0; i < 20; ++i)
        test::makePath(dir.path(), QStringLiteral("f%1.txt").arg(i));
    FileNameSearch::Limits limits;
    limits.maxVisited = 5;
    EXPECT_LE(run(QStringLiteral("txt"), limits).size(), 5);
    EXPECT_EQ(end, FileNameSearch::End::Bounded);
    limits.maxVisited = 20;
    EXPECT_EQ(run(QStringLiteral("txt"), limits).size(), 20);
    EXPECT_EQ(end, FileNameSearch::End::Complete);
}

// A folder far larger than the bound on entries read: the exact name is found wherever the directory
// hands it out, and the matches of the part that was read are ranked, not taken in directory order.
TEST_F(FileNameSearchTest, AnExactNameIsFoundBeyondTheBoundAndMatchesAreRanked)
{
    ASSERT_NO_FATAL_FAILURE(makeNumberedFiles(300));
    FileNameSearch::Limits limits;
    limits.maxVisited = 40;
    for (const QString &name : {u"file_000294"_qs, u"file_000007"_qs}) {
        EXPECT_EQ(runInOrder(name, limits).value(0), name);
        EXPECT_EQ(end, FileNameSearch::End::Bounded);
    }

    limits.maxVisited = 10'000;
    EXPECT_EQ(runInOrder(u"file_00029"_qs, limits),
              (QStringList{"file_000290", "file_000291", "file_000292", "file_000293", "file_000294", "file_000295",
                           "file_000296", "file_000297", "file_000298", "file_000299"}));
    EXPECT_EQ(end, FileNameSearch::End::Complete);
    // The exact name first, then names starting with the word in natural order, then the others.
    test::makePath(dir.path(), QStringLiteral("old-file_00029.txt"));
    test::makePath(dir.path(), QStringLiteral("file_00029"));
    const QStringList ranked = runInOrder(u"file_00029"_qs, limits);
    EXPECT_EQ(ranked.mid(0, 3), (QStringList{"file_00029", "file_000290", "file_000291"}));
    EXPECT_EQ(ranked.value(11), u"old-file_00029.txt"_qs);
}

TEST_F(FileNameSearchTest, ACancelledSearchStops)
{
    test::makePath(dir.path(), QStringLiteral("a.txt"));
    FileStep step;
    step.cancel();
    int calls = 0;
    EXPECT_EQ(FileNameSearch::search(dir.path(), QStringLiteral("a"), step, [&calls](QList<QUrl>) { ++calls; }, {}),
              FileNameSearch::End::Cancelled);
    EXPECT_EQ(calls, 0);
}

TEST_F(FileNameSearchTest, ListingIsOneLevelVisibleAndByNameAndAFolderThatCannotBeListedIsEmpty)
{
    for (const char *name : {"b.txt", "A.txt", "c/inner.txt", ".hidden.txt", "file10.txt", "file9.txt"})
        test::makePath(dir.path(), QString::fromUtf8(name));
    EXPECT_EQ(listed(dir.path()), (QStringList{"A.txt", "b.txt", "c", "file9.txt", "file10.txt"}));
    EXPECT_EQ(listed(dir.path() + QStringLiteral("/missing")), QStringList());
}

TEST_F(FileNameSearchTest, AListingCutToItsBoundKeepsTheFirstNamesOfAllItRead)
{
    ASSERT_NO_FATAL_FAILURE(makeNumberedFiles(200));
    FileNameSearch::Limits limits;
    limits.maxListed = 3;
    EXPECT_EQ(listed(dir.path(), limits), (QStringList{"file_000000", "file_000001", "file_000002"}));
    EXPECT_EQ(end, FileNameSearch::End::Bounded);
}

} // namespace
} // namespace tavolin
