#pragma once

#include "common/Mutex.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

namespace leveldb {
class DB;
}

namespace tavolin {

enum class StoreAccess; // what one open is for; Store.cpp

// A string key-value store over one leveldb database in paths::dataDir()/<name>.
//
// Keys and values are stored as their UTF-8 bytes (no terminator, no length prefix), so both programs and
// older databases read each other's records. Every operation is synchronous and never throws; a store
// whose database could not be opened still exists and answers "" / an empty list / false.
//
// Sharing between processes. leveldb admits one handle per database: its LOCK file is held with an fcntl
// lock, and a second open (from another process, or another handle in this one) fails at once. The lock
// lives and dies with the holder, so a LOCK file left by a crashed run never blocks anything, and the file
// is never deleted here (deleting a live holder's lock would let two processes write one database).
//  - Sharing::Exclusive keeps the handle open from construction to close(). For databases only one
//    program uses ("MenuItemHistory").
//  - Sharing::SharedBetweenPrograms opens the database for one operation (one read, one scan, one write
//    batch) and closes it again. While another process holds it, the open is retried with a short, growing
//    back-off up to `lockWait` in total; then that one operation fails (logged). Within a process, the
//    opens of one database are serialised by a mutex, so threads and several Store objects on the same
//    name take turns instead of failing. Each operation sees everything the other program wrote before it.
//    For "CommandExtensions-db", which the palette and the preferences program both write.
//  Do not mix an Exclusive and a shared store on the same name in one process: the exclusive handle blocks
//  the shared one for its whole life.
//
// Opening at construction: creates the folder (with its parents) when missing, then opens with
// create-if-missing. Logs "INFO: Database setup." on success; on failure logs
// "ERROR: Unable to open/create database." followed by leveldb's status text, or the folder error. In
// shared mode the store counts as opened when this first open succeeded; later lock time-outs fail only
// the operation that met them.
//
// Threads: every operation may be called from any thread at the same time, close() included (an operation
// racing close() either completes or returns the empty/false result). Exclusive stores rely on leveldb's
// own thread safety for the handle; shared stores serialise their opens as above.
class Store
{
public:
    enum class Sharing { Exclusive, SharedBetweenPrograms };

    static constexpr std::chrono::milliseconds kDefaultLockWait{2000};

    // `name` is one folder name: empty names, "." , ".." and names holding '/' or NUL are refused (logged)
    // and give a store without database. `lockWait` bounds each open in shared mode; Exclusive ignores it.
    explicit Store(const QString &name, Sharing sharing = Sharing::Exclusive,
                   std::chrono::milliseconds lockWait = kDefaultLockWait);
    ~Store(); // closes
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    QString name() const { return m_name; }
    QString path() const { return m_path; }
    Sharing sharing() const { return m_sharing; }
    // True when the database opened at construction and close() has not been called.
    bool isOpen() const;
    // True when the database could not be opened where it is for a non-lock reason, as on a full or
    // read-only disk (leveldb opens its lock file for writing, and a write open starts a new log), and was
    // opened from a copy in the temporary folder instead: reads answer with the data as it was, every write
    // fails (logged), and the database on disk is left as it is. Fixed at construction.
    bool isReadOnly() const { return m_copy != nullptr; }

    // Writes the pair without syncing to disk. True when leveldb reports success.
    bool put(const QString &key, const QString &value);
    // The value decoded as UTF-8, without leading and trailing spaces and tabs (newlines stay).
    // "" when the key is absent or the read failed.
    QString get(const QString &key);
    // Deletes the key (no sync). True on success, also when the key was absent.
    bool deleteKey(const QString &key);
    // Deletes all `keys` in one atomic write batch (no sync). True on success.
    bool deleteBatch(const QStringList &keys);
    // The VALUES (untrimmed) of every key starting with `prefix` byte-wise, in ascending key order. An empty
    // prefix returns every value. Empty on failure.
    QStringList findKeys(const QString &prefix);
    // Releases the handle; later operations return the empty/false result. Idempotent.
    void close();

private:
    class Session;

    bool openAtConstruction(std::chrono::milliseconds lockWait) REQUIRES(m_handleMutex);
    bool openCopy(std::unique_ptr<leveldb::DB> *db);
    QString openPath() const;
    Session openSession(StoreAccess access);

    QString m_name;
    QString m_path;
    Sharing m_sharing;
    std::chrono::milliseconds m_lockWait;
    Mutex *m_pathMutex = nullptr;    // shared mode: serialises this process's opens of m_path
    std::unique_ptr<QTemporaryDir> m_copy; // the copy read instead of m_path; constant after construction

    mutable SharedMutex m_handleMutex; // operations hold it shared, close() exclusive
    bool m_usable GUARDED_BY(m_handleMutex) = false;
    std::unique_ptr<leveldb::DB> m_db GUARDED_BY(m_handleMutex); // Exclusive only
};

} // namespace tavolin
