#include "common/BoundShortcutText.h"

#include "common/HotkeyBinder.h"
#include "common/SettingsDomain.h"

#include <optional>

namespace tavolin {

BoundShortcutText::BoundShortcutText(SettingsDomain &settings, HotkeyBinder &binder, QString shortcutKey,
                                     QString textKey, QObject *parent)
    : QObject(parent), m_settings(settings), m_binder(binder), m_shortcutKey(std::move(shortcutKey)),
      m_textKey(std::move(textKey))
{
    connect(&m_binder, &HotkeyBinder::boundShortcutChanged, this, [this](const QString &key) {
        if (key == m_shortcutKey)
            update();
    });
    // A write of either key: a stale text written by someone else is replaced. When the binder registers a
    // new shortcut on the same notice, boundShortcutChanged brings the text up to date again.
    connect(&m_settings, &SettingsDomain::valueChanged, this, [this](const QString &key) {
        if (key == m_shortcutKey || key == m_textKey)
            update();
    });
    update();
}

void BoundShortcutText::update()
{
    const std::optional<Shortcut> bound = m_binder.shortcutForKey(m_shortcutKey);
    const QJsonValue wanted = bound ? QJsonValue(bound->description()) : QJsonValue(QJsonValue::Undefined);
    if (m_settings.value(m_textKey) != wanted)
        m_settings.setValue(m_textKey, wanted);
}

} // namespace tavolin
