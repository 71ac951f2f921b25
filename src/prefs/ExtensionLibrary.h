#pragma once

#include "common/PluginDataItem.h"
#include "common/Store.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tavolin {

class Settings;

// The preferences program's copy of every application's extensions, mirrored to "CommandExtensions-db"
// (opened per operation, shared with the palette) and announced to the palette.
//
// Saving an application stores the JSON list of its records under "p_" + key, or deletes that key when
// the application has no records left, and then sends ["updateExtension", key, list JSON, time].
// Removing a record moves its file (the first component of its entry inside the extension folder) to the
// Trash; entries that would leave the folder are never touched.
//
// Main thread. Failure: a database write that fails returns false from saveApp (logged by the store); the
// palette is told all the same, so it shows what the pane shows.
class ExtensionLibrary
{
public:
    using MoveToTrash = std::function<bool(const QString &path)>;

    ExtensionLibrary(Settings &settings, QString folder, MoveToTrash moveToTrash);

    // Reads every "p_" list; empty or unreadable lists are skipped; a list belongs to its first record's app.
    void loadExtensions();

    // Application keys with records: "all" first, the rest case-insensitively sorted.
    const QStringList &apps() const { return m_apps; }
    QList<PluginDataItem> extensionsFor(const QString &key) const { return m_extensions.value(key); }

    bool saveApp(const QString &key);
    // Appends to the record's app (listing the app when new) and saves it.
    bool doAdd(const PluginDataItem &item);
    // Removes record `index` of `key`, trashes its file, saves. False for an index outside the list.
    bool doRemove(const QString &key, int index);
    // Trashes every record's file of `key`, forgets the key, saves (which deletes its database entry).
    bool doRemoveAllUnder(const QString &key);
    // Replaces record `index` of `key` with `updated`. When the app changed, the record moves to the end of
    // the new app's list (its file stays) and both apps are saved.
    bool updateItem(const QString &key, int index, const PluginDataItem &updated);

    // Moves the first path component of `entry` inside the extension folder to the Trash. Entries that are
    // absolute or climb out ("..") are ignored; failures are ignored.
    void removeCommandEntry(const QString &entry);

private:
    void normalizeAppList();

    Settings &m_settings;
    QString m_folder;
    MoveToTrash m_moveToTrash;
    Store m_store;
    QStringList m_apps;
    QHash<QString, QList<PluginDataItem>> m_extensions;
};

} // namespace tavolin
