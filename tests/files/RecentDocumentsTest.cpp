#include "files/RecentDocuments.h"

#include "FilesTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using recentdocuments::AppMatch;
using recentdocuments::Document;

using test::recentBookmark;
using test::recentList;

const AppMatch kMousepad{{QStringLiteral("Mousepad"), QStringLiteral("mousepad"), QStringLiteral("org.xfce.mousepad")},
                         QStringLiteral("mousepad")};

QStringList paths(const QList<Document> &documents)
{
    QStringList out;
    for (const Document &document : documents)
        out << document.url.toLocalFile();
    return out;
}

// `count` bookmarks of Mousepad, each its own file.
QByteArray manyBookmarks(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += recentBookmark(QStringLiteral("file:///d/f%1").arg(i), "mousepad", "mousepad %u");
    return recentList(out);
}

const QByteArray kSample =
    recentList(recentBookmark("file:///home/u/old.txt", "Mousepad", "&apos;mousepad %u&apos;", "2024-01-02T10:00:00.123456Z")
               + recentBookmark("file:///home/u/other.txt", "gedit", "&apos;gedit %u&apos;", "2024-03-01T10:00:00Z")
               + recentBookmark("file:///home/u/new%20file.txt", "mousepad", "&apos;mousepad %u&apos;", "2024-02-02T10:00:00Z")
               + recentBookmark("file:///home/u/by-exec.txt", "Text Editor", "&apos;/usr/bin/mousepad %u&apos;",
                                "2024-01-05T10:00:00Z")
               + recentBookmark("https://example.org/page.html", "Mousepad", "&apos;mousepad %u&apos;", "2024-05-01T10:00:00Z"));

// An application's local files, most recent first, found by its name or its whole executable.
TEST(RecentDocuments, EachApplicationGetsItsOwnLocalFilesMostRecentFirst)
{
    const struct { const char *name; AppMatch app; QStringList paths; } cases[] = {
        {"by name and executable", kMousepad, {"/home/u/new file.txt", "/home/u/by-exec.txt", "/home/u/old.txt"}},
        {"another application", {{QStringLiteral("gedit")}, QStringLiteral("gedit")}, {"/home/u/other.txt"}},
        {"not in the list", {{QStringLiteral("scribe")}, QStringLiteral("scribe")}, {}},
        {"the executable is compared whole", {{}, QStringLiteral("pad")}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QList<Document>> documents = recentdocuments::parse(kSample, c.app);
        ASSERT_TRUE(documents.has_value());
        EXPECT_EQ(paths(*documents), c.paths);
        if (!documents->isEmpty()) {
            EXPECT_TRUE(documents->front().used.isValid());
        }
    }
}

TEST(RecentDocuments, DocumentsPerApplicationAreCapped)
{
    recentdocuments::Limits limits;
    limits.maxDocuments = 10;
    EXPECT_EQ(recentdocuments::parse(manyBookmarks(30), kMousepad, limits)->size(), 10);
}

TEST(RecentDocuments, AFileThatIsNotAWholeBoundedXbelGivesNoDocuments)
{
    const struct { const char *name; QByteArray text; } cases[] = {
        {"empty", QByteArray()},
        {"truncated", kSample.left(kSample.size() / 2)},
        {"truncated inside a tag", kSample.left(kSample.indexOf("exec=") + 3)},
        {"not XBEL", QByteArrayLiteral("<?xml version=\"1.0\"?><html><bookmark href=\"file:///a\"/></html>")},
        {"mismatched tags", recentList("<bookmark href=\"file:///a\"><info></bookmark></info>")},
        {"bookmark without href", recentList("<bookmark added=\"x\"/>")},
        {"entity expansion", QByteArrayLiteral("<?xml version=\"1.0\"?><!DOCTYPE xbel [<!ENTITY a \"aaaaaaaaaa\">"
                                               "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><xbel>&b;</xbel>")},
        {"binary", QByteArray("\x00\xff\xfe<xbel>\x01\x02", 11)},
        {"two roots", kSample + "<xbel/>"},
        {"too large", recentList(QByteArray(70 * 1024, ' '))},
        {"too many bookmarks", manyBookmarks(51)},
        {"nested too deeply", recentList(recentBookmark("file:///d/a", "mousepad", "mousepad")
                                       .replace("</info>", QByteArray("<x>").repeated(40) + QByteArray("</x>").repeated(40)
                                                               + "</info>"))},
    };
    recentdocuments::Limits limits;
    limits.maxBytes = 64 * 1024;
    limits.maxBookmarks = 50;
    for (const auto &c : cases)
        EXPECT_FALSE(recentdocuments::parse(c.text, kMousepad, limits).has_value()) << c.name;
}

TEST(RecentDocuments, ReadFileRefusesAFileLargerThanTheLimitWithoutReadingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("recently-used.xbel"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kSample);
    file.write(QByteArray(2 * 1024 * 1024, ' '));
    file.close();
    recentdocuments::Limits limits;
    limits.maxBytes = 1024 * 1024;
    EXPECT_FALSE(recentdocuments::readFile(path, kMousepad, limits).has_value());
    limits.maxBytes = 4 * 1024 * 1024;
    EXPECT_EQ(recentdocuments::readFile(path, kMousepad, limits)->size(), 3);
}

TEST(RecentDocuments, AMissingFileGivesNone)
{
    EXPECT_FALSE(recentdocuments::readFile(QStringLiteral("/nonexistent/recently-used.xbel"), kMousepad).has_value());
    EXPECT_FALSE(recentdocuments::readFile(QString(), kMousepad).has_value());
}

} // namespace
} // namespace tavolin
