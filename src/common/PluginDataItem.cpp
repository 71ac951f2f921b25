#include "common/PluginDataItem.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringList>

namespace tavolin {
namespace {

// The required string fields, in record order.
constexpr const char *kStringKeys[] = {"app", "label", "enLabel", "entry", "group"};

std::optional<QString> stringField(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

PluginDataItem::PluginDataItem(QString app, QString label, QString enLabel, QString entry, bool enabled,
                               QString group, std::optional<KeyData> keyData)
    : app(std::move(app)), label(std::move(label)), enLabel(std::move(enLabel)), entry(std::move(entry)),
      enabled(enabled), group(std::move(group)), keyData(std::move(keyData))
{
}

PluginDataItem::PluginDataItem(QString app, QString label, QString entry)
    : app(std::move(app)), label(std::move(label)), entry(std::move(entry))
{
}

QString PluginDataItem::jsonFromArray(const QList<PluginDataItem> &records)
{
    QStringList texts;
    texts.reserve(records.size());
    for (const PluginDataItem &record : records)
        texts << record.toJson();
    return QLatin1Char('[') + texts.join(QLatin1Char(',')) + QLatin1Char(']');
}

QList<PluginDataItem> PluginDataItem::arrayFromJSON(const QString &text)
{
    if (text.isEmpty())
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return {};
    const QJsonArray array = document.array();
    QList<PluginDataItem> records;
    records.reserve(array.size());
    for (const QJsonValue &value : array) {
        if (!value.isObject())
            return {};
        std::optional<PluginDataItem> record = fromJsonObject(value.toObject());
        if (!record)
            return {};
        records.append(std::move(*record));
    }
    return records;
}

QHash<QString, QList<PluginDataItem>> PluginDataItem::byApp(const QStringList &lists)
{
    QHash<QString, QList<PluginDataItem>> all;
    for (const QString &text : lists) {
        QList<PluginDataItem> records = arrayFromJSON(text);
        if (!records.isEmpty()) {
            const QString app = records.first().app;
            all.insert(app, std::move(records));
        }
    }
    return all;
}

QString PluginDataItem::toJson() const
{
    return QString::fromUtf8(QJsonDocument(toJsonObject()).toJson(QJsonDocument::Compact));
}

QJsonObject PluginDataItem::toJsonObject() const
{
    QJsonObject object;
    object.insert(QStringLiteral("app"), app);
    object.insert(QStringLiteral("label"), label);
    object.insert(QStringLiteral("enLabel"), enLabel);
    object.insert(QStringLiteral("entry"), entry);
    object.insert(QStringLiteral("enabled"), enabled);
    object.insert(QStringLiteral("group"), group);
    if (keyData)
        object.insert(QStringLiteral("keyData"), keyData->toJson());
    return object;
}

std::optional<PluginDataItem> PluginDataItem::fromJsonObject(const QJsonObject &object)
{
    QString fields[std::size(kStringKeys)];
    for (size_t i = 0; i < std::size(kStringKeys); ++i) {
        std::optional<QString> value = stringField(object, kStringKeys[i]);
        if (!value)
            return std::nullopt;
        fields[i] = std::move(*value);
    }
    const QJsonValue enabled = object.value(QLatin1String("enabled"));
    if (!enabled.isBool())
        return std::nullopt;

    std::optional<KeyData> keyData;
    const QJsonValue keyValue = object.value(QLatin1String("keyData"));
    if (!keyValue.isUndefined() && !keyValue.isNull()) {
        if (!keyValue.isObject())
            return std::nullopt;
        keyData = KeyData::fromJson(keyValue.toObject());
        if (!keyData)
            return std::nullopt;
    }
    return PluginDataItem(fields[0], fields[1], fields[2], fields[3], enabled.toBool(), fields[4],
                          std::move(keyData));
}

} // namespace tavolin
