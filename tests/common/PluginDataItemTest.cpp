#include "common/PluginDataItem.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

// A valid record's JSON with one key replaced (or removed when `value` is Undefined).
QString recordWith(const QString &key, const QJsonValue &value)
{
    QJsonObject object{{u"app"_qs, u"mousepad.app"_qs}, {u"label"_qs, u"Copy Path"_qs}, {u"enLabel"_qs, u""_qs},
                       {u"entry"_qs, u"mousepad - Copy Path.sh"_qs}, {u"enabled"_qs, true}, {u"group"_qs, u""_qs}};
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

const QString kValid = recordWith(u"label"_qs, u"Copy Path"_qs);

// Two records: a valid one first, so only the second can spoil the list.
QString listWith(const QString &second) { return QLatin1Char('[') + kValid + QLatin1Char(',') + second + QLatin1Char(']'); }

TEST(PluginDataItem, ListRoundTripsWithAndWithoutShortcut)
{
    const QList<PluginDataItem> records{
        PluginDataItem(u"mousepad.app"_qs, u"Pfad kopieren"_qs, u"Copy Path"_qs, u"bundle.pext/run.py"_qs, false, u"Files"_qs,
                       KeyData(u"C"_qs, 0, keymask::kShift)),
        PluginDataItem(u"mousepad.app"_qs, u"Скопировать «путь»"_qs, u"quote \" and \\ slash.sh"_qs),
        PluginDataItem(u"mousepad.app"_qs, u"By code"_qs, QString(), u"x.sh"_qs, true, QString(), KeyData(std::nullopt, 122, 8)),
    };
    EXPECT_EQ(PluginDataItem::arrayFromJSON(PluginDataItem::jsonFromArray(records)), records);
    EXPECT_EQ(PluginDataItem::jsonFromArray({}), u"[]"_qs);
}

TEST(PluginDataItem, SingleRecordJsonHasEveryKeyAndKeyDataOnlyWhenSet)
{
    PluginDataItem item(u"all"_qs, u"Say Hi"_qs, u"hi.sh"_qs);
    QJsonObject object = QJsonDocument::fromJson(item.toJson().toUtf8()).object();
    EXPECT_EQ(object.keys(), (QStringList{u"app"_qs, u"enLabel"_qs, u"enabled"_qs, u"entry"_qs, u"group"_qs, u"label"_qs}));
    EXPECT_TRUE(object.value(QLatin1String("enabled")).isBool());

    item.keyData = KeyData(u"Space"_qs, 0, 14);
    object = QJsonDocument::fromJson(item.toJson().toUtf8()).object();
    EXPECT_EQ(KeyData::fromJson(object.value(QLatin1String("keyData")).toObject()), item.keyData);
    EXPECT_EQ(PluginDataItem::fromJsonObject(object), item);
}

// Lenient where the format allows; otherwise one invalid record spoils the whole list.
TEST(PluginDataItem, ListReadsWholeOrNotAtAll)
{
    const QJsonValue absent(QJsonValue::Undefined);
    const struct { const char *name; QString text; int records; } rows[] = {
        {"null keyData is no shortcut", listWith(recordWith(u"keyData"_qs, QJsonValue::Null)), 2},
        {"unknown keys ignored", listWith(recordWith(u"extra"_qs, 42)), 2},
        {"keyData without character",
         listWith(recordWith(u"keyData"_qs, QJsonObject{{u"virtualKey"_qs, 96}, {u"modifierFlags"_qs, 8}})), 2},
        {"keys in another order", listWith(uR"({"group":"","enabled":false,"entry":"e","enLabel":"","label":"l","app":"all"})"_qs), 2},

        {"group missing", listWith(recordWith(u"group"_qs, absent)), 0},
        {"app missing", listWith(recordWith(u"app"_qs, absent)), 0},
        {"enLabel missing", listWith(recordWith(u"enLabel"_qs, absent)), 0},
        {"enabled missing", listWith(recordWith(u"enabled"_qs, absent)), 0},
        {"label is a number", listWith(recordWith(u"label"_qs, 7)), 0},
        {"entry is null", listWith(recordWith(u"entry"_qs, QJsonValue::Null)), 0},
        {"enabled as text", listWith(recordWith(u"enabled"_qs, u"true"_qs)), 0},
        {"enabled as number", listWith(recordWith(u"enabled"_qs, 1)), 0},
        {"keyData is text", listWith(recordWith(u"keyData"_qs, u"cmd+p"_qs)), 0},
        {"keyData without virtualKey", listWith(recordWith(u"keyData"_qs, QJsonObject{{u"modifierFlags"_qs, 1}})), 0},
        {"keyData character is a number",
         listWith(recordWith(u"keyData"_qs, QJsonObject{{u"cmdChar"_qs, 5}, {u"virtualKey"_qs, 0}, {u"modifierFlags"_qs, 1}})), 0},
        {"element is not an object", listWith(u"42"_qs), 0},
        {"element is a list", listWith(u"[]"_qs), 0},

        {"garbage", u"not json"_qs, 0},
        {"unterminated", u"[{"_qs, 0},
        {"trailing comma", QLatin1Char('[') + kValid + u",]"_qs, 0},
        {"trailing garbage", QLatin1Char('[') + kValid + u"]x"_qs, 0},
        {"single object, not a list", kValid, 0},
        {"a string", u"\"[]\""_qs, 0},
        {"null", u"null"_qs, 0},
        {"empty", QString(), 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(PluginDataItem::arrayFromJSON(row.text).size(), row.records) << row.name;
}

} // namespace
} // namespace tavolin
