#include "CommonTestSupport.h"
#include "common/Paths.h"
#include "common/Store.h"
#include "common/StoreHolder.h"
#include "support/IsolatedHome.h"

#include <QMap>

#include <leveldb/db.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace std::chrono_literals;

namespace tavolin {
namespace {

using Sharing = Store::Sharing;
using test::readFile;
using test::writeFile;

constexpr Sharing kSharings[] = {Sharing::Exclusive, Sharing::SharedBetweenPrograms};

QString inData(const QString &name) { return paths::dataDir() + QLatin1Char('/') + name; }

class StoreTest : public ::testing::Test
{
protected:
    test::IsolatedHome home;
};

TEST_F(StoreTest, FirstStartCreatesTheFolderAndLogsSetup)
{
    ASSERT_FALSE(QDir(paths::dataDir()).exists());
    test::LogCapture logged;
    Store store(u"MenuItemHistory"_qs);
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(store.path(), inData(u"MenuItemHistory"_qs));
    EXPECT_TRUE(QFile::exists(store.path() + u"/CURRENT"_qs));
    EXPECT_EQ(logged.all(), (QStringList{u"info: INFO: Database setup."_qs}));
}

TEST_F(StoreTest, GetTrimsSpacesAndTabsButFindKeysDoesNot)
{
    const struct { const char *name; QString stored; QString read; } rows[] = {
        {"leading space, trailing tab", u" value\t"_qs, u"value"_qs},
        {"runs of both on both sides", u"\t \t a b \t "_qs, u"a b"_qs},
        {"inner blanks kept", u"a \t b"_qs, u"a \t b"_qs},
        {"trailing newline kept", u" line\n"_qs, u"line\n"_qs},
        {"leading newline kept", u"\n\tline"_qs, u"\n\tline"_qs},
        {"carriage return kept", u"line\r"_qs, u"line\r"_qs},
        {"no-break space is a space", u"\u00A0value\u00A0"_qs, u"value"_qs},
        {"only blanks read as empty", u" \t "_qs, QString()},
        {"non-ASCII untouched", u"Größe ✓"_qs, u"Größe ✓"_qs},
    };
    Store store(u"db"_qs);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(store.put(u"k"_qs, row.stored));
        EXPECT_EQ(store.get(u"k"_qs), row.read);
        EXPECT_EQ(store.findKeys(u"k"_qs), QStringList{row.stored});
    }
    EXPECT_EQ(store.get(u"absent"_qs), QString());
    EXPECT_EQ(store.get(QString()), QString());
}

TEST_F(StoreTest, FindKeysReturnsTheValuesOfMatchingKeysInUtf8KeyOrder)
{
    Store store(u"db"_qs);
    // Written out of order: the result must follow key order, not insertion order. U+1F600 is a surrogate
    // pair (D83D...) in UTF-16 but F0... in UTF-8, after U+FF21 (EF BC A1).
    const std::pair<QString, QString> writes[] = {{u"pa"_qs, u"after"_qs}, {u"p_b"_qs, u" second "_qs}, {u"p"_qs, u"before"_qs},
                                                  {u"p_a"_qs, u"first"_qs}, {u"k\U0001F600"_qs, u"emoji"_qs}, {u"k\uFF21"_qs, u"fullwidth"_qs}};
    for (const auto &[key, value] : writes)
        ASSERT_TRUE(store.put(key, value));
    const QStringList allP{u"before"_qs, u"first"_qs, u" second "_qs, u"after"_qs};
    const struct { const char *name; QString prefix; QStringList values; } rows[] = {
        {"prefix matches the two in the middle", u"p_"_qs, {u"first"_qs, u" second "_qs}},
        {"empty prefix returns everything", QString(), QStringList{u"fullwidth"_qs, u"emoji"_qs} + allP},
        {"short prefix", u"p"_qs, allP},
        {"whole key as prefix", u"p_b"_qs, {u" second "_qs}},
        {"prefix longer than every key", u"p_bz"_qs, {}},
        {"prefix after every key", u"z"_qs, {}},
        {"prefix before every key", u"a"_qs, {}},
        {"UTF-8 byte order, not UTF-16", u"k"_qs, {u"fullwidth"_qs, u"emoji"_qs}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(store.findKeys(row.prefix), row.values) << row.name;
}

TEST_F(StoreTest, KeysAndValuesAreStoredAsPlainUtf8Bytes)
{
    {
        Store store(u"db"_qs);
        ASSERT_TRUE(store.put(u"Größe"_qs, u"✓ fertig"_qs));
    }
    leveldb::DB *raw = nullptr;
    ASSERT_TRUE(leveldb::DB::Open(leveldb::Options(), QFile::encodeName(inData(u"db"_qs)).toStdString(), &raw).ok());
    std::unique_ptr<leveldb::DB> db(raw);
    std::string value;
    ASSERT_TRUE(db->Get(leveldb::ReadOptions(), "Gr\xC3\xB6\xC3\x9F" "e", &value).ok());
    EXPECT_EQ(value, "\xE2\x9C\x93 fertig");
}

TEST_F(StoreTest, ValuesSurviveCloseAndReopenAndDeletesRemoveExactlyTheirKeys)
{
    for (Sharing sharing : kSharings) {
        SCOPED_TRACE(int(sharing));
        const QString db = u"db%1"_qs.arg(int(sharing));
        {
            Store store(db, sharing);
            for (const char *key : {"a", "b", "c", "d", "k"})
                ASSERT_TRUE(store.put(QString::fromLatin1(key), QString::fromLatin1(key).toUpper()));
            EXPECT_TRUE(store.deleteKey(u"a"_qs));
            EXPECT_TRUE(store.deleteKey(u"never there"_qs));
            EXPECT_TRUE(store.deleteBatch({u"b"_qs, u"d"_qs, u"absent"_qs}));
            EXPECT_TRUE(store.deleteBatch({}));
            store.close();
            EXPECT_FALSE(store.isOpen());
            EXPECT_FALSE(store.put(u"k"_qs, u"after close"_qs));
            EXPECT_EQ(store.get(u"k"_qs), QString());
            store.close(); // idempotent
        }
        Store again(db, sharing);
        EXPECT_EQ(again.findKeys(QString()), (QStringList{u"C"_qs, u"K"_qs}));
    }
}

TEST_F(StoreTest, SharedStoreHoldsTheDatabaseOnlyDuringAnOperation)
{
    Store shared(u"CommandExtensions-db"_qs, Sharing::SharedBetweenPrograms, 50ms);
    ASSERT_TRUE(shared.put(u"k"_qs, u"from shared"_qs));

    // Stands in for the other program holding the database.
    auto other = std::make_unique<Store>(u"CommandExtensions-db"_qs);
    ASSERT_TRUE(other->isOpen());
    EXPECT_EQ(other->get(u"k"_qs), u"from shared"_qs);

    test::LogCapture logged;
    EXPECT_FALSE(shared.put(u"k"_qs, u"while held"_qs));
    EXPECT_EQ(shared.get(u"k"_qs), QString());
    EXPECT_TRUE(shared.isOpen()); // a busy database fails the operation, not the store
    EXPECT_EQ(logged.all().size(), 2);

    other.reset();
    EXPECT_EQ(shared.get(u"k"_qs), u"from shared"_qs);
    EXPECT_TRUE(shared.put(u"k"_qs, u"after"_qs));
}

TEST_F(StoreTest, SharedStoresInOneProcessTakeTurnsWithoutWaiting)
{
    // No lock wait at all: threads of one process must be serialised, not left to fail on the lock.
    constexpr int kCount = 60;
    std::atomic<int> failures{0};
    auto worker = [&failures](QString tag) {
        Store store(u"CommandExtensions-db"_qs, Sharing::SharedBetweenPrograms, 0ms);
        failures += store.isOpen() ? 0 : 1;
        for (int i = 0; i < kCount; ++i) {
            const QString key = tag + QString::number(i);
            failures += store.put(key, key) && store.get(key) == key ? 0 : 1;
        }
    };
    std::thread first(worker, u"a"_qs), second(worker, u"b"_qs);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    Store check(u"CommandExtensions-db"_qs, Sharing::SharedBetweenPrograms);
    EXPECT_EQ(check.findKeys(u"a"_qs).size(), kCount);
    EXPECT_EQ(check.findKeys(u"b"_qs).size(), kCount);
}

TEST_F(StoreTest, HolderClosesItsStoreSoTheDatabaseCanBeReopened)
{
    {
        StoreHolder holder(u"MenuItemHistory"_qs);
        ASSERT_TRUE(holder.db && holder.db->isOpen());
        ASSERT_TRUE(holder.db->put(u"k"_qs, u"v"_qs));
    }
    StoreHolder holder(u"MenuItemHistory"_qs);
    ASSERT_TRUE(holder.db->isOpen());
    EXPECT_EQ(holder.db->get(u"k"_qs), u"v"_qs);

    // Clearing everything: close, remove the folder, open a fresh store.
    holder.close();
    EXPECT_EQ(holder.db, nullptr);
    ASSERT_TRUE(QDir(inData(u"MenuItemHistory"_qs)).removeRecursively());
    holder.open(u"MenuItemHistory"_qs);
    ASSERT_TRUE(holder.db->isOpen());
    EXPECT_EQ(holder.db->get(u"k"_qs), QString());
}

TEST_F(StoreTest, FailedOpenLogsWhyWithTheStatus)
{
    writeFile(inData(u"broken/CURRENT"_qs), "no newline");
    test::LogCapture logged;
    EXPECT_FALSE(Store(u"broken"_qs).isOpen());
    const QStringList corrupt = logged.all();
    ASSERT_EQ(corrupt.size(), 2);
    EXPECT_EQ(corrupt.at(0), u"error: ERROR: Unable to open/create database."_qs);
    EXPECT_TRUE(corrupt.at(1).startsWith(u"error: Corruption:"_qs)) << corrupt.at(1).toStdString();

    // The data folder cannot be created: its error text names it.
    test::IsolatedHome fresh;
    writeFile(paths::dataDir(), "a file where the folder belongs");
    test::LogCapture folderLog;
    EXPECT_FALSE(Store(u"db"_qs).isOpen());
    const QStringList folder = folderLog.all();
    ASSERT_EQ(folder.size(), 1);
    EXPECT_TRUE(folder.at(0).startsWith(u"error: "_qs));
    EXPECT_TRUE(folder.at(0).contains(paths::dataDir())) << folder.at(0).toStdString();
}

// The data files of a database folder, by name, with their bytes: not leveldb's diagnostic log, which every
// open attempt rotates where it can.
QMap<QString, QByteArray> filesIn(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        if (!name.startsWith(QLatin1String("LOG")))
            files.insert(name, readFile(dir.filePath(name)));
    return files;
}

// A database whose folder cannot be written (here its lock file cannot be opened for writing, as on a
// read-only disk; even root cannot open a folder so) is read from a copy: what it held is answered, every
// write fails, and the files on disk stay byte for byte as they were.
TEST_F(StoreTest, DatabaseThatCannotBeOpenedWhereItIsIsReadFromACopyAndNeverWritten)
{
    for (Sharing sharing : kSharings) {
        SCOPED_TRACE(int(sharing));
        const QString name = u"db%1"_qs.arg(int(sharing)), folder = inData(name);
        {
            Store store(name);
            const std::pair<QString, QString> writes[] = {{u"ext/a"_qs, u"first"_qs}, {u"ext/b"_qs, u"second"_qs}, {u"other"_qs, u"third"_qs}};
            for (const auto &[key, value] : writes)
                ASSERT_TRUE(store.put(key, value));
        }
        ASSERT_TRUE(QFile::remove(folder + u"/LOCK"_qs));
        ASSERT_TRUE(QDir().mkpath(folder + u"/LOCK"_qs));
        const QMap<QString, QByteArray> before = filesIn(folder);

        test::LogCapture logged;
        {
            Store store(name, sharing, 20ms);
            EXPECT_TRUE(store.isOpen());
            EXPECT_TRUE(store.isReadOnly());
            EXPECT_EQ(store.findKeys(u"ext/"_qs), (QStringList{u"first"_qs, u"second"_qs}));
            EXPECT_EQ(store.get(u"other"_qs), u"third"_qs);
            EXPECT_FALSE(store.put(u"ext/c"_qs, u"new"_qs));
            EXPECT_FALSE(store.deleteKey(u"ext/a"_qs));
            EXPECT_FALSE(store.deleteBatch({u"ext/b"_qs, u"other"_qs}));
            EXPECT_EQ(store.findKeys(QString()).size(), 3) << "a refused write changes nothing, not even the copy";
        }
        EXPECT_EQ(filesIn(folder), before);
        EXPECT_TRUE(logged.all().join(u'\n').contains(u"read from a copy"_qs)) << logged.all().join(u'\n').toStdString();

        // Writable again: the next run writes in place, and nothing was lost.
        ASSERT_TRUE(QDir(folder + u"/LOCK"_qs).removeRecursively());
        Store again(name, sharing, 20ms);
        EXPECT_FALSE(again.isReadOnly());
        EXPECT_TRUE(again.put(u"ext/c"_qs, u"new"_qs));
        EXPECT_EQ(again.findKeys(u"ext/"_qs), (QStringList{u"first"_qs, u"second"_qs, u"new"_qs}));
    }
}

// A store whose database could not be opened: every operation gives the empty or false result, and
// whatever stood in the way is left as it was.
TEST_F(StoreTest, UnopenableStoreGivesTheEmptyResultAndChangesNothing)
{
    struct Cause
    {
        const char *name;
        QString dbName;
        std::function<void(std::unique_ptr<Store> &holder)> prepare;
        std::function<void(Store *holder)> expectUnchanged;
    };
    const Cause causes[] = {
        {"name taken by a file", u"db"_qs, [](auto &) { writeFile(inData(u"db"_qs), "keep me"); },
         [](Store *) { EXPECT_EQ(readFile(inData(u"db"_qs)), "keep me"); }},
        {"data folder is a file", u"db"_qs, [](auto &) { writeFile(paths::dataDir(), "keep me"); },
         [](Store *) { EXPECT_EQ(readFile(paths::dataDir()), "keep me"); }},
        {"corrupt database", u"db"_qs, [](auto &) { writeFile(inData(u"db/CURRENT"_qs), "no newline"); },
         [](Store *) { EXPECT_EQ(readFile(inData(u"db/CURRENT"_qs)), "no newline"); }},
        {"held by another handle", u"db"_qs,
         [](auto &holder) {
             holder = std::make_unique<Store>(u"db"_qs);
             ASSERT_TRUE(holder->put(u"k"_qs, u"held"_qs));
         },
         [](Store *holder) { EXPECT_EQ(holder->findKeys(QString()), QStringList{u"held"_qs}); }},
        {"name leaves the data folder", u"../escape"_qs, [](auto &) {},
         [](Store *) { EXPECT_FALSE(QFileInfo::exists(QFileInfo(paths::dataDir()).path() + u"/escape"_qs)); }},
        {"empty name", QString(), [](auto &) {}, [](Store *) { EXPECT_FALSE(QFileInfo::exists(paths::dataDir())); }},
    };
    const struct { const char *name; std::function<bool(Store &)> givesEmptyResult; } operations[] = {
        {"put", [](Store &s) { return !s.put(u"k"_qs, u"v"_qs); }},
        {"get", [](Store &s) { return s.get(u"k"_qs).isEmpty(); }},
        {"deleteKey", [](Store &s) { return !s.deleteKey(u"k"_qs); }},
        {"deleteBatch", [](Store &s) { return !s.deleteBatch({u"k"_qs, u"l"_qs}); }},
        {"findKeys, empty prefix", [](Store &s) { return s.findKeys(QString()).isEmpty(); }},
        {"findKeys", [](Store &s) { return s.findKeys(u"k"_qs).isEmpty(); }},
        {"close", [](Store &s) { s.close(); return !s.isOpen(); }},
    };
    for (const Cause &cause : causes)
        for (Sharing sharing : kSharings)
            for (const auto &operation : operations) {
                SCOPED_TRACE(std::string(cause.name) + ", sharing " + std::to_string(int(sharing)) + ", " + operation.name);
                test::IsolatedHome fresh;
                std::unique_ptr<Store> holder;
                cause.prepare(holder);
                Store store(cause.dbName, sharing, 20ms);
                EXPECT_FALSE(store.isOpen());
                EXPECT_TRUE(operation.givesEmptyResult(store));
                EXPECT_TRUE(operation.givesEmptyResult(store)); // and again, still harmless
                cause.expectUnchanged(holder.get());
            }
}

} // namespace
} // namespace tavolin
