#include "ui/shell/Appcast.h"

#include <gtest/gtest.h>

namespace tavolin::test {
namespace {

QByteArray feed(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Tavolin</title>"
           + items + "</channel></rss>";
}

TEST(AppcastTest, CompareVersionsOrdersLikeReleaseNumbers)
{
    // order: the sign of compareVersions(a, b)
    const struct { const char *a; const char *b; int order; } cases[] = {
        {"1.2.3", "1.2.3", 0},
        {"1.0", "1.0.0", 0},  // missing parts are zero
        {"1.10", "1.9", 1},   // numbers compare by value
        {"1.02", "1.2", 0},   // leading zeros ignored
        {"1.0.1", "1.0", 1},
        {"1.0b1", "1.0", -1}, // a pre-release is older
        {"1.0b2", "1.0b10", -1},
        {"2.0-beta", "2.0", -1},
        {"1.0.1", "1.0b5", 1},
        {"2", "1.99.99", 1},
        {"1.123456789012345678901", "1.99", 1}, // huge numbers do not overflow
        {" 0.2.0 ", "0.2", 0},
        {"0.0.9", "0.1.0", -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        const int order = appcast::compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b));
        EXPECT_EQ((order > 0) - (order < 0), c.order);
        const int reverse = appcast::compareVersions(QString::fromLatin1(c.b), QString::fromLatin1(c.a));
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.order) << "not antisymmetric";
    }
}

TEST(AppcastTest, ReadsTheEnclosureAttributes)
{
    const auto item = appcast::newestItem(feed(
        "<item><title>Tavolin 0.2</title><link>https://example.org/notes</link>"
        "<enclosure url=\"https://example.org/tavolin-0.2.tar.gz\" sparkle:version=\"200\""
        " sparkle:shortVersionString=\"0.2\" length=\"1\" type=\"application/octet-stream\"/></item>"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->version, u"200"_qs);
    EXPECT_EQ(item->displayVersion, u"0.2"_qs);
    EXPECT_EQ(item->title, u"Tavolin 0.2"_qs);
    EXPECT_EQ(item->downloadUrl, QUrl(u"https://example.org/tavolin-0.2.tar.gz"_qs));
}

TEST(AppcastTest, ReadsVersionElementsAndTheLink)
{
    const auto item = appcast::newestItem(feed(
        "<item><title>0.3</title><link>https://example.org/download</link>"
        "<sparkle:version>0.3.0</sparkle:version>"
        "<sparkle:releaseNotesLink>https://example.org/notes</sparkle:releaseNotesLink></item>"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->version, u"0.3.0"_qs);
    EXPECT_EQ(item->displayVersion, u"0.3.0"_qs) << "display falls back to the version";
    EXPECT_EQ(item->downloadUrl, QUrl(u"https://example.org/download"_qs));
    EXPECT_EQ(item->notesUrl, QUrl(u"https://example.org/notes"_qs));
}

TEST(AppcastTest, PicksTheHighestVersionWhateverTheOrder)
{
    const auto item = appcast::newestItem(feed("<item><sparkle:version>0.9</sparkle:version></item>"
                                               "<item><sparkle:version>0.10</sparkle:version></item>"
                                               "<item><title>no version</title></item>"
                                               "<item><sparkle:version>0.2</sparkle:version></item>"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->version, u"0.10"_qs);
}

TEST(AppcastTest, BadFeedsOfferNothing)
{
    const struct { const char *name; QByteArray text; } cases[] = {
        {"empty", QByteArray()},
        {"not XML", "this is not a feed"},
        {"truncated", feed("<item><sparkle:version>9.0</sparkle:version></item>").left(150)},
        {"not RSS", "<html xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><item>"
                    "<sparkle:version>9</sparkle:version></item></html>"},
        {"no versioned item", feed("<item><title>Tavolin</title></item>")},
        {"too large",
         feed("<item><sparkle:version>9.0</sparkle:version></item>" + QByteArray(appcast::kMaxFeedBytes, ' '))},
    };
    for (const auto &c : cases)
        EXPECT_FALSE(appcast::newestItem(c.text)) << c.name;
}

} // namespace
} // namespace tavolin::test
