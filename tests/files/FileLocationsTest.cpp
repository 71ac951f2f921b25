#include "files/FileLocations.h"

#include "FilesTestSupport.h"
#include "support/IsolatedHome.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

struct DocumentCase
{
    const char *name;
    QString document;
    std::optional<QString> path;
};

class DocumentFileUrl : public ::testing::TestWithParam<DocumentCase>
{
};

TEST_P(DocumentFileUrl, OnlyAbsoluteLocalFiles)
{
    const DocumentCase &c = GetParam();
    const std::optional<QUrl> url = filelocations::documentFileUrl(c.document);
    ASSERT_EQ(url.has_value(), c.path.has_value());
    if (url) {
        EXPECT_EQ(url->toLocalFile(), *c.path);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DocumentFileUrl,
    ::testing::Values(
        DocumentCase{"FileUrl", QStringLiteral("file:///home/u/a.txt"), QStringLiteral("/home/u/a.txt")},
        DocumentCase{"EncodedFileUrl", QStringLiteral("file:///home/u/caf%C3%A9%20b.txt"), QStringLiteral("/home/u/café b.txt")},
        DocumentCase{"PlainPath", QStringLiteral("/home/u/a b.txt"), QStringLiteral("/home/u/a b.txt")},
        DocumentCase{"DotsAreResolved", QStringLiteral("/home/u/x/../a.txt"), QStringLiteral("/home/u/a.txt")},
        DocumentCase{"Padded", QStringLiteral("  /home/u/a.txt\n"), QStringLiteral("/home/u/a.txt")},
        DocumentCase{"WebAddress", QStringLiteral("https://example.org/a.txt"), std::nullopt},
        DocumentCase{"RelativePath", QStringLiteral("docs/a.txt"), std::nullopt},
        DocumentCase{"Empty", QString(), std::nullopt},
        DocumentCase{"Root", QStringLiteral("/"), std::nullopt},
        DocumentCase{"RemoteFileUrl", QStringLiteral("file://server/share/a.txt"), std::nullopt},
        DocumentCase{"EmbeddedNul", QStringLiteral("/home/u/a") + QChar(0) + QStringLiteral("b"), std::nullopt},
        DocumentCase{"Enormous", QStringLiteral("/") + QString(5000, QLatin1Char('a')), std::nullopt}),
    [](const ::testing::TestParamInfo<DocumentCase> &info) { return std::string(info.param.name); });

TEST(FileLocations, InsideComparesWholeComponents)
{
    EXPECT_TRUE(filelocations::isInside(QStringLiteral("/a/b/c"), QStringLiteral("/a/b")));
    EXPECT_TRUE(filelocations::isInside(QStringLiteral("/a/b"), QStringLiteral("/a/b/")));
    EXPECT_FALSE(filelocations::isInside(QStringLiteral("/a/bc"), QStringLiteral("/a/b")));
    EXPECT_FALSE(filelocations::isInside(QStringLiteral("/a"), QStringLiteral("/a/b")));
}

class GuessFolder : public ::testing::Test
{
protected:
    test::IsolatedHome home;
    QTemporaryDir dir;
};

TEST_F(GuessFolder, IsTheDocumentsFolder)
{
    const QString document = test::makePath(dir.path(), QStringLiteral("project/notes.txt"));
    const std::optional<QUrl> folder = filelocations::guessFolder(QUrl::fromLocalFile(document));
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(folder->toLocalFile(), dir.path() + QStringLiteral("/project"));
}

TEST_F(GuessFolder, NoneForADocumentInTheTrash)
{
    const QString document = test::makePath(home.dataHome(), QStringLiteral("Trash/files/notes.txt"));
    EXPECT_FALSE(filelocations::guessFolder(QUrl::fromLocalFile(document)).has_value());
    const QString deeper = test::makePath(home.dataHome(), QStringLiteral("Trash/files/old/notes.txt"));
    EXPECT_FALSE(filelocations::guessFolder(QUrl::fromLocalFile(deeper)).has_value());
}

TEST_F(GuessFolder, NoneForTheTrashReachedThroughALink)
{
    test::makePath(home.dataHome(), QStringLiteral("Trash/files/notes.txt"));
    const QString link = dir.path() + QStringLiteral("/trash-link");
    ASSERT_TRUE(QFile::link(home.dataHome() + QStringLiteral("/Trash/files"), link));
    EXPECT_FALSE(filelocations::guessFolder(QUrl::fromLocalFile(link + QStringLiteral("/notes.txt"))).has_value());
}

TEST_F(GuessFolder, NoneForAHiddenFolderAtTheRoot)
{
    EXPECT_FALSE(filelocations::guessFolder(QUrl::fromLocalFile(QStringLiteral("/.snapshots/a.txt"))).has_value());
}

TEST_F(GuessFolder, NoneForOtherSchemes)
{
    EXPECT_FALSE(filelocations::guessFolder(QUrl(QStringLiteral("https://example.org/a.txt"))).has_value());
}

} // namespace
} // namespace tavolin
