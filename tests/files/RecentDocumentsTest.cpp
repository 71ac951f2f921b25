#include "files/RecentDocuments.h"

#include "FilesTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using recentdocuments::AppMatch;
using recentdocuments::Document;

QByteArray bookmark(const char *href, const char *appName, const char *exec, const char *modified)
{
    return QByteArrayLiteral("  <bookmark href=\"") + href
           + QByteArrayLiteral("\" added=\"2024-01-01T00:00:00Z\" modified=\"2024-01-01T00:00:00Z\">\n"
                               "    <info>\n"
                               "      <metadata owner=\"http://freedesktop.org\">\n"
                               "        <mime:mime-type type=\"text/plain\"/>\n"
                               "        <bookmark:applications>\n"
                               "          <bookmark:application name=\"")
           + appName + QByteArrayLiteral("\" exec=\"") + exec + QByteArrayLiteral("\" modified=\"") + modified
           + QByteArrayLiteral("\" count=\"1\"/>\n"
                               "        </bookmark:applications>\n"
                               "      </metadata>\n"
                               "    </info>\n"
                               "  </bookmark>\n");
}

QByteArray xbel(const QByteArray &bookmarks)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<xbel version=\"1.0\"\n"
                             "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
                             "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n")
           + bookmarks + QByteArrayLiteral("</xbel>\n");
}

const AppMatch kMousepad{{QStringLiteral("Mousepad"), QStringLiteral("mousepad"), QStringLiteral("org.xfce.mousepad")},
                         QStringLiteral("mousepad")};

QStringList paths(const QList<Document> &documents)
{
    QStringList out;
    for (const Document &document : documents)
        out << document.url.toLocalFile();
    return out;
}

const QByteArray kSample = xbel(bookmark("file:///home/u/old.txt", "Mousepad", "&apos;mousepad %u&apos;",
                                         "2024-01-02T10:00:00.123456Z")
                                + bookmark("file:///home/u/other.txt", "gedit", "&apos;gedit %u&apos;",
                                           "2024-03-01T10:00:00Z")
                                + bookmark("file:///home/u/new%20file.txt", "mousepad", "&apos;mousepad %u&apos;",
                                           "2024-02-02T10:00:00Z")
                                + bookmark("file:///home/u/by-exec.txt", "Text Editor",
                                           "&apos;/usr/bin/mousepad %u&apos;", "2024-01-05T10:00:00Z")
                                + bookmark("https://example.org/page.html", "Mousepad", "&apos;mousepad %u&apos;",
                                           "2024-05-01T10:00:00Z"));

TEST(RecentDocuments, TheApplicationsLocalFilesMostRecentFirst)
{
    const std::optional<QList<Document>> documents = recentdocuments::parse(kSample, kMousepad);
    ASSERT_TRUE(documents.has_value());
    EXPECT_EQ(paths(*documents), (QStringList{"/home/u/new file.txt", "/home/u/by-exec.txt", "/home/u/old.txt"}));
    EXPECT_TRUE(documents->front().used.isValid());
}

TEST(RecentDocuments, OtherApplicationsGetTheirOwn)
{
    const AppMatch gedit{{QStringLiteral("gedit")}, QStringLiteral("gedit")};
    const std::optional<QList<Document>> documents = recentdocuments::parse(kSample, gedit);
    ASSERT_TRUE(documents.has_value());
    EXPECT_EQ(paths(*documents), (QStringList{"/home/u/other.txt"}));
}

TEST(RecentDocuments, AnApplicationNotInTheListHasNone)
{
    const AppMatch none{{QStringLiteral("scribe")}, QStringLiteral("scribe")};
    const std::optional<QList<Document>> documents = recentdocuments::parse(kSample, none);
    ASSERT_TRUE(documents.has_value());
    EXPECT_TRUE(documents->isEmpty());
}

TEST(RecentDocuments, ExecutableIsComparedWhole)
{
    const AppMatch pad{{}, QStringLiteral("pad")};
    EXPECT_TRUE(recentdocuments::parse(kSample, pad)->isEmpty());
}

TEST(RecentDocuments, DocumentsPerApplicationAreCapped)
{
    QByteArray many;
    for (int i = 0; i < 30; ++i)
        many += bookmark(QByteArray("file:///d/f" + QByteArray::number(i)).constData(), "mousepad", "mousepad %u",
                         "2024-01-01T00:00:00Z");
    recentdocuments::Limits limits;
    limits.maxDocuments = 10;
    EXPECT_EQ(recentdocuments::parse(xbel(many), kMousepad, limits)->size(), 10);
}

struct RefusedCase
{
    const char *name;
    QByteArray text;
};

class RecentDocumentsRefused : public ::testing::TestWithParam<RefusedCase>
{
};

TEST_P(RecentDocumentsRefused, GivesNoDocuments)
{
    recentdocuments::Limits limits;
    limits.maxBytes = 64 * 1024;
    limits.maxBookmarks = 50;
    EXPECT_FALSE(recentdocuments::parse(GetParam().text, kMousepad, limits).has_value());
}

QByteArray nested(int depth)
{
    QByteArray open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<x>";
        close += "</x>";
    }
    return xbel(bookmark("file:///d/a", "mousepad", "mousepad", "2024-01-01T00:00:00Z").replace("</info>", open + close + "</info>"));
}

QByteArray manyBookmarks(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += bookmark("file:///d/a", "mousepad", "mousepad", "2024-01-01T00:00:00Z");
    return xbel(out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecentDocumentsRefused,
    ::testing::Values(
        RefusedCase{"Empty", QByteArray()},
        RefusedCase{"Truncated", kSample.left(kSample.size() / 2)},
        RefusedCase{"TruncatedInsideATag", kSample.left(kSample.indexOf("exec=") + 3)},
        RefusedCase{"NotXbel", QByteArrayLiteral("<?xml version=\"1.0\"?><html><bookmark href=\"file:///a\"/></html>")},
        RefusedCase{"MismatchedTags", xbel("<bookmark href=\"file:///a\"><info></bookmark></info>")},
        RefusedCase{"BookmarkWithoutHref", xbel("<bookmark added=\"x\"/>")},
        RefusedCase{"EntityExpansion",
                    QByteArrayLiteral("<?xml version=\"1.0\"?><!DOCTYPE xbel [<!ENTITY a \"aaaaaaaaaa\">"
                                      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><xbel>&b;</xbel>")},
        RefusedCase{"Binary", QByteArray("\x00\xff\xfe<xbel>\x01\x02", 11)},
        RefusedCase{"TwoRoots", kSample + "<xbel/>"},
        RefusedCase{"TooLarge", xbel(QByteArray(70 * 1024, ' '))},
        RefusedCase{"TooManyBookmarks", manyBookmarks(51)},
        RefusedCase{"NestedTooDeeply", nested(40)}),
    [](const ::testing::TestParamInfo<RefusedCase> &info) { return std::string(info.param.name); });

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
