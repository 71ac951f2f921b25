#include "ui/shell/PortalHotkeys.h"

#include "common/DefaultRules.h"
#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/Log.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/WaylandSession.h"
#include "files/QuickOpenConfig.h"
#include "platform/linux/PortalTrigger.h"

#include <QCoreApplication>
#include <QJsonValue>

namespace tavolin {
namespace {

const QString kPaletteId = QString(settings::kPaletteShortcut);
const QString kOpenId = QString(settings::kOpenShortcut);

Shortcut storedOr(const SettingsDomain &settings, const QString &key, const Shortcut &fallback)
{
    return KeyCodeHelper::deserializeShortcut(settings.value(key)).value_or(fallback);
}

QString describeTriggers(const GlobalShortcutsPortal::Triggers &triggers)
{
    QStringList parts;
    for (auto it = triggers.begin(); it != triggers.end(); ++it)
        parts << QStringLiteral("%1 with \"%2\"").arg(it.key(), it.value().isEmpty() ? QStringLiteral("no key yet") : it.value());
    return parts.isEmpty() ? QStringLiteral("no shortcut reported") : parts.join(QStringLiteral(", "));
}

} // namespace

PortalHotkeys::PortalHotkeys(SettingsDomain &settings, Actions actions, int callTimeoutMs, int bindTimeoutMs,
                             QObject *parent)
    : QObject(parent), m_settings(settings), m_actions(std::move(actions)), m_portal(callTimeoutMs, bindTimeoutMs)
{
    connect(&m_portal, &GlobalShortcutsPortal::bound, this, &PortalHotkeys::onBound);
    connect(&m_portal, &GlobalShortcutsPortal::unavailable, this, &PortalHotkeys::onUnavailable);
    connect(&m_portal, &GlobalShortcutsPortal::activated, this, &PortalHotkeys::onActivated);
    connect(&m_portal, &GlobalShortcutsPortal::triggersChanged, this, [this](const GlobalShortcutsPortal::Triggers &triggers) {
        log::info(QStringLiteral("hot keys: the desktop changed the portal's triggers: %1").arg(describeTriggers(triggers)));
        if (triggers.contains(kPaletteId))
            storeDesktopTrigger(triggers.value(kPaletteId));
    });
    connect(&m_settings, &SettingsDomain::valueChanged, this, &PortalHotkeys::onSettingChanged);
}

void PortalHotkeys::start()
{
    if (m_started || !isWaylandSession())
        return;
    m_started = true;
    m_asked = wantedEntries();
    m_portal.bind(m_asked);
}

QList<GlobalShortcutsPortal::Entry> PortalHotkeys::wantedEntries() const
{
    const Shortcut palette = storedOr(m_settings, kPaletteId, DefaultRules::paletteShortcut());
    const Shortcut open = storedOr(m_settings, kOpenId, QuickOpenConfig::defaultHotkey());
    return {{kPaletteId, QCoreApplication::translate("PortalHotkeys", "Show the command palette"), portalTriggerFor(palette)},
            {kOpenId, QCoreApplication::translate("PortalHotkeys", "Quick open: the focused application's files"),
             portalTriggerFor(open)}};
}

void PortalHotkeys::onSettingChanged(const QString &key)
{
    if (!m_started || (key != kPaletteId && key != kOpenId))
        return;
    QList<GlobalShortcutsPortal::Entry> wanted = wantedEntries();
    const bool same = std::equal(wanted.begin(), wanted.end(), m_asked.begin(), m_asked.end(),
                                 [](const auto &a, const auto &b) { return a.id == b.id && a.trigger == b.trigger; });
    if (same)
        return;
    m_asked = wanted;
    m_portal.bind(std::move(wanted));
}

void PortalHotkeys::onBound(uint version, const GlobalShortcutsPortal::Triggers &triggers)
{
    QStringList asked;
    for (const GlobalShortcutsPortal::Entry &entry : std::as_const(m_asked))
        asked << QStringLiteral("%1 (%2)").arg(entry.id, entry.trigger.value_or(QStringLiteral("any key")));
    log::info(QStringLiteral("hot keys: bound %1 through the GlobalShortcuts portal (version %2); the desktop "
                             "triggers %3")
                  .arg(asked.join(QStringLiteral(" and ")))
                  .arg(version)
                  .arg(describeTriggers(triggers)));
    storeDesktopTrigger(triggers.value(kPaletteId));
}

// Where the preferences show it; an empty trigger (none reported, no portal) removes it.
void PortalHotkeys::storeDesktopTrigger(const QString &trigger)
{
    const QString key = QString(settings::kPaletteShortcutDesktopTrigger);
    if (trigger.isEmpty() ? !m_settings.contains(key) : m_settings.stringValue(key) == trigger)
        return;
    m_settings.setValue(key, trigger.isEmpty() ? QJsonValue(QJsonValue::Undefined) : QJsonValue(trigger));
}

void PortalHotkeys::onUnavailable(const QString &why)
{
    log::info(QStringLiteral("hot keys: Wayland session: %1, so the compositor must run \"tavolin --show\" on %2 "
                             "(grabs through Xwayland reach X applications only)")
                  .arg(why, paletteKeys()));
    storeDesktopTrigger(QString());
}

void PortalHotkeys::onActivated(const QString &id)
{
    log::debug(QStringLiteral("hot keys: the portal activated %1").arg(id));
    if (id == kPaletteId && m_actions.showPalette)
        m_actions.showPalette();
    else if (id == kOpenId && m_actions.quickOpen)
        m_actions.quickOpen();
}

QString PortalHotkeys::paletteKeys() const
{
    return KeyData::keyDataFromShortcut(storedOr(m_settings, kPaletteId, DefaultRules::paletteShortcut())).displayText();
}

} // namespace tavolin
