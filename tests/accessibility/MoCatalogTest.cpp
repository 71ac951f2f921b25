#include "CatalogTestSupport.h"

#include "accessibility/MoCatalog.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace tavolin {
namespace {

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
        const QString po = test::poHeader() + test::poEntry(QStringLiteral("_File"), QStringLiteral("文件(_F)"))
                           + test::poEntry(QStringLiteral("Save _As…"), QStringLiteral("另存为(_A)…"))
                           + QStringLiteral("msgctxt \"menu\"\nmsgid \"Open\"\nmsgstr \"打开\"\n\n")
                           + QStringLiteral("msgid \"%d line\"\nmsgid_plural \"%d lines\"\nmsgstr[0] \"%d 行\"\n\n");
        QString error;
        ASSERT_TRUE(test::compileCatalog(po, dir.filePath(QStringLiteral("zh.mo")), &error)) << qPrintable(error);
        QFile file(dir.filePath(QStringLiteral("zh.mo")));
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

TEST_F(MoCatalogTest, ReadsWhatMsgfmtWrote)
{
    ASSERT_EQ(entries.size(), 5u); // the header, then the four messages in msgid order
    auto find = [this](const char *msgid) -> const MoEntry * {
        for (const MoEntry &e : entries) {
            if (e.msgid == QString::fromUtf8(msgid))
                return &e;
        }
        return nullptr;
    };
    ASSERT_TRUE(find("_File"));
    EXPECT_EQ(find("_File")->msgstr, QStringLiteral("文件(_F)"));
    ASSERT_TRUE(find("Save _As…"));
    EXPECT_EQ(find("Save _As…")->msgstr, QStringLiteral("另存为(_A)…"));
    ASSERT_TRUE(find("Open"));
    EXPECT_EQ(find("Open")->context, QStringLiteral("menu"));
    EXPECT_EQ(find("Open")->msgstr, QStringLiteral("打开"));
    ASSERT_TRUE(find("%d line"));
    EXPECT_EQ(find("%d line")->msgstr, QStringLiteral("%d 行"));
    ASSERT_TRUE(find(""));
    EXPECT_TRUE(find("")->msgstr.contains(QStringLiteral("charset=UTF-8")));
}

TEST_F(MoCatalogTest, ReadFileMatchesParse)
{
    const auto fromFile = MoCatalog::readFile(dir.filePath(QStringLiteral("zh.mo")));
    ASSERT_TRUE(fromFile);
    EXPECT_TRUE(sameEntries(*fromFile, entries));
    EXPECT_FALSE(MoCatalog::readFile(dir.filePath(QStringLiteral("missing.mo"))));
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

struct CorruptionCase
{
    const char *name;
    qsizetype offset; // where the 32-bit little-endian word is overwritten
    quint32 value;
};

class MoCorruptionTest : public MoCatalogTest, public ::testing::WithParamInterface<CorruptionCase>
{
};

TEST_P(MoCorruptionTest, IsRefused)
{
    QByteArray copy = bytes;
    const quint32 v = GetParam().value;
    const char word[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
    copy.replace(GetParam().offset, 4, QByteArray(word, 4));
    EXPECT_FALSE(MoCatalog::parse(copy));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoCorruptionTest,
    ::testing::Values(CorruptionCase{"BadMagic", 0, 0x12345678}, CorruptionCase{"UnknownMajorRevision", 4, 0x00020000},
                      CorruptionCase{"CountBeyondFile", 8, 0x10000000}, CorruptionCase{"CountOverflowingTable", 8, 0xffffffff},
                      CorruptionCase{"OriginalsTableBeyondFile", 12, 0x7ffffff0},
                      CorruptionCase{"TranslationsTableBeyondFile", 16, 0xfffffff0},
                      CorruptionCase{"FirstLengthBeyondFile", 28, 0x00100000},
                      CorruptionCase{"FirstOffsetBeyondFile", 32, 0xfffffff8},
                      CorruptionCase{"OffsetPlusLengthWrapsAround", 32, 0xffffffff}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MoCatalogShapeTest, ReadsBigEndianCatalogs)
{
    const auto parsed = MoCatalog::parse(test::buildMo({{"Quit", "退出"}, {"New", "新建"}}, true));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 2u);
    EXPECT_EQ(parsed->at(0).msgid, QStringLiteral("New"));
    EXPECT_EQ(parsed->at(0).msgstr, QStringLiteral("新建"));
}

TEST(MoCatalogShapeTest, RefusesInvalidUtf8)
{
    EXPECT_TRUE(MoCatalog::parse(test::buildMo({{"Quit", "Beenden"}}, false)));
    EXPECT_FALSE(MoCatalog::parse(test::buildMo({{"Quit", QByteArray("Be\xff\xfe")}}, false)));
    EXPECT_FALSE(MoCatalog::parse(test::buildMo({{QByteArray("Q\xc3"), "x"}}, false)));
}

TEST(MoCatalogShapeTest, EmptyCatalogIsValid)
{
    const auto parsed = MoCatalog::parse(test::buildMo({}, false));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->empty());
}

} // namespace
} // namespace tavolin
