#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>

#include <memory>

namespace tavolin {

// One settings domain shared by Tavolin and Tavolin Preferences: a JSON object stored in
// $XDG_CONFIG_HOME/tavolin/<domain>.json.
//
// Writes re-read the file, change one key and replace the file atomically (temporary file + rename) under an
// advisory lock on a sibling lock file, so two processes writing different keys at the same time lose
// nothing. The folder is watched: a change made by another process (or another SettingsDomain object on the
// same file) is re-read and diffed, and valueChanged fires once per key whose value differs. The writing
// object fires valueChanged for its own writes at once.
//
// A file that does not parse or cannot be read leaves the values last read in force (empty when nothing was
// read yet), so an edit in progress or a typo never drops the hot key or any other setting. Before the next
// write replaces a file that does not parse, it is moved aside to "<domain>.json.broken-YYYYMMDD-HHMMSS"
// (with "-N" added when that name is taken) so nothing is silently destroyed, and the new file holds the
// values last read plus the change. A file that exists but cannot be read is never replaced: writes fail. A missing folder is
// created by the first write. The lock is waited for at most a few seconds; a write that times out fails.
//
// Threads: reads are thread-safe; writes, reload() and signals belong to the thread that owns the object
// (the main thread).
class SettingsDomain : public QObject
{
    Q_OBJECT
public:
    static constexpr auto kPaletteDomain = "io.quorvane.Tavolin";

    explicit SettingsDomain(const QString &domain = QString::fromLatin1(kPaletteDomain), QObject *parent = nullptr);
    ~SettingsDomain() override;

    QString domain() const;
    QString filePath() const;

    // Raw value; QJsonValue::Undefined when the key is absent.
    QJsonValue value(const QString &key) const;
    bool contains(const QString &key) const;

    // Typed reads: an absent key or a value of another type reads as `fallback`.
    // Bools also accept numbers (0 false, anything else true): the preferences program writes numbers.
    bool boolValue(const QString &key, bool fallback = false) const;
    // Accepts integral numbers only.
    qint64 intValue(const QString &key, qint64 fallback = 0) const;
    QString stringValue(const QString &key, const QString &fallback = {}) const;
    QJsonArray arrayValue(const QString &key) const;   // [] when absent or not an array
    QJsonObject objectValue(const QString &key) const; // {} when absent or not an object

    // Stores `value` under `key` (QJsonValue::Undefined removes it). Returns false, changing nothing, when the
    // file could not be written; the failure is logged.
    // A value holding a non-finite number is refused (JSON cannot store it).
    bool setValue(const QString &key, const QJsonValue &value);
    bool remove(const QString &key);
    // Removes `key` only while the file still holds `expected` under it, checked under the lock, so a value
    // another process wrote meanwhile survives. Returns false only when the file could not be written.
    bool removeIfEquals(const QString &key, const QJsonValue &expected);

    // Re-reads the file now and fires valueChanged for every key that changed. Normally the watcher does it.
    void reload();

Q_SIGNALS:
    // `key` changed its value (written here, or by another process). Fires only on a real change.
    void valueChanged(const QString &key);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tavolin
