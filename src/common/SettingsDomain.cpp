#include "SettingsDomain.h"

#include "Log.h"
#include "Paths.h"
#include "common/Mutex.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <unistd.h>

namespace tavolin {
namespace {

constexpr int kLockWaitMs = 5000;

enum class FileState { Missing, Valid, Broken, Unreadable };

struct FileRead
{
    FileState state = FileState::Missing;
    QJsonObject object;
    QString problem;
};

FileRead readSettingsFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {FileState::Unreadable, {}, file.errorString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {FileState::Unreadable, {}, file.errorString()};
    // An empty file (for example one created with touch) holds nothing worth keeping aside.
    if (bytes.trimmed().isEmpty())
        return {FileState::Valid, {}, {}};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return {FileState::Broken, {}, QStringLiteral("%1 at offset %2").arg(error.errorString()).arg(error.offset)};
    if (!document.isObject())
        return {FileState::Broken, {}, QStringLiteral("the top level is not an object")};
    return {FileState::Valid, document.object(), {}};
}

bool isUsable(const FileRead &read)
{
    return read.state == FileState::Missing || read.state == FileState::Valid;
}

// Reads the file for the cache; nullopt when it is broken or unreadable, so the caller keeps what it has.
std::optional<QJsonObject> readForCache(const QString &path)
{
    FileRead read = readSettingsFile(path);
    if (!isUsable(read)) {
        log::error(QStringLiteral("settings file %1 cannot be used (%2); the last settings read stay in force")
                       .arg(path, read.problem));
        return std::nullopt;
    }
    return std::move(read.object);
}

// Keeps a broken file under "<name>.broken-YYYYMMDD-HHMMSS[-N]" so the next write does not destroy it.
bool moveAside(const QString &path)
{
    const QString base = path + QStringLiteral(".broken-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 1; QFileInfo::exists(target); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target)) {
        log::error(QStringLiteral("could not move the broken settings file %1 aside").arg(path));
        return false;
    }
    log::error(QStringLiteral("settings file %1 did not parse; kept as %2").arg(path, target));
    return true;
}

bool isStorable(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return std::isfinite(value.toDouble());
    case QJsonValue::Array:
        for (const QJsonValue &item : value.toArray())
            if (!isStorable(item))
                return false;
        return true;
    case QJsonValue::Object:
        for (const QJsonValue &item : value.toObject())
            if (!isStorable(item))
                return false;
        return true;
    default:
        return true;
    }
}

QStringList changedKeys(const QJsonObject &before, const QJsonObject &after)
{
    QStringList keys;
    for (auto it = before.begin(); it != before.end(); ++it)
        if (after.value(it.key()) != it.value())
            keys << it.key();
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!before.contains(it.key()))
            keys << it.key();
    return keys;
}

// An exclusive flock on the sibling lock file for one read-modify-write. Closing the descriptor releases it,
// also when the process dies, so a stale lock file never blocks anyone.
class FileLock
{
public:
    explicit FileLock(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_problem = qt_error_string(errno);
            return;
        }
        // Poll instead of blocking so a writer stopped while holding the lock cannot hang this thread.
        const QDeadlineTimer deadline(kLockWaitMs);
        unsigned pauseMs = 1;
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                m_problem = errno == EWOULDBLOCK ? QStringLiteral("held by another writer") : qt_error_string(errno);
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            QThread::msleep(pauseMs);
            pauseMs = std::min(pauseMs * 2, 16u);
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool isLocked() const { return m_fd >= 0; }
    QString problem() const { return m_problem; }

private:
    int m_fd = -1;
    QString m_problem;
};

bool saveFile(const QString &path, const QJsonObject &object, QString *problem)
{
    QSaveFile file(path); // temporary file in the same folder, flushed to disk, renamed over the file
    if (!file.open(QIODevice::WriteOnly)) {
        *problem = file.errorString();
        return false;
    }
    file.write(QJsonDocument(object).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        *problem = file.errorString();
        return false;
    }
    return true;
}

// Given the stored value (Undefined when absent), the value to store (Undefined removes the key), or
// nullopt to leave the file as it is.
using Change = std::function<std::optional<QJsonValue>(const QJsonValue &current)>;

} // namespace

struct SettingsDomain::Private
{
    explicit Private(SettingsDomain *owner, const QString &name)
        : q(owner)
        , domain(name)
        , dirPath(paths::configDir())
        , filePath(dirPath + QLatin1Char('/') + name + QStringLiteral(".json"))
        , lockPath(filePath + QStringLiteral(".lock"))
    {
    }

    void watch();
    void scheduleReload();
    std::optional<QJsonObject> writeLocked(const QString &key, const Change &change);
    bool apply(const QString &key, const Change &change);
    QStringList replaceCache(QJsonObject next);
    QJsonObject cacheCopy() const;
    void announce(const QStringList &keys);

    SettingsDomain *const q;
    const QString domain;
    const QString dirPath;
    const QString filePath;
    const QString lockPath;

    mutable Mutex mutex;
    QJsonObject cache GUARDED_BY(mutex); // written only on the owner thread

    QFileSystemWatcher watcher; // owner thread only
    bool reloadQueued = false;  // owner thread only
};

// Watches the settings folder (or, while it does not exist, its nearest existing ancestor, to notice it
// appear) and the file itself. The file watch is renewed every time: a rename replaces the file's inode and
// the old watch would follow the old one. The folder watch sees renames; the file watch sees edits in place.
void SettingsDomain::Private::watch()
{
    QString wanted = dirPath;
    while (!QFileInfo(wanted).isDir()) {
        const QString parent = QFileInfo(wanted).absolutePath();
        if (parent == wanted)
            break;
        wanted = parent;
    }
    if (!watcher.files().isEmpty())
        watcher.removePaths(watcher.files());
    const QStringList directories = watcher.directories();
    for (const QString &directory : directories)
        if (directory != wanted)
            watcher.removePath(directory);
    if (!watcher.directories().contains(wanted))
        watcher.addPath(wanted);
    if (wanted == dirPath && QFileInfo::exists(filePath))
        watcher.addPath(filePath);
}

// Folder events come in bursts (temporary file created, renamed): one reload per turn of the event loop.
void SettingsDomain::Private::scheduleReload()
{
    if (reloadQueued)
        return;
    reloadQueued = true;
    QMetaObject::invokeMethod(
        q,
        [this] {
            reloadQueued = false;
            q->reload();
        },
        Qt::QueuedConnection);
}

// The read-modify-write under the lock. Returns what the file holds afterwards, or nullopt when nothing
// could be written (the failure is logged).
std::optional<QJsonObject> SettingsDomain::Private::writeLocked(const QString &key, const Change &change)
{
    if (!QDir().mkpath(dirPath)) {
        log::error(QStringLiteral("settings folder %1 could not be created; %2 not written").arg(dirPath, key));
        return std::nullopt;
    }
    FileLock lock(lockPath);
    if (!lock.isLocked()) {
        log::error(QStringLiteral("settings lock %1: %2; %3 not written").arg(lockPath, lock.problem(), key));
        return std::nullopt;
    }
    const FileRead disk = readSettingsFile(filePath);
    if (disk.state == FileState::Unreadable) {
        log::error(QStringLiteral("settings file %1 cannot be read (%2); %3 not written")
                       .arg(filePath, disk.problem, key));
        return std::nullopt;
    }
    if (disk.state == FileState::Broken && !moveAside(filePath))
        return std::nullopt;

    // A broken file is replaced by the settings last read from it, with this change.
    QJsonObject next = disk.state == FileState::Broken ? cacheCopy() : disk.object;
    if (const std::optional<QJsonValue> wanted = change(next.value(key))) {
        if (wanted->isUndefined())
            next.remove(key);
        else
            next.insert(key, *wanted);
    }
    if (next == disk.object && disk.state != FileState::Broken)
        return next;
    QString problem;
    if (!saveFile(filePath, next, &problem)) {
        log::error(QStringLiteral("settings file %1 could not be written (%2); %3 not written")
                       .arg(filePath, problem, key));
        return std::nullopt;
    }
    return next;
}

bool SettingsDomain::Private::apply(const QString &key, const Change &change)
{
    const std::optional<QJsonObject> stored = writeLocked(key, change);
    if (!stored)
        return false;
    // The lock is released before observers run: one of them may write again.
    announce(replaceCache(*stored));
    // The folder may have just been created; watch it rather than its ancestor from now on.
    if (!watcher.files().contains(filePath))
        watch();
    return true;
}

QJsonObject SettingsDomain::Private::cacheCopy() const
{
    MutexLocker locker(mutex);
    return cache;
}

QStringList SettingsDomain::Private::replaceCache(QJsonObject next)
{
    MutexLocker locker(mutex);
    QStringList keys = changedKeys(cache, next);
    cache = std::move(next);
    return keys;
}

void SettingsDomain::Private::announce(const QStringList &keys)
{
    for (const QString &key : keys)
        Q_EMIT q->valueChanged(key);
}

SettingsDomain::SettingsDomain(const QString &domain, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this, domain))
{
    connect(&d->watcher, &QFileSystemWatcher::directoryChanged, this, [this] { d->scheduleReload(); });
    connect(&d->watcher, &QFileSystemWatcher::fileChanged, this, [this] { d->scheduleReload(); });
    d->watch();
    QJsonObject stored = readForCache(d->filePath).value_or(QJsonObject());
    MutexLocker locker(d->mutex);
    d->cache = std::move(stored);
}

SettingsDomain::~SettingsDomain() = default;

QString SettingsDomain::domain() const { return d->domain; }

QString SettingsDomain::filePath() const { return d->filePath; }

QJsonValue SettingsDomain::value(const QString &key) const
{
    MutexLocker locker(d->mutex);
    return d->cache.value(key);
}

bool SettingsDomain::contains(const QString &key) const
{
    MutexLocker locker(d->mutex);
    return d->cache.contains(key);
}

bool SettingsDomain::boolValue(const QString &key, bool fallback) const
{
    const QJsonValue stored = value(key);
    if (stored.isBool())
        return stored.toBool();
    if (stored.isDouble())
        return stored.toDouble() != 0;
    return fallback;
}

qint64 SettingsDomain::intValue(const QString &key, qint64 fallback) const
{
    const QJsonValue stored = value(key);
    return stored.isDouble() ? stored.toInteger(fallback) : fallback;
}

QString SettingsDomain::stringValue(const QString &key, const QString &fallback) const
{
    const QJsonValue stored = value(key);
    return stored.isString() ? stored.toString() : fallback;
}

QJsonArray SettingsDomain::arrayValue(const QString &key) const { return value(key).toArray(); }

QJsonObject SettingsDomain::objectValue(const QString &key) const { return value(key).toObject(); }

bool SettingsDomain::setValue(const QString &key, const QJsonValue &value)
{
    if (!isStorable(value)) {
        log::error(QStringLiteral("setting %1 not written: it holds a number JSON cannot store").arg(key));
        return false;
    }
    return d->apply(key, [&value](const QJsonValue &) { return std::optional<QJsonValue>(value); });
}

bool SettingsDomain::remove(const QString &key) { return setValue(key, QJsonValue(QJsonValue::Undefined)); }

bool SettingsDomain::removeIfEquals(const QString &key, const QJsonValue &expected)
{
    return d->apply(key, [&expected](const QJsonValue &current) -> std::optional<QJsonValue> {
        if (current != expected)
            return std::nullopt;
        return QJsonValue(QJsonValue::Undefined);
    });
}

void SettingsDomain::reload()
{
    d->watch(); // before reading, so a change made right after the read still wakes us
    if (std::optional<QJsonObject> read = readForCache(d->filePath))
        d->announce(d->replaceCache(std::move(*read)));
}

} // namespace tavolin
