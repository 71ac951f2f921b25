#include "ui/shell/WelcomeBridge.h"

#include "common/KeyCodeHelper.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonObject>

namespace tavolin {

WelcomeBridge::WelcomeBridge(SettingsDomain &settings, std::function<void()> close)
    : m_settings(settings), m_close(std::move(close))
{
}

bool WelcomeBridge::handleMessage(const QString &name, const QJsonValue &body)
{
    if (name == QLatin1String("close")) {
        if (m_close)
            m_close();
        return true;
    }
    if (name == QLatin1String("setting"))
        return setting(body);
    if (name == QLatin1String("hotkey"))
        return hotkey(body);
    return false;
}

bool WelcomeBridge::setting(const QJsonValue &body)
{
    if (!body.isObject())
        return false;
    const QJsonObject object = body.toObject();
    const QString key = object.value(QStringLiteral("key")).toString();
    if (key != settings::kStartOnLogin && key != settings::kSendData)
        return false;
    const QJsonValue value = object.value(QStringLiteral("value"));
    return m_settings.setValue(key, value.isBool() && value.toBool());
}

bool WelcomeBridge::hotkey(const QJsonValue &body)
{
    if (!body.isObject())
        return false;
    const QJsonObject object = body.toObject();
    std::optional<QString> key;
    if (object.value(QStringLiteral("key")).isString())
        key = object.value(QStringLiteral("key")).toString();
    std::optional<QStringList> modifiers;
    if (object.value(QStringLiteral("modifiers")).isArray()) {
        QStringList symbols;
        for (const QJsonValue &symbol : object.value(QStringLiteral("modifiers")).toArray())
            symbols.append(symbol.toString());
        modifiers = symbols;
    }
    const std::optional<Shortcut> shortcut = KeyCodeHelper::data2Shortcut(key, modifiers, m_validator);
    if (!shortcut)
        return false;
    const QJsonValue stored = KeyCodeHelper::serializeShortcut(*shortcut);
    if (stored.isUndefined())
        return false;
    m_settings.setValue(settings::kPaletteShortcutString, shortcut->description());
    m_settings.setValue(settings::kPaletteShortcut, stored);
    return true;
}

} // namespace tavolin
