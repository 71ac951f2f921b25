#include "Store.h"

#include "Log.h"
#include "Paths.h"
#include "common/Mutex.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <leveldb/db.h>
#include <leveldb/iterator.h>
#include <leveldb/options.h>
#include <leveldb/write_batch.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <thread>

namespace tavolin {

enum class StoreAccess { Read, Write };

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kFirstBackOff{1};
constexpr milliseconds kLongestBackOff{16};

leveldb::Slice slice(const QByteArray &bytes) { return {bytes.constData(), size_t(bytes.size())}; }

QString fromUtf8(const leveldb::Slice &bytes) { return QString::fromUtf8(bytes.data(), qsizetype(bytes.size())); }

bool isValidName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// The platform's whitespace set: tab and the Unicode space separators; newlines are not part of it.
bool isBlank(QChar ch) { return ch == QLatin1Char('\t') || ch.category() == QChar::Separator_Space; }

QString trimmedOfBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// leveldb reports a held lock as an IO error whose context is "lock <path>", both for another process
// ("Resource temporarily unavailable") and for another handle in this one ("already held by process").
// Nothing else it returns from Open starts that way, so only this case is worth waiting for.
bool isLockHeld(const leveldb::Status &status)
{
    return status.IsIOError() && status.ToString().rfind("IO error: lock ", 0) == 0;
}

// One mutex per database path for the whole process. Never freed: a store may close during exit.
Mutex *mutexForPath(const QString &path)
{
    static Mutex registryMutex;
    static auto *registry GUARDED_BY(registryMutex) = new std::map<QString, std::unique_ptr<Mutex>>;
    MutexLocker lock(registryMutex);
    auto &slot = (*registry)[path];
    if (!slot)
        slot = std::make_unique<Mutex>();
    return slot.get();
}

// Opens with create-if-missing; while the lock is held elsewhere, retries with a growing, jittered
// back-off until `lockWait` has passed. The jitter keeps two processes from retrying in lockstep.
//
// Reads reuse the log and manifest found on disk (reuse_logs). With the defaults every open, even one that
// only reads, writes a new manifest and log with three fsyncs: shared mode's open per operation took
// ~1.5 ms instead of ~0.3 ms here, and up to 60 ms under disk load. Writes keep the defaults: reusing a
// log whose last record a crash tore would append behind the torn bytes, and the next replay would drop
// what was appended. A default open turns the replayed log into a table and starts a fresh log, so
// writes only ever append to a clean file; reads append nothing.
leveldb::Status openDatabase(const QString &path, StoreAccess access, milliseconds lockWait,
                             std::unique_ptr<leveldb::DB> *out)
{
    leveldb::Options options;
    options.create_if_missing = true;
    options.reuse_logs = access == StoreAccess::Read;
    const std::string nativePath = QFile::encodeName(path).toStdString();
    const Clock::time_point deadline = Clock::now() + lockWait;
    milliseconds backOff = kFirstBackOff;
    for (;;) {
        leveldb::DB *raw = nullptr;
        const leveldb::Status status = leveldb::DB::Open(options, nativePath, &raw);
        if (status.ok()) {
            out->reset(raw);
            return status;
        }
        const Clock::time_point now = Clock::now();
        if (!isLockHeld(status) || now >= deadline)
            return status;
        const auto jitter = milliseconds(QRandomGenerator::global()->bounded(int(backOff.count()) + 1));
        std::this_thread::sleep_for(std::min<Clock::duration>(backOff + jitter, deadline - now));
        backOff = std::min(backOff * 2, kLongestBackOff);
    }
}

} // namespace

// The handle one operation works on, and the locks that keep it valid: the store's handle lock (so close()
// waits for the operation) and, in shared mode, this process's turn on the database path. Members are
// released in reverse order: the shared-mode handle is closed before the turn passes on.
class Store::Session
{
public:
    explicit operator bool() const { return handle != nullptr; }
    leveldb::DB *operator->() const { return handle; }

    std::shared_lock<SharedMutex> handleLock;
    std::unique_lock<Mutex> pathLock;
    std::unique_ptr<leveldb::DB> owned; // shared mode: this operation's own handle
    leveldb::DB *handle = nullptr;
};

Store::Store(const QString &name, Sharing sharing, milliseconds lockWait)
    : m_name(name)
    , m_sharing(sharing)
    , m_lockWait(lockWait)
{
    if (!isValidName(name)) {
        log::error(QStringLiteral("Refusing database name \"%1\": it must be one folder name").arg(name));
        return;
    }
    m_path = QDir::cleanPath(paths::dataDir() + QLatin1Char('/') + name);
    if (sharing == Sharing::SharedBetweenPrograms)
        m_pathMutex = mutexForPath(m_path);
    WriterLocker lock(m_handleMutex);
    m_usable = openAtConstruction(lockWait);
}

Store::~Store() { close(); }

bool Store::openAtConstruction(milliseconds lockWait)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(m_path).toStdString()), error);
    if (error) {
        log::error(QStringLiteral("%1: %2").arg(QString::fromStdString(error.message()), m_path));
        return false;
    }
    std::unique_lock<Mutex> pathLock;
    if (m_pathMutex)
        pathLock = std::unique_lock(*m_pathMutex);
    // The exclusive handle is the one later writes use; the shared check only needs to reach the data.
    const bool exclusive = m_sharing == Sharing::Exclusive;
    std::unique_ptr<leveldb::DB> db;
    const leveldb::Status status = openDatabase(m_path, exclusive ? StoreAccess::Write : StoreAccess::Read,
                                                exclusive ? milliseconds(0) : lockWait, &db);
    if (!status.ok() && !isLockHeld(status) && openCopy(&db)) {
        log::error(QStringLiteral("Database %1 cannot be opened where it is (%2): read from a copy, and "
                                  "nothing is written to it while this program runs")
                       .arg(m_path, QString::fromStdString(status.ToString())));
    } else if (!status.ok()) {
        log::error(QStringLiteral("ERROR: Unable to open/create database."));
        log::error(QString::fromStdString(status.ToString()));
        return false;
    }
    log::info(QStringLiteral("INFO: Database setup."));
    if (m_sharing == Sharing::Exclusive)
        m_db = std::move(db);
    return true;
}

// Only files are copied, and not the lock: the copy has no other user.
bool Store::openCopy(std::unique_ptr<leveldb::DB> *db)
{
    auto copy = std::make_unique<QTemporaryDir>();
    const QDir source(m_path);
    if (!copy->isValid() || !source.exists(QStringLiteral("CURRENT")))
        return false;
    for (const QString &name : source.entryList(QDir::Files | QDir::Hidden)) {
        if (name != QLatin1String("LOCK") && !QFile::copy(source.filePath(name), copy->filePath(name)))
            return false;
    }
    leveldb::Options options;
    options.reuse_logs = true;
    leveldb::DB *raw = nullptr;
    if (!leveldb::DB::Open(options, QFile::encodeName(copy->path()).toStdString(), &raw).ok())
        return false;
    db->reset(raw);
    m_copy = std::move(copy);
    return true;
}

QString Store::openPath() const
{
    return m_copy ? m_copy->path() : m_path;
}

Store::Session Store::openSession(StoreAccess access)
{
    Session session;
    session.handleLock = std::shared_lock(m_handleMutex);
    m_handleMutex.assertReaderHeld();
    if (!m_usable)
        return session;
    if (access == StoreAccess::Write && m_copy) {
        log::error(QStringLiteral("Database %1 cannot be written, change not kept").arg(m_name));
        return session;
    }
    if (m_sharing == Sharing::Exclusive) {
        session.handle = m_db.get();
        return session;
    }
    session.pathLock = std::unique_lock(*m_pathMutex);
    const leveldb::Status status = openDatabase(openPath(), access, m_lockWait, &session.owned);
    if (!status.ok()) {
        log::error(QStringLiteral("Database %1 not available, operation skipped: %2")
                       .arg(m_name, QString::fromStdString(status.ToString())));
        return session;
    }
    session.handle = session.owned.get();
    return session;
}

bool Store::isOpen() const
{
    ReaderLocker lock(m_handleMutex);
    return m_usable;
}

bool Store::put(const QString &key, const QString &value)
{
    const Session db = openSession(StoreAccess::Write);
    return db && db->Put(leveldb::WriteOptions(), slice(key.toUtf8()), slice(value.toUtf8())).ok();
}

QString Store::get(const QString &key)
{
    const Session db = openSession(StoreAccess::Read);
    if (!db)
        return {};
    std::string value;
    if (!db->Get(leveldb::ReadOptions(), slice(key.toUtf8()), &value).ok())
        return {};
    return trimmedOfBlanks(QString::fromStdString(value));
}

bool Store::deleteKey(const QString &key)
{
    const Session db = openSession(StoreAccess::Write);
    return db && db->Delete(leveldb::WriteOptions(), slice(key.toUtf8())).ok();
}

bool Store::deleteBatch(const QStringList &keys)
{
    const Session db = openSession(StoreAccess::Write);
    if (!db)
        return false;
    leveldb::WriteBatch batch;
    for (const QString &key : keys)
        batch.Delete(slice(key.toUtf8()));
    return db->Write(leveldb::WriteOptions(), &batch).ok();
}

QStringList Store::findKeys(const QString &prefix)
{
    const Session db = openSession(StoreAccess::Read);
    if (!db)
        return {};
    const QByteArray prefixBytes = prefix.toUtf8();
    const leveldb::Slice start = slice(prefixBytes);
    QStringList values;
    const std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
    for (it->Seek(start); it->Valid() && it->key().starts_with(start); it->Next())
        values << fromUtf8(it->value());
    return values;
}

void Store::close()
{
    WriterLocker lock(m_handleMutex);
    m_db.reset();
    m_usable = false;
}

} // namespace tavolin
