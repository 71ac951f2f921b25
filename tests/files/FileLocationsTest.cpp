#include "files/FileLocations.h"

#include "FilesTestSupport.h"
#include "support/IsolatedHome.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(FileLocations, DocumentFileUrlIsOnlyForAbsoluteLocalFiles)
{
    const struct { const char *name; QString document; std::optional<QString> path; } cases[] = {
        {"file URL", QStringLiteral("file:///home/u/a.txt"), QStringLiteral("/home/u/a.txt")},
        {"encoded file URL", QStringLiteral("file:///home/u/caf%C3%A9%20b.txt"), QStringLiteral("/home/u/café b.txt")},
        {"plain path", QStringLiteral("/home/u/a b.txt"), QStringLiteral("/home/u/a b.txt")},
        {"dots are resolved", QStringLiteral("/home/u/x/../a.txt"), QStringLiteral("/home/u/a.txt")},
        {"padded", QStringLiteral("  /home/u/a.txt\n"), QStringLiteral("/home/u/a.txt")},
        {"web address", QStringLiteral("https://example.org/a.txt"), std::nullopt},
        {"relative path", QStringLiteral("docs/a.txt"), std::nullopt},
        {"empty", QString(), std::nullopt},
        {"root", QStringLiteral("/"), std::nullopt},
        {"remote file URL", QStringLiteral("file://server/share/a.txt"), std::nullopt},
        {"embedded NUL", QStringLiteral("/home/u/a") + QChar(0) + QStringLiteral("b"), std::nullopt},
        {"enormous", QStringLiteral("/") + QString(5000, QLatin1Char('a')), std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<QUrl> url = filelocations::documentFileUrl(c.document);
        EXPECT_EQ(url ? std::optional(url->toLocalFile()) : std::nullopt, c.path) << c.name;
    }
}

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

// Not in the trash, even through a link, not under a hidden folder at the root, not for other schemes.
TEST_F(GuessFolder, NoneWhereNoDocumentFolderIsToBeSearched)
{
    test::makePath(home.dataHome(), QStringLiteral("Trash/files/notes.txt"));
    const QString link = dir.path() + QStringLiteral("/trash-link");
    ASSERT_TRUE(QFile::link(home.dataHome() + QStringLiteral("/Trash/files"), link));
    for (const QUrl &url : {QUrl::fromLocalFile(home.dataHome() + QStringLiteral("/Trash/files/notes.txt")),
                            QUrl::fromLocalFile(test::makePath(home.dataHome(), QStringLiteral("Trash/files/old/notes.txt"))),
                            QUrl::fromLocalFile(link + QStringLiteral("/notes.txt")),
                            QUrl::fromLocalFile(QStringLiteral("/.snapshots/a.txt")),
                            QUrl(QStringLiteral("https://example.org/a.txt"))})
        EXPECT_FALSE(filelocations::guessFolder(url).has_value()) << url.toString().toStdString();
}

} // namespace
} // namespace tavolin
