#include "CatalogTestSupport.h"

#include "accessibility/MoCatalog.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;

bool sameEntries(const std::vector<MoEntry> &a, const std::vector<MoEntry> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const MoEntry &x, const MoEntry &y) {
        return x.context == y.context && x.msgid == y.msgid && x.msgstr == y.msgstr;
    });
}

class MoCatalogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString po = test::poHeader() + test::poEntry(u"_File"_s, u"文件(_F)"_s)
                           + test::poEntry(u"Save _As…"_s, u"另存为(_A)…"_s)
                           + u"msgctxt \"menu\"\nmsgid \"Open\"\nmsgstr \"打开\"\n\n"_s
                           + u"msgid \"%d line\"\nmsgid_plural \"%d lines\"\nmsgstr[0] \"%d 行\"\n\n"_s;
        QString error;
        ASSERT_TRUE(test::compileCatalog(po, dir.filePath(u"zh.mo"_s), &error)) << qPrintable(error);
        QFile file(dir.filePath(u"zh.mo"_s));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        bytes = file.readAll();
        const auto parsed = MoCatalog::parse(bytes);
        ASSERT_TRUE(parsed);
        entries = *parsed;
    }

    QTemporaryDir dir;
    QByteArray bytes;
    std::vector<MoEntry> entries;
};

TEST_F(MoCatalogTest, ReadsWhatMsgfmtWroteAndReadFileMatchesParse)
{
    // The header, then the four messages in msgid order.
    std::map<QString, std::pair<QString, QString>> byId; // msgid → context, msgstr
    for (const MoEntry &e : entries)
        byId[e.msgid] = {e.context, e.msgstr};
    EXPECT_EQ(entries.size(), 5u);
    EXPECT_EQ(byId[u"_File"_s], std::pair(QString(), u"文件(_F)"_s));
    EXPECT_EQ(byId[u"Save _As…"_s], std::pair(QString(), u"另存为(_A)…"_s));
    EXPECT_EQ(byId[u"Open"_s], std::pair(u"menu"_s, u"打开"_s));
    EXPECT_EQ(byId[u"%d line"_s], std::pair(QString(), u"%d 行"_s));
    EXPECT_TRUE(byId[QString()].second.contains(u"charset=UTF-8"_s));

    const auto fromFile = MoCatalog::readFile(dir.filePath(u"zh.mo"_s));
    ASSERT_TRUE(fromFile);
    EXPECT_TRUE(sameEntries(*fromFile, entries));
    EXPECT_FALSE(MoCatalog::readFile(dir.filePath(u"missing.mo"_s)));
}

TEST_F(MoCatalogTest, EveryTruncatedCopyIsRefusedOrIntact)
{
    for (qsizetype size = 0; size < bytes.size(); ++size) {
        const auto parsed = MoCatalog::parse(bytes.left(size));
        // Only the final terminating NUL may go missing without losing a byte of any string.
        if (size < bytes.size() - 1) {
            EXPECT_FALSE(parsed) << "size " << size;
        } else if (parsed) {
            EXPECT_TRUE(sameEntries(*parsed, entries));
        }
    }
}

TEST_F(MoCatalogTest, RandomlyCorruptedCopiesNeverCrash)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<qsizetype> position(0, bytes.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray copy = bytes;
        for (int flips = 1 + round % 4; flips > 0; --flips)
            copy[position(random)] = char(value(random));
        if (!MoCatalog::parse(copy))
            ++refused;
    }
    EXPECT_GT(refused, 0);
}

TEST_F(MoCatalogTest, CorruptedWordsAreRefused)
{
    const struct
    {
        const char *name;
        qsizetype offset; // where the 32-bit little-endian word is overwritten
        quint32 value;
    } cases[] = {
        {"bad magic", 0, 0x12345678},
        {"unknown major revision", 4, 0x00020000},
        {"count beyond the file", 8, 0x10000000},
        {"count overflowing the table", 8, 0xffffffff},
        {"originals table beyond the file", 12, 0x7ffffff0},
        {"translations table beyond the file", 16, 0xfffffff0},
        {"first length beyond the file", 28, 0x00100000},
        {"first offset beyond the file", 32, 0xfffffff8},
        {"offset plus length wrapping around", 32, 0xffffffff},
    };
    for (const auto &c : cases) {
        QByteArray copy = bytes;
        const quint32 v = c.value;
        const char word[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
        copy.replace(c.offset, 4, QByteArray(word, 4));
        EXPECT_FALSE(MoCatalog::parse(copy)) << c.name;
    }
}

// Shapes msgfmt never writes: big-endian, invalid UTF-8, no entries at all.
TEST(MoCatalogShapeTest, ReadsBigEndianAndEmptyCatalogsAndRefusesInvalidUtf8)
{
    const auto parsed = MoCatalog::parse(test::buildMo({{"Quit", "退出"}, {"New", "新建"}}, true));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 2u);
    EXPECT_EQ(parsed->at(0).msgid, u"New"_s);
    EXPECT_EQ(parsed->at(0).msgstr, u"新建"_s);

    EXPECT_TRUE(MoCatalog::parse(test::buildMo({{"Quit", "Beenden"}}, false)));
    EXPECT_FALSE(MoCatalog::parse(test::buildMo({{"Quit", QByteArray("Be\xff\xfe")}}, false)));
    EXPECT_FALSE(MoCatalog::parse(test::buildMo({{QByteArray("Q\xc3"), "x"}}, false)));
    const auto empty = MoCatalog::parse(test::buildMo({}, false));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

} // namespace
} // namespace tavolin
