#pragma once

#include "common/KeyData.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavolin {

// One extension: a user script offered as a palette command in one application ("Mousepad.app") or in
// every application ("all"). Lists of records are stored as JSON text, one list per application, under
// kExtPrefix + application key in "CommandExtensions-db", and travel in the "updateExtension" command.
//
// Reading is strict: every key but "keyData" is required with its JSON type (strings, "enabled" a bool),
// and "keyData", when present and not null, must be a valid KeyData object. One invalid record makes its
// whole list read as empty. Unknown keys are ignored. A plain value; any thread.
struct PluginDataItem
{
    // The database both programs keep the lists in (a stored name: saved data depends on it).
    static constexpr auto kStoreName = "CommandExtensions-db";
    static constexpr auto kExtPrefix = "p_";
    // The application key of records offered in every application.
    static constexpr auto kAllApps = "all";

    QString app;
    QString label;
    QString enLabel;
    QString entry; // script path relative to the extension folder
    bool enabled = true;
    QString group;
    std::optional<KeyData> keyData;

    PluginDataItem() = default;
    PluginDataItem(QString app, QString label, QString enLabel, QString entry, bool enabled, QString group,
                   std::optional<KeyData> keyData);
    // enLabel "", enabled, group "", no keyData.
    PluginDataItem(QString app, QString label, QString entry);

    // "[" + the records' toJson() texts joined by "," + "]"; "[]" for none.
    static QString jsonFromArray(const QList<PluginDataItem> &records);
    // The records of a list text; empty for a null or empty text, text that is not a JSON list, or a list
    // with any invalid record.
    static QList<PluginDataItem> arrayFromJSON(const QString &text);

    // Every application's records from the stored list texts (the values under kExtPrefix), each list filed
    // under the app of its first record; empty or invalid lists are skipped.
    static QHash<QString, QList<PluginDataItem>> byApp(const QStringList &lists);

    // Compact JSON text of this record ("keyData" only when set).
    QString toJson() const;
    QJsonObject toJsonObject() const;
    // nullopt when the object is not a valid record.
    static std::optional<PluginDataItem> fromJsonObject(const QJsonObject &object);

    bool operator==(const PluginDataItem &other) const = default;
};

} // namespace tavolin
