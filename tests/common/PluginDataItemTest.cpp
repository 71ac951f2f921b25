#include "common/PluginDataItem.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

// A valid record's JSON with one key replaced (or removed when `value` is Undefined).
QString recordWith(const QString &key, const QJsonValue &value)
{
    QJsonObject object{
        {QStringLiteral("app"), QStringLiteral("mousepad.app")},
        {QStringLiteral("label"), QStringLiteral("Copy Path")},
        {QStringLiteral("enLabel"), QStringLiteral("")},
        {QStringLiteral("entry"), QStringLiteral("mousepad - Copy Path.sh")},
        {QStringLiteral("enabled"), true},
        {QStringLiteral("group"), QStringLiteral("")},
    };
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString validRecord()
{
    return recordWith(QStringLiteral("label"), QStringLiteral("Copy Path"));
}

// Two records: a valid one first, so only the second can spoil the list.
QString listWith(const QString &second)
{
    return QLatin1Char('[') + validRecord() + QLatin1Char(',') + second + QLatin1Char(']');
}

TEST(PluginDataItem, ListRoundTripsWithAndWithoutShortcut)
{
    const QList<PluginDataItem> records{
        PluginDataItem(QStringLiteral("mousepad.app"), QStringLiteral("Pfad kopieren"), QStringLiteral("Copy Path"),
                       QStringLiteral("bundle.pext/run.py"), false, QStringLiteral("Files"),
                       KeyData(QStringLiteral("C"), 0, keymask::kShift)),
        PluginDataItem(QStringLiteral("mousepad.app"), QStringLiteral("Скопировать «путь»"),
                       QStringLiteral("quote \" and \\ slash.sh")),
        PluginDataItem(QStringLiteral("mousepad.app"), QStringLiteral("By code"), QString(), QStringLiteral("x.sh"),
                       true, QString(), KeyData(std::nullopt, 122, 8)),
    };
    const QString text = PluginDataItem::jsonFromArray(records);
    EXPECT_EQ(PluginDataItem::arrayFromJSON(text), records);
    EXPECT_EQ(PluginDataItem::jsonFromArray({}), QStringLiteral("[]"));
}

TEST(PluginDataItem, SingleRecordJsonHasEveryKeyAndKeyDataOnlyWhenSet)
{
    PluginDataItem item(QStringLiteral("all"), QStringLiteral("Say Hi"), QStringLiteral("hi.sh"));
    QJsonObject object = QJsonDocument::fromJson(item.toJson().toUtf8()).object();
    EXPECT_EQ(object.keys(), (QStringList{QStringLiteral("app"), QStringLiteral("enLabel"), QStringLiteral("enabled"),
                                          QStringLiteral("entry"), QStringLiteral("group"), QStringLiteral("label")}));
    EXPECT_TRUE(object.value(QLatin1String("enabled")).isBool());

    item.keyData = KeyData(QStringLiteral("Space"), 0, 14);
    object = QJsonDocument::fromJson(item.toJson().toUtf8()).object();
    const QJsonObject keyData = object.value(QLatin1String("keyData")).toObject();
    EXPECT_EQ(keyData.value(QLatin1String("cmdChar")).toString(), QStringLiteral("Space"));
    EXPECT_EQ(keyData.value(QLatin1String("modifierFlags")).toInteger(), 14);
    EXPECT_EQ(PluginDataItem::fromJsonObject(object), item);
}

struct AcceptRow
{
    const char *name;
    QString record;
};

TEST(PluginDataItem, LenientWhereTheFormatAllows)
{
    const AcceptRow rows[] = {
        {"null keyData is no shortcut", recordWith(QStringLiteral("keyData"), QJsonValue(QJsonValue::Null))},
        {"unknown keys ignored", recordWith(QStringLiteral("extra"), 42)},
        {"keyData without character", recordWith(QStringLiteral("keyData"),
                                                  QJsonObject{{QStringLiteral("virtualKey"), 96},
                                                              {QStringLiteral("modifierFlags"), 8}})},
        {"keys in another order", QStringLiteral(R"({"group":"","enabled":false,"entry":"e","enLabel":"",)"
                                                 R"("label":"l","app":"all"})")},
    };
    for (const AcceptRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PluginDataItem::arrayFromJSON(listWith(row.record)).size(), 2);
    }
}

TEST(PluginDataItem, OneInvalidRecordSpoilsTheList)
{
    const QJsonValue absent(QJsonValue::Undefined);
    const AcceptRow rows[] = {
        {"group missing", recordWith(QStringLiteral("group"), absent)},
        {"app missing", recordWith(QStringLiteral("app"), absent)},
        {"enLabel missing", recordWith(QStringLiteral("enLabel"), absent)},
        {"enabled missing", recordWith(QStringLiteral("enabled"), absent)},
        {"label is a number", recordWith(QStringLiteral("label"), 7)},
        {"entry is null", recordWith(QStringLiteral("entry"), QJsonValue(QJsonValue::Null))},
        {"enabled as text", recordWith(QStringLiteral("enabled"), QStringLiteral("true"))},
        {"enabled as number", recordWith(QStringLiteral("enabled"), 1)},
        {"keyData is text", recordWith(QStringLiteral("keyData"), QStringLiteral("cmd+p"))},
        {"keyData without virtualKey",
         recordWith(QStringLiteral("keyData"), QJsonObject{{QStringLiteral("modifierFlags"), 1}})},
        {"keyData character is a number",
         recordWith(QStringLiteral("keyData"), QJsonObject{{QStringLiteral("cmdChar"), 5},
                                                           {QStringLiteral("virtualKey"), 0},
                                                           {QStringLiteral("modifierFlags"), 1}})},
        {"element is not an object", QStringLiteral("42")},
        {"element is a list", QStringLiteral("[]")},
    };
    for (const AcceptRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(PluginDataItem::arrayFromJSON(listWith(row.record)).isEmpty());
    }
}

TEST(PluginDataItem, TextThatIsNotAListReadsAsEmpty)
{
    const AcceptRow rows[] = {
        {"garbage", QStringLiteral("not json")},
        {"unterminated", QStringLiteral("[{")},
        {"trailing comma", QLatin1Char('[') + validRecord() + QStringLiteral(",]")},
        {"trailing garbage", QLatin1Char('[') + validRecord() + QStringLiteral("]x")},
        {"single object, not a list", validRecord()},
        {"a string", QStringLiteral("\"[]\"")},
        {"null", QStringLiteral("null")},
        {"empty", QString()},
    };
    for (const AcceptRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(PluginDataItem::arrayFromJSON(row.record).isEmpty());
    }
}

} // namespace
} // namespace tavolin
