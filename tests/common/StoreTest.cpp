#include "common/Log.h"
#include "common/Paths.h"
#include "common/Store.h"
#include "common/StoreHolder.h"
#include "support/IsolatedHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Collects log lines as "level: text" while it lives.
class LogCapture
{
public:
    LogCapture()
    {
        log::setSink([this](log::Level level, const QString &message) {
            static const char *const kNames[] = {"debug", "info", "error"};
            m_lines << QString::fromLatin1(kNames[int(level)]) + QStringLiteral(": ") + message;
        });
    }
    ~LogCapture() { log::setSink({}); }
    QStringList lines() const { return m_lines; } // read once the logging threads are done

private:
    QStringList m_lines;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class StoreTest : public ::testing::Test
{
protected:
    test::IsolatedHome home;
};

TEST_F(StoreTest, FirstStartCreatesTheFolderAndLogsSetup)
{
    ASSERT_FALSE(QDir(paths::dataDir()).exists());
    LogCapture log;
    Store store(QStringLiteral("MenuItemHistory"));
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(store.path(), paths::dataDir() + QStringLiteral("/MenuItemHistory"));
    EXPECT_TRUE(QFile::exists(store.path() + QStringLiteral("/CURRENT")));
    EXPECT_EQ(log.lines(), (QStringList{QStringLiteral("info: INFO: Database setup.")}));
}

TEST_F(StoreTest, GetOfAnAbsentKeyIsEmpty)
{
    Store store(QStringLiteral("db"));
    ASSERT_TRUE(store.put(QStringLiteral("present"), QStringLiteral("x")));
    EXPECT_EQ(store.get(QStringLiteral("absent")), QString());
    EXPECT_EQ(store.get(QString()), QString());
}

struct TrimRow
{
    const char *name;
    QString stored;
    QString read;
};

class StoreTrimTest : public StoreTest, public ::testing::WithParamInterface<TrimRow>
{
};

TEST_P(StoreTrimTest, GetTrimsSpacesAndTabsButFindKeysDoesNot)
{
    Store store(QStringLiteral("db"));
    ASSERT_TRUE(store.put(QStringLiteral("k"), GetParam().stored));
    EXPECT_EQ(store.get(QStringLiteral("k")), GetParam().read);
    EXPECT_EQ(store.findKeys(QStringLiteral("k")), QStringList{GetParam().stored});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoreTrimTest,
    ::testing::Values(TrimRow{"LeadingSpaceTrailingTab", QStringLiteral(" value\t"), QStringLiteral("value")},
                      TrimRow{"RunsOfBothOnBothSides", QStringLiteral("\t \t a b \t "), QStringLiteral("a b")},
                      TrimRow{"InnerBlanksKept", QStringLiteral("a \t b"), QStringLiteral("a \t b")},
                      TrimRow{"TrailingNewlineKept", QStringLiteral(" line\n"), QStringLiteral("line\n")},
                      TrimRow{"LeadingNewlineKept", QStringLiteral("\n\tline"), QStringLiteral("\n\tline")},
                      TrimRow{"CarriageReturnKept", QStringLiteral("line\r"), QStringLiteral("line\r")},
                      TrimRow{"NoBreakSpaceIsASpace", QStringLiteral("\u00A0value\u00A0"), QStringLiteral("value")},
                      TrimRow{"OnlyBlanksReadAsEmpty", QStringLiteral(" \t "), QString()},
                      TrimRow{"NonAsciiUntouched", QStringLiteral("Größe ✓"), QStringLiteral("Größe ✓")}),
    [](const auto &info) { return std::string(info.param.name); });

struct FindRow
{
    const char *name;
    QString prefix;
    QStringList values;
};

class StoreFindKeysTest : public StoreTest, public ::testing::WithParamInterface<FindRow>
{
};

TEST_P(StoreFindKeysTest, ReturnsTheValuesOfMatchingKeysInKeyOrder)
{
    Store store(QStringLiteral("db"));
    // Written out of order: the result must follow key order, not insertion order.
    ASSERT_TRUE(store.put(QStringLiteral("pa"), QStringLiteral("after")));
    ASSERT_TRUE(store.put(QStringLiteral("p_b"), QStringLiteral(" second ")));
    ASSERT_TRUE(store.put(QStringLiteral("p"), QStringLiteral("before")));
    ASSERT_TRUE(store.put(QStringLiteral("p_a"), QStringLiteral("first")));
    EXPECT_EQ(store.findKeys(GetParam().prefix), GetParam().values);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoreFindKeysTest,
    ::testing::Values(
        FindRow{"PrefixMatchesTheTwoInTheMiddle", QStringLiteral("p_"), {QStringLiteral("first"), QStringLiteral(" second ")}},
        FindRow{"EmptyPrefixReturnsEverything", QString(),
                {QStringLiteral("before"), QStringLiteral("first"), QStringLiteral(" second "), QStringLiteral("after")}},
        FindRow{"ShortPrefixReturnsEverything", QStringLiteral("p"),
                {QStringLiteral("before"), QStringLiteral("first"), QStringLiteral(" second "), QStringLiteral("after")}},
        FindRow{"WholeKeyAsPrefix", QStringLiteral("p_b"), {QStringLiteral(" second ")}},
        FindRow{"PrefixLongerThanEveryKey", QStringLiteral("p_bz"), {}},
        FindRow{"PrefixAfterEveryKey", QStringLiteral("z"), {}},
        FindRow{"PrefixBeforeEveryKey", QStringLiteral("a"), {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(StoreTest, FindKeysOrdersByUtf8BytesNotByUtf16)
{
    Store store(QStringLiteral("db"));
    // U+1F600 is a surrogate pair (D83D...) in UTF-16 but F0... in UTF-8; U+FF21 is EF BC A1.
    ASSERT_TRUE(store.put(QStringLiteral("k\U0001F600"), QStringLiteral("emoji")));
    ASSERT_TRUE(store.put(QStringLiteral("k\uFF21"), QStringLiteral("fullwidth")));
    EXPECT_EQ(store.findKeys(QStringLiteral("k")), (QStringList{QStringLiteral("fullwidth"), QStringLiteral("emoji")}));
}

TEST_F(StoreTest, KeysAndValuesAreStoredAsPlainUtf8Bytes)
{
    {
        Store store(QStringLiteral("db"));
        ASSERT_TRUE(store.put(QStringLiteral("Größe"), QStringLiteral("✓ fertig")));
    }
    leveldb::DB *raw = nullptr;
    ASSERT_TRUE(leveldb::DB::Open(leveldb::Options(), QFile::encodeName(paths::dataDir() + QStringLiteral("/db")).toStdString(), &raw).ok());
    std::unique_ptr<leveldb::DB> db(raw);
    std::string value;
    ASSERT_TRUE(db->Get(leveldb::ReadOptions(), "Gr\xC3\xB6\xC3\x9F" "e", &value).ok());
    EXPECT_EQ(value, "\xE2\x9C\x93 fertig");
}

TEST_F(StoreTest, ValuesSurviveCloseAndReopen)
{
    for (Sharing sharing : {Sharing::Exclusive, Sharing::SharedBetweenPrograms}) {
        SCOPED_TRACE(int(sharing));
        {
            Store store(QStringLiteral("db"), sharing);
            ASSERT_TRUE(store.put(QStringLiteral("k"), QStringLiteral("v%1").arg(int(sharing))));
            store.close();
            EXPECT_FALSE(store.isOpen());
            EXPECT_FALSE(store.put(QStringLiteral("k"), QStringLiteral("after close")));
            EXPECT_EQ(store.get(QStringLiteral("k")), QString());
            store.close(); // idempotent
        }
        Store again(QStringLiteral("db"), sharing);
        EXPECT_EQ(again.get(QStringLiteral("k")), QStringLiteral("v%1").arg(int(sharing)));
    }
}

TEST_F(StoreTest, DeleteKeySucceedsForPresentAndAbsentKeys)
{
    Store store(QStringLiteral("db"));
    ASSERT_TRUE(store.put(QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_TRUE(store.deleteKey(QStringLiteral("k")));
    EXPECT_EQ(store.get(QStringLiteral("k")), QString());
    EXPECT_TRUE(store.deleteKey(QStringLiteral("never there")));
}

TEST_F(StoreTest, DeleteBatchRemovesExactlyTheListedKeys)
{
    Store store(QStringLiteral("db"), Sharing::SharedBetweenPrograms);
    for (const char *key : {"a", "b", "c", "d"})
        ASSERT_TRUE(store.put(QString::fromLatin1(key), QString::fromLatin1(key).toUpper()));
    EXPECT_TRUE(store.deleteBatch({QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("absent")}));
    EXPECT_EQ(store.findKeys(QString()), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    EXPECT_TRUE(store.deleteBatch({}));
}

TEST_F(StoreTest, SharedStoreHoldsTheDatabaseOnlyDuringAnOperation)
{
    Store shared(QStringLiteral("CommandExtensions-db"), Sharing::SharedBetweenPrograms, 50ms);
    ASSERT_TRUE(shared.put(QStringLiteral("k"), QStringLiteral("from shared")));

    // Stands in for the other program holding the database.
    auto other = std::make_unique<Store>(QStringLiteral("CommandExtensions-db"));
    ASSERT_TRUE(other->isOpen());
    EXPECT_EQ(other->get(QStringLiteral("k")), QStringLiteral("from shared"));

    LogCapture log;
    EXPECT_FALSE(shared.put(QStringLiteral("k"), QStringLiteral("while held")));
    EXPECT_EQ(shared.get(QStringLiteral("k")), QString());
    EXPECT_TRUE(shared.isOpen()); // a busy database fails the operation, not the store
    EXPECT_EQ(log.lines().size(), 2);

    other.reset();
    EXPECT_EQ(shared.get(QStringLiteral("k")), QStringLiteral("from shared"));
    EXPECT_TRUE(shared.put(QStringLiteral("k"), QStringLiteral("after")));
}

TEST_F(StoreTest, SharedStoresInOneProcessTakeTurnsWithoutWaiting)
{
    // No lock wait at all: threads of one process must be serialised, not left to fail on the lock.
    constexpr int kCount = 60;
    std::atomic<int> failures{0};
    auto worker = [&failures](QString tag) {
        Store store(QStringLiteral("CommandExtensions-db"), Sharing::SharedBetweenPrograms, 0ms);
        failures += store.isOpen() ? 0 : 1;
        for (int i = 0; i < kCount; ++i) {
            const QString key = tag + QString::number(i);
            failures += store.put(key, key) ? 0 : 1;
            failures += store.get(key) == key ? 0 : 1;
        }
    };
    std::thread first(worker, QStringLiteral("a"));
    std::thread second(worker, QStringLiteral("b"));
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    Store check(QStringLiteral("CommandExtensions-db"), Sharing::SharedBetweenPrograms);
    EXPECT_EQ(check.findKeys(QStringLiteral("a")).size(), kCount);
    EXPECT_EQ(check.findKeys(QStringLiteral("b")).size(), kCount);
}

TEST_F(StoreTest, HolderClosesItsStoreSoTheDatabaseCanBeReopened)
{
    {
        StoreHolder holder(QStringLiteral("MenuItemHistory"));
        ASSERT_TRUE(holder.db && holder.db->isOpen());
        ASSERT_TRUE(holder.db->put(QStringLiteral("k"), QStringLiteral("v")));
    }
    StoreHolder holder(QStringLiteral("MenuItemHistory"));
    ASSERT_TRUE(holder.db->isOpen());
    EXPECT_EQ(holder.db->get(QStringLiteral("k")), QStringLiteral("v"));

    // Clearing everything: close, remove the folder, open a fresh store.
    holder.close();
    EXPECT_EQ(holder.db, nullptr);
    ASSERT_TRUE(QDir(paths::dataDir() + QStringLiteral("/MenuItemHistory")).removeRecursively());
    holder.open(QStringLiteral("MenuItemHistory"));
    ASSERT_TRUE(holder.db->isOpen());
    EXPECT_EQ(holder.db->get(QStringLiteral("k")), QString());
}

TEST_F(StoreTest, FailedOpenLogsTheFixedTextAndTheStatus)
{
    QDir().mkpath(paths::dataDir() + QStringLiteral("/broken"));
    writeFile(paths::dataDir() + QStringLiteral("/broken/CURRENT"), "no newline");
    LogCapture log;
    Store store(QStringLiteral("broken"));
    EXPECT_FALSE(store.isOpen());
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_EQ(log.lines().at(0), QStringLiteral("error: ERROR: Unable to open/create database."));
    EXPECT_TRUE(log.lines().at(1).startsWith(QStringLiteral("error: Corruption:"))) << log.lines().at(1).toStdString();
}

TEST_F(StoreTest, FolderCreationFailureLogsTheErrorText)
{
    QDir().mkpath(home.dataHome());
    writeFile(paths::dataDir(), "a file where the folder belongs");
    LogCapture log;
    Store store(QStringLiteral("db"));
    EXPECT_FALSE(store.isOpen());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().at(0).startsWith(QStringLiteral("error: ")));
    EXPECT_TRUE(log.lines().at(0).contains(paths::dataDir())) << log.lines().at(0).toStdString();
}

// The data files of a database folder, by name, with their bytes: not leveldb's diagnostic log, which every
// open attempt rotates where it can.
QMap<QString, QByteArray> filesIn(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (!name.startsWith(QLatin1String("LOG")))
            files.insert(name, readFile(dir.filePath(name)));
    }
    return files;
}

class ReadOnlyStoreTest : public StoreTest, public ::testing::WithParamInterface<Sharing>
{
};

// A database whose folder cannot be written (here its lock file cannot be opened for writing, as on a
// read-only disk; even root cannot open a folder so) is read from a copy: what it held is answered, every
// write fails, and the files on disk stay byte for byte as they were.
TEST_P(ReadOnlyStoreTest, DatabaseThatCannotBeOpenedWhereItIsIsReadFromACopyAndNeverWritten)
{
    const QString folder = paths::dataDir() + QStringLiteral("/db");
    {
        Store store(QStringLiteral("db"));
        ASSERT_TRUE(store.put(QStringLiteral("ext/a"), QStringLiteral("first")));
        ASSERT_TRUE(store.put(QStringLiteral("ext/b"), QStringLiteral("second")));
        ASSERT_TRUE(store.put(QStringLiteral("other"), QStringLiteral("third")));
    }
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/LOCK")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/LOCK")));
    const QMap<QString, QByteArray> before = filesIn(folder);

    LogCapture log;
    {
        Store store(QStringLiteral("db"), GetParam(), 20ms);
        EXPECT_TRUE(store.isOpen());
        EXPECT_TRUE(store.isReadOnly());
        EXPECT_EQ(store.findKeys(QStringLiteral("ext/")), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
        EXPECT_EQ(store.get(QStringLiteral("other")), QStringLiteral("third"));
        EXPECT_FALSE(store.put(QStringLiteral("ext/c"), QStringLiteral("new")));
        EXPECT_FALSE(store.deleteKey(QStringLiteral("ext/a")));
        EXPECT_FALSE(store.deleteBatch({QStringLiteral("ext/b"), QStringLiteral("other")}));
        EXPECT_EQ(store.findKeys(QString()).size(), 3) << "a refused write changes nothing, not even the copy";
    }
    EXPECT_EQ(filesIn(folder), before);
    EXPECT_TRUE(log.lines().join(u'\n').contains(QStringLiteral("read from a copy"))) << log.lines().join(u'\n').toStdString();

    // Writable again: the next run writes in place, and nothing was lost.
    ASSERT_TRUE(QDir(folder + QStringLiteral("/LOCK")).removeRecursively());
    Store again(QStringLiteral("db"), GetParam(), 20ms);
    EXPECT_FALSE(again.isReadOnly());
    EXPECT_TRUE(again.put(QStringLiteral("ext/c"), QStringLiteral("new")));
    EXPECT_EQ(again.findKeys(QStringLiteral("ext/")),
              (QStringList{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("new")}));
}

INSTANTIATE_TEST_SUITE_P(Sharings, ReadOnlyStoreTest, ::testing::Values(Sharing::Exclusive, Sharing::SharedBetweenPrograms),
                         [](const auto &info) { return std::string(info.param == Sharing::Exclusive ? "Exclusive" : "Shared"); });

// A store whose database could not be opened: every operation gives the empty or false result, and
// whatever stood in the way is left as it was.
struct UnopenableCase
{
    const char *name;
    QString dbName;
    std::function<void(std::unique_ptr<Store> &holder)> prepare;
    std::function<void(Store *holder)> expectUnchanged;
};

const std::vector<UnopenableCase> &unopenableCases()
{
    static const std::vector<UnopenableCase> cases = {
        {"NameTakenByAFile", QStringLiteral("db"),
         [](auto &) {
             QDir().mkpath(paths::dataDir());
             writeFile(paths::dataDir() + QStringLiteral("/db"), "keep me");
         },
         [](Store *) { EXPECT_EQ(readFile(paths::dataDir() + QStringLiteral("/db")), "keep me"); }},
        {"DataFolderIsAFile", QStringLiteral("db"),
         [](auto &) {
             QDir().mkpath(QFileInfo(paths::dataDir()).path());
             writeFile(paths::dataDir(), "keep me");
         },
         [](Store *) { EXPECT_EQ(readFile(paths::dataDir()), "keep me"); }},
        {"CorruptDatabase", QStringLiteral("db"),
         [](auto &) {
             QDir().mkpath(paths::dataDir() + QStringLiteral("/db"));
             writeFile(paths::dataDir() + QStringLiteral("/db/CURRENT"), "no newline");
         },
         [](Store *) { EXPECT_EQ(readFile(paths::dataDir() + QStringLiteral("/db/CURRENT")), "no newline"); }},
        {"HeldByAnotherHandle", QStringLiteral("db"),
         [](auto &holder) {
             holder = std::make_unique<Store>(QStringLiteral("db"));
             ASSERT_TRUE(holder->put(QStringLiteral("k"), QStringLiteral("held")));
         },
         [](Store *holder) {
             EXPECT_EQ(holder->findKeys(QString()), QStringList{QStringLiteral("held")});
         }},
        {"NameLeavesTheDataFolder", QStringLiteral("../escape"), [](auto &) {},
         [](Store *) { EXPECT_FALSE(QFileInfo::exists(QFileInfo(paths::dataDir()).path() + QStringLiteral("/escape"))); }},
        {"EmptyName", QString(), [](auto &) {}, [](Store *) { EXPECT_FALSE(QFileInfo::exists(paths::dataDir())); }},
    };
    return cases;
}

struct Operation
{
    const char *name;
    std::function<bool(Store &)> givesEmptyResult;
};

const std::vector<Operation> &operations()
{
    static const std::vector<Operation> ops = {
        {"put", [](Store &s) { return !s.put(QStringLiteral("k"), QStringLiteral("v")); }},
        {"get", [](Store &s) { return s.get(QStringLiteral("k")).isEmpty(); }},
        {"deleteKey", [](Store &s) { return !s.deleteKey(QStringLiteral("k")); }},
        {"deleteBatch", [](Store &s) { return !s.deleteBatch({QStringLiteral("k"), QStringLiteral("l")}); }},
        {"findKeysEmptyPrefix", [](Store &s) { return s.findKeys(QString()).isEmpty(); }},
        {"findKeysPrefix", [](Store &s) { return s.findKeys(QStringLiteral("k")).isEmpty(); }},
        {"close", [](Store &s) { s.close(); return !s.isOpen(); }},
    };
    return ops;
}

class UnopenableStoreTest : public StoreTest, public ::testing::WithParamInterface<std::tuple<int, Sharing, int>>
{
};

TEST_P(UnopenableStoreTest, OperationGivesTheEmptyResultAndChangesNothing)
{
    const auto &[caseIndex, sharing, operationIndex] = GetParam();
    const UnopenableCase &cause = unopenableCases().at(caseIndex);
    std::unique_ptr<Store> holder;
    cause.prepare(holder);
    Store store(cause.dbName, sharing, 20ms);
    EXPECT_FALSE(store.isOpen());
    EXPECT_TRUE(operations().at(operationIndex).givesEmptyResult(store));
    EXPECT_TRUE(operations().at(operationIndex).givesEmptyResult(store)); // and again, still harmless
    cause.expectUnchanged(holder.get());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnopenableStoreTest,
    ::testing::Combine(::testing::Range(0, int(unopenableCases().size())),
                       ::testing::Values(Sharing::Exclusive, Sharing::SharedBetweenPrograms),
                       ::testing::Range(0, int(operations().size()))),
    [](const auto &info) {
        return std::string(unopenableCases().at(std::get<0>(info.param)).name)
               + (std::get<1>(info.param) == Sharing::Exclusive ? "_Exclusive_" : "_Shared_")
               + operations().at(std::get<2>(info.param)).name;
    });

} // namespace
} // namespace tavolin
