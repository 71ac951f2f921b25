#pragma once

#include "ScriptRunner.h"
#include "common/Mutex.h"
#include "common/PluginDataItem.h"
#include "common/StoreHolder.h"

#include <QFuture>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace tavolin {

class Notifier;

// The palette's side of extensions: the extension folder, the palette's handle on "CommandExtensions-db"
// (opened per operation, so the preferences program can write it too), every application's records in
// memory, and running a record's script (ScriptRunner).
//
// On the first start (no "init" in the database) the built-in scripts are copied into the folder and three
// records are installed for the desktop's file manager. Copying never overwrites or removes a file already
// in the folder. Later starts only read the records back. Afterwards the palette never writes records: the
// preferences program does, and announces changes with the "updateExtension" command (updateExtensions()).
//
// A database that could not be opened leaves the records empty and writes nothing; malformed lists are
// skipped. Script failures reach the user only through the Notifier.
//
// Threads: create, install, update and destroy on the main thread. getExtentions() and extensions() may be
// called from any thread (the menu provider builds rows on background threads); the map is guarded by a
// mutex. The Notifier must outlive the provider.
class PluginDataProvider
{
public:
    static constexpr auto kFolderName = "CommandExtensions";
    static constexpr auto kInitKey = "init";

    // Finds an executable on PATH by name; "" when absent. Tests replace the PATH search.
    using FindExecutable = std::function<QString(const QString &name)>;

    explicit PluginDataProvider(Notifier &notifier, FindExecutable findExecutable = {});
    ~PluginDataProvider();
    PluginDataProvider(const PluginDataProvider &) = delete;
    PluginDataProvider &operator=(const PluginDataProvider &) = delete;

    // Whether the records were read from a copy because the database cannot be written where it is
    // (Store::isReadOnly()): they stay as they were for this run.
    bool isStoreReadOnly() const { return m_store.db && m_store.db->isReadOnly(); }

    // First start: copies the missing built-in scripts and installs the built-in records; otherwise reads
    // every application's records from the database. Call once, when start-up has finished.
    void installDefaultPlugins();

    // Replaces one application's records with the JSON list `json` (from the "updateExtension" command).
    // An empty or unparsable list removes `application`'s records; otherwise the records are filed under
    // the `app` of the first record.
    void updateExtensions(const QString &json, const QString &application);

    // The records of `application` (".app" appended when missing) followed by those of "all", disabled ones
    // included; callers offer only the enabled ones.
    QList<PluginDataItem> getExtentions(const QString &application) const;

    // A snapshot of every application's records.
    QHash<QString, QList<PluginDataItem>> extensions() const;

    // Runs the item's script in the background; the future reports how it ended.
    QFuture<RunOutcome> runCommand(const PluginDataItem &item, const RunContext &context = {});

    // The action of a row built from `item`: runs it with `context`, passes the row to `addRecent` (the
    // menu provider's recent commands) and returns true. After the provider is gone the action only calls
    // `addRecent`. Call the action on the main thread.
    template <typename Row>
    std::function<bool(const Row &)> getAction(const PluginDataItem &item, const RunContext &context,
                                               std::function<void(const Row &)> addRecent) const
    {
        std::weak_ptr<ScriptRunner> runner = m_runner;
        return [runner, item, context, addRecent = std::move(addRecent)](const Row &row) {
            if (const auto live = runner.lock())
                live->run(item.label, item.entry, context);
            if (addRecent)
                addRecent(row);
            return true;
        };
    }

    // The executable name of the desktop's file manager: the first of nautilus, nemo, caja, thunar,
    // pcmanfm and dolphin that `find` locates; "nautilus" when none is.
    static QString detectFileManager(const FindExecutable &find);
    // The three built-in records for `fileManager` (an executable name), with app "<fileManager>.app".
    static QList<PluginDataItem> builtinRecords(const QString &fileManager);

private:
    void copyBuiltinScripts();
    void installBuiltinRecords();
    void readAllRecords();

    QString m_folder;
    FindExecutable m_findExecutable;
    StoreHolder m_store;
    std::shared_ptr<ScriptRunner> m_runner;

    mutable Mutex m_mutex;
    QHash<QString, QList<PluginDataItem>> m_extensions GUARDED_BY(m_mutex);
};

} // namespace tavolin
