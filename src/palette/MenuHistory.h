#pragma once

#include "common/KeyData.h"
#include "common/StoreHolder.h"
#include "palette/MenuItemData.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tavolin {

class DataSource;
class Dispatcher;
class MenuHistory;

// One performed command. Immutable; entries are shared, and a placeholder row recognises its entry by
// identity of the object.
class MenuHistoryItem
{
public:
    MenuHistoryItem(QString title, QStringList path, std::optional<KeyData> key, bool isChecked);

    const QString &title() const { return m_title; }
    const QStringList &path() const { return m_path; }
    const std::optional<KeyData> &key() const { return m_key; }
    bool isChecked() const { return m_isChecked; }

    // Same command: equal titles and equal paths once joined with " • " (so ["a • b"] equals ["a", "b"]).
    bool sameCommand(const QString &title, const QStringList &path) const;

    // {"title", "path", "key": the shortcut's own JSON text or null, "isChecked"}.
    QJsonObject toJson() const;
    // nullopt when the text is not a JSON object or "title" (string), "path" (array of strings) or
    // "isChecked" (bool) is missing or mistyped. A "key" that is not a string or does not parse gives no key.
    static std::optional<MenuHistoryItem> fromJson(const QByteArray &utf8);

private:
    QString m_title;
    QStringList m_path;
    std::optional<KeyData> m_key;
    bool m_isChecked = false;
};

using MenuHistoryItemPtr = std::shared_ptr<const MenuHistoryItem>;

// The history of one application: its most recent commands first, at most kLimit. Every change is saved at
// once through the MenuHistory that made it (not at all for a parsed value without one).
//
// Main thread only.
class AppMenuHistoryItems : public std::enable_shared_from_this<AppMenuHistoryItems>
{
public:
    static constexpr QChar Seperator{0x2029}; // PARAGRAPH SEPARATOR, between stored entries
    static constexpr int kLimit = 10;

    AppMenuHistoryItems(QString name, QList<MenuHistoryItemPtr> recents, MenuHistory *owner = nullptr);

    const QString &name() const { return m_name; }
    const QList<MenuHistoryItemPtr> &recents() const { return m_recents; }

    // Parses a stored value: entries split at U+2029, undecodable pieces skipped, order kept, reading stops
    // after kLimit entries. None for an empty name.
    static std::shared_ptr<AppMenuHistoryItems> from(const QString &name, const QString &data,
                                                     MenuHistory *owner = nullptr);
    // The stored value: each entry as compact JSON, joined with U+2029. A U+2029 inside a title or path is
    // written as the escape \u2029, so it never splits an entry.
    QString toString() const;

    // Moves (or puts) the command to the front, keeps kLimit, saves.
    void addItem(MenuHistoryItemPtr item);
    // Drops the entry of the row's command, if any; keeps kLimit; saves.
    void removeItem(const MenuItemData &row);
    // The entry of a command, or null.
    MenuHistoryItemPtr find(const QString &title, const QStringList &path) const;
    // One placeholder row per entry: historyIndex = position, application key "", and an action that,
    // 0.1 s later, performs the row the current provider then shows at that position when it has the
    // entry's title (closing the panel when it succeeds; nothing without an owning MenuHistory). The action
    // returns false.
    QList<MenuItemDataPtr> makeTombstones();

private:
    void save();
    void onTombstoneChosen(const MenuHistoryItemPtr &entry);

    QString m_name;
    QList<MenuHistoryItemPtr> m_recents;
    MenuHistory *m_owner;
};

using AppMenuHistoryItemsPtr = std::shared_ptr<AppMenuHistoryItems>;

// Per-application history in the "MenuItemHistory" database: key = application name, value as
// AppMenuHistoryItems::toString(). A database that cannot be opened reads as empty and keeps nothing.
//
// Main thread only. The database stays open for the object's life.
class MenuHistory
{
public:
    static constexpr auto kDatabaseName = "MenuItemHistory";

    // Opens the database in paths::dataDir(). `panel` gives the rows a placeholder performs, after a delay
    // through `dispatcher`; both must outlive this object.
    MenuHistory(DataSource &panel, Dispatcher &dispatcher);

    DataSource &panel() const { return m_panel; }
    Dispatcher &dispatcher() const { return m_dispatcher; }

    // History matching of live rows is done only while true.
    bool showHistory = true;

    // None for no name or an empty name; otherwise the stored history (possibly without entries).
    AppMenuHistoryItemsPtr get(const std::optional<QString> &name);
    // Writes one application's history; no entries deletes its key; an empty name does nothing.
    void save(const AppMenuHistoryItems &data);
    // Forgets every application's history: closes the database, removes its folder (a failure is ignored)
    // and opens a fresh one.
    void deleteAll();

    StoreHolder store;

private:
    DataSource &m_panel;
    Dispatcher &m_dispatcher;
};

} // namespace tavolin
