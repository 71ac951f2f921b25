// The file that keeps transliterations between processes is only a cache: whatever it holds, it reads whole or
// as nothing, and a process started on it transliterates as ICU does.
#include "palette/Transliteration.h"
#include "palette/TransliterationCacheFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using transliterationcache::decode;
using transliterationcache::encode;
using transliterationcache::Entries;

const QByteArray kTag = "icu 72.1 Any-Latin";

TEST(TransliterationCacheFileTest, WhatIsWrittenReadsBackAndPartsThatCannotBeStoredAreLeftOut)
{
    const Entries entries{{QStringLiteral("源文件"), QStringLiteral("yuan wen jian")},
                          {QStringLiteral("Файл"), QStringLiteral("Fajl")},
                          {QStringLiteral("a\tb"), QStringLiteral("x")},
                          {QStringLiteral("line"), QStringLiteral("two\nlines")},
                          {QString(), QStringLiteral("empty part")}};
    const std::optional<Entries> read = decode(encode(entries, kTag), kTag);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (Entries{{QStringLiteral("源文件"), QStringLiteral("yuan wen jian")},
                              {QStringLiteral("Файл"), QStringLiteral("Fajl")}}));
}

TEST(TransliterationCacheFileTest, AFileThatDoesNotReadWholeReadsAsNothing)
{
    const QByteArray header = "tavolin-transliterations 1 " + kTag + "\n";
    const struct { const char *name; QByteArray bytes; } rows[] = {
        {"empty", ""},
        {"another program's file", "hello\n"},
        {"another ICU or rule", "tavolin-transliterations 1 icu 74.2 Any-Latin\nx\ty\n"},
        {"a line without a tab", header + "x\ty\nxy\n"},
        {"a line with two tabs", header + "x\ty\tz\n"},
        {"an empty part", header + "\ty\n"},
        {"a carriage return", header + "x\ty\r\n"},
        {"a last line cut short", header + "x\ty\nz\tw"},
        {"bytes that are not UTF-8", header + "x\t\xff\xfe\n"},
        {"a lone surrogate in UTF-8", header + "x\t\xed\xa0\x80\n"},
    };
    for (const auto &row : rows)
        EXPECT_FALSE(decode(row.bytes, kTag)) << row.name;
    EXPECT_EQ(decode(header, kTag), Entries()) << "a header alone is an empty cache";
}

TEST(TransliterationCacheFileTest, SizeIsBoundedBothWays)
{
    Entries many;
    for (int i = 0; i < transliterationcache::kMaxEntries + 100; ++i)
        many.insert(QStringLiteral("Ж%1").arg(i), QStringLiteral("Zh%1").arg(i));
    const QByteArray bytes = encode(many, kTag);
    const std::optional<Entries> read = decode(bytes, kTag);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), transliterationcache::kMaxEntries);

    QByteArray tooMany = bytes;
    tooMany += "one\tmore\n";
    EXPECT_FALSE(decode(tooMany, kTag)) << "more entries than the bound";
    QByteArray tooLong = "tavolin-transliterations 1 " + kTag + "\nx\t";
    tooLong += QByteArray(transliterationcache::kMaxBytes, 'y') + "\n";
    EXPECT_FALSE(decode(tooLong, kTag));
}

// The process-wide memo reads the file at its first text and adds to it what it computed, keeping what
// another process wrote there meanwhile.
class TransliterationCacheUseTest : public testing::Test
{
protected:
    void TearDown() override { useTransliterationCache(QString()); }

    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The tag is the process's own: learnt from a file it wrote.
    static QByteArray currentTag(const QString &path)
    {
        return read(path).split('\n').value(0).trimmed().mid(QByteArray("tavolin-transliterations 1 ").size());
    }

    QTemporaryDir dir;
};

TEST_F(TransliterationCacheUseTest, AProcessStartsFromTheFileAndAddsToIt)
{
    const QString path = dir.filePath(QStringLiteral("cache/transliterations"));
    useTransliterationCache(path);
    EXPECT_EQ(toLatin(QStringLiteral("Ёжик")), toLatinWithIcu(QStringLiteral("Ёжик")));
    ASSERT_TRUE(saveTransliterationCache());
    const QByteArray tag = currentTag(path);
    ASSERT_FALSE(tag.isEmpty()) << "nothing written";
    std::optional<Entries> kept = decode(read(path), tag);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->value(QStringLiteral("Ёжик")), toLatinWithIcu(QStringLiteral("Ёжик")));

    // A planted entry proves the next start reads the file instead of asking ICU; another process's entry
    // survives this one's save.
    write(path, encode({{QStringLiteral("Щзыв"), QStringLiteral("planted")}, {QStringLiteral("другой"), QStringLiteral("drugoj")}},
                       tag));
    useTransliterationCache(path);
    EXPECT_EQ(toLatin(QStringLiteral("Щзыв")), QStringLiteral("planted"));
    EXPECT_EQ(toLatin(QStringLiteral("Жёлудь")), toLatinWithIcu(QStringLiteral("Жёлудь")));
    ASSERT_TRUE(saveTransliterationCache());
    kept = decode(read(path), tag);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->value(QStringLiteral("другой")), QStringLiteral("drugoj"));
    EXPECT_EQ(kept->value(QStringLiteral("Жёлудь")), toLatinWithIcu(QStringLiteral("Жёлудь")));
}

TEST_F(TransliterationCacheUseTest, ABrokenOrUnwritableFileChangesNoResult)
{
    const QString path = dir.filePath(QStringLiteral("transliterations"));
    write(path, "tavolin-transliterations 1 garbage\n\xff\xff\n");
    useTransliterationCache(path);
    EXPECT_EQ(toLatin(QStringLiteral("Пчёлка")), toLatinWithIcu(QStringLiteral("Пчёлка")));
    ASSERT_TRUE(saveTransliterationCache());
    EXPECT_FALSE(currentTag(path).startsWith("garbage")) << "a broken file is written anew";

    // A folder where the file should be: the save fails, results stay right.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    useTransliterationCache(blocked);
    EXPECT_EQ(toLatin(QStringLiteral("Шмель")), toLatinWithIcu(QStringLiteral("Шмель")));
    EXPECT_FALSE(saveTransliterationCache());
}

} // namespace
} // namespace tavolin
