#include "MenuHistory.h"

#include "common/Dispatcher.h"
#include "common/Paths.h"
#include "palette/DataSource.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

namespace tavolin {
namespace {

using namespace std::chrono_literals;

const QString kJoin = QStringLiteral(" \u2022 ");
constexpr auto kTombstoneDelay = 100ms;

// U+2029 in UTF-8. Inside JSON text it can only occur within a string, where the escape means the same.
const QByteArray kRawSeparator = QByteArrayLiteral("\xE2\x80\xA9");
const QByteArray kEscapedSeparator = QByteArrayLiteral("\\u2029");

std::optional<KeyData> keyFromText(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return KeyData::fromJson(document.object());
}

std::optional<QStringList> stringList(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue &element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        list.append(element.toString());
    }
    return list;
}

} // namespace

MenuHistoryItem::MenuHistoryItem(QString title, QStringList path, std::optional<KeyData> key, bool isChecked)
    : m_title(std::move(title)), m_path(std::move(path)), m_key(std::move(key)), m_isChecked(isChecked)
{
}

bool MenuHistoryItem::sameCommand(const QString &title, const QStringList &path) const
{
    return m_title == title && m_path.join(kJoin) == path.join(kJoin);
}

QJsonObject MenuHistoryItem::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("title"), m_title);
    object.insert(QStringLiteral("path"), QJsonArray::fromStringList(m_path));
    object.insert(QStringLiteral("key"),
                  m_key ? QJsonValue(QString::fromUtf8(QJsonDocument(m_key->toJson()).toJson(QJsonDocument::Compact)))
                        : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("isChecked"), m_isChecked);
    return object;
}

std::optional<MenuHistoryItem> MenuHistoryItem::fromJson(const QByteArray &utf8)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(utf8, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue title = object.value(QStringLiteral("title"));
    const std::optional<QStringList> path = stringList(object.value(QStringLiteral("path")));
    const QJsonValue checked = object.value(QStringLiteral("isChecked"));
    if (!title.isString() || !path || !checked.isBool())
        return std::nullopt;
    const QJsonValue key = object.value(QStringLiteral("key"));
    return MenuHistoryItem(title.toString(), *path, key.isString() ? keyFromText(key.toString()) : std::nullopt,
                           checked.toBool());
}

AppMenuHistoryItems::AppMenuHistoryItems(QString name, QList<MenuHistoryItemPtr> recents, MenuHistory *owner)
    : m_name(std::move(name)), m_recents(std::move(recents)), m_owner(owner)
{
}

std::shared_ptr<AppMenuHistoryItems> AppMenuHistoryItems::from(const QString &name, const QString &data,
                                                               MenuHistory *owner)
{
    if (name.isEmpty())
        return nullptr;
    // The stored value is read back as the history it was written from: at most kLimit entries, so a value
    // written by someone else cannot list more placeholders than the history holds, nor give a row a
    // history position past the last (the search's history boost assumes positions below kLimit).
    QList<MenuHistoryItemPtr> entries;
    for (const QStringView piece : QStringView(data).split(Seperator)) {
        if (entries.size() == kLimit)
            break;
        if (std::optional<MenuHistoryItem> item = MenuHistoryItem::fromJson(piece.toUtf8()))
            entries.append(std::make_shared<const MenuHistoryItem>(std::move(*item)));
    }
    return std::make_shared<AppMenuHistoryItems>(name, std::move(entries), owner);
}

QString AppMenuHistoryItems::toString() const
{
    QByteArray joined;
    for (qsizetype i = 0; i < m_recents.size(); ++i) {
        if (i > 0)
            joined.append(kRawSeparator);
        QByteArray entry = QJsonDocument(m_recents.at(i)->toJson()).toJson(QJsonDocument::Compact);
        joined.append(entry.replace(kRawSeparator, kEscapedSeparator));
    }
    return QString::fromUtf8(joined);
}

void AppMenuHistoryItems::addItem(MenuHistoryItemPtr item)
{
    if (!item)
        return;
    m_recents.removeIf([&](const MenuHistoryItemPtr &entry) { return entry->sameCommand(item->title(), item->path()); });
    m_recents.prepend(std::move(item));
    if (m_recents.size() > kLimit)
        m_recents.resize(kLimit);
    save();
}

void AppMenuHistoryItems::removeItem(const MenuItemData &row)
{
    const QList<MenuHistoryItemPtr>::iterator it = std::find_if(
        m_recents.begin(), m_recents.end(),
        [&](const MenuHistoryItemPtr &entry) { return entry->sameCommand(row.title(), row.path()); });
    if (it != m_recents.end())
        m_recents.erase(it);
    if (m_recents.size() > kLimit)
        m_recents.resize(kLimit);
    save();
}

MenuHistoryItemPtr AppMenuHistoryItems::find(const QString &title, const QStringList &path) const
{
    for (const MenuHistoryItemPtr &entry : m_recents) {
        if (entry->sameCommand(title, path))
            return entry;
    }
    return nullptr;
}

void AppMenuHistoryItems::save()
{
    if (m_owner)
        m_owner->save(*this);
}

QList<MenuItemDataPtr> AppMenuHistoryItems::makeTombstones()
{
    QList<MenuItemDataPtr> rows;
    rows.reserve(m_recents.size());
    const std::weak_ptr<AppMenuHistoryItems> self = weak_from_this();
    for (qsizetype i = 0; i < m_recents.size(); ++i) {
        const MenuHistoryItemPtr &entry = m_recents.at(i);
        auto row = std::make_shared<MenuItemData>(entry->title(), entry->path(), false, entry->key(), QString());
        row->setHistoryIndex(static_cast<int>(i));
        row->setAction([self, entry](RowData &) {
            if (const auto history = self.lock())
                history->onTombstoneChosen(entry);
            return false;
        });
        rows.append(std::move(row));
    }
    return rows;
}

// The live row that replaces a placeholder arrives while the menus are read; by the time the delay has
// passed it usually sits where the placeholder was, so the command the user chose is performed.
void AppMenuHistoryItems::onTombstoneChosen(const MenuHistoryItemPtr &entry)
{
    if (!m_recents.contains(entry) || !m_owner)
        return;
    const std::weak_ptr<AppMenuHistoryItems> self = weak_from_this();
    m_owner->dispatcher().afterDelay(kTombstoneDelay, [self, entry] {
        const auto history = self.lock();
        if (!history)
            return;
        const qsizetype position = history->m_recents.indexOf(entry);
        if (position < 0)
            return;
        DataSource &panel = history->m_owner->panel();
        DataProvider *provider = panel.provider();
        const RowDataPtr row = provider ? provider->dataOnRow(position) : nullptr;
        if (row && row->title() == entry->title() && row->apply())
            panel.exitPanel();
    });
}

MenuHistory::MenuHistory(DataSource &panel, Dispatcher &dispatcher)
    : store(QString::fromLatin1(kDatabaseName)), m_panel(panel), m_dispatcher(dispatcher)
{
}

AppMenuHistoryItemsPtr MenuHistory::get(const std::optional<QString> &name)
{
    if (!name || name->isEmpty())
        return nullptr;
    const QString value = store.db ? store.db->get(*name) : QString();
    return AppMenuHistoryItems::from(*name, value, this);
}

void MenuHistory::save(const AppMenuHistoryItems &data)
{
    if (data.name().isEmpty() || !store.db)
        return;
    if (data.recents().isEmpty())
        store.db->deleteKey(data.name());
    else
        store.db->put(data.name(), data.toString());
}

void MenuHistory::deleteAll()
{
    const QString folder = store.db ? store.db->path()
                                    : QDir(paths::dataDir()).filePath(QString::fromLatin1(kDatabaseName));
    store.close();
    QDir(folder).removeRecursively();
    store.open(QString::fromLatin1(kDatabaseName));
}

} // namespace tavolin
