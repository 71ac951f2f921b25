#include "ExtensionLibrary.h"

#include "MenuRulesController.h"
#include "Settings.h"
#include "common/SettingsKeys.h"

#include <QDir>

namespace tavolin {

ExtensionLibrary::ExtensionLibrary(Settings &settings, QString folder, MoveToTrash moveToTrash)
    : m_settings(settings), m_folder(QDir::cleanPath(folder)), m_moveToTrash(std::move(moveToTrash)),
      m_store(QString::fromLatin1(PluginDataItem::kStoreName), Store::Sharing::SharedBetweenPrograms)
{
}

void ExtensionLibrary::loadExtensions()
{
    m_extensions = PluginDataItem::byApp(m_store.findKeys(QString::fromLatin1(PluginDataItem::kExtPrefix)));
    m_apps = m_extensions.keys();
    m_apps.sort(); // hash order is arbitrary: keys alike but for case keep one order
    normalizeAppList();
}

void ExtensionLibrary::normalizeAppList()
{
    normalizeAppKeys(m_apps);
}

bool ExtensionLibrary::saveApp(const QString &key)
{
    const QList<PluginDataItem> records = m_extensions.value(key);
    const QString json = PluginDataItem::jsonFromArray(records);
    const QString storeKey = QString::fromLatin1(PluginDataItem::kExtPrefix) + key;
    const bool saved = records.isEmpty() ? m_store.deleteKey(storeKey) : m_store.put(storeKey, json);
    m_settings.sendCommand(command::kUpdateExtension, {key, json});
    return saved;
}

bool ExtensionLibrary::doAdd(const PluginDataItem &item)
{
    m_extensions[item.app].append(item);
    if (!m_apps.contains(item.app)) {
        m_apps << item.app;
        normalizeAppList();
    }
    return saveApp(item.app);
}

bool ExtensionLibrary::doRemove(const QString &key, int index)
{
    QList<PluginDataItem> records = m_extensions.value(key);
    if (index < 0 || index >= records.size())
        return false;
    const PluginDataItem removed = records.takeAt(index);
    if (records.isEmpty()) {
        m_apps.removeAll(key);
        m_extensions.remove(key);
    } else {
        m_extensions.insert(key, records);
    }
    removeCommandEntry(removed.entry);
    return saveApp(key);
}

bool ExtensionLibrary::doRemoveAllUnder(const QString &key)
{
    for (const PluginDataItem &item : m_extensions.value(key))
        removeCommandEntry(item.entry);
    m_apps.removeAll(key);
    m_extensions.remove(key);
    return saveApp(key);
}

bool ExtensionLibrary::updateItem(const QString &key, int index, const PluginDataItem &updated)
{
    QList<PluginDataItem> records = m_extensions.value(key);
    if (index < 0 || index >= records.size())
        return false;
    if (updated.app == key) {
        records[index] = updated;
        m_extensions.insert(key, records);
        return saveApp(key);
    }
    records.removeAt(index);
    if (records.isEmpty()) {
        m_apps.removeAll(key);
        m_extensions.remove(key);
    } else {
        m_extensions.insert(key, records);
    }
    const bool savedOld = saveApp(key);
    return doAdd(updated) && savedOld;
}

void ExtensionLibrary::removeCommandEntry(const QString &entry)
{
    if (entry.isEmpty() || QDir::isAbsolutePath(entry))
        return;
    const QString first = QDir::cleanPath(entry).section(QLatin1Char('/'), 0, 0);
    if (first.isEmpty() || first == QLatin1String(".") || first == QLatin1String(".."))
        return;
    if (m_moveToTrash)
        m_moveToTrash(m_folder + QLatin1Char('/') + first);
}

} // namespace tavolin
