#pragma once

#include "platform/linux/GlobalShortcutsPortal.h"

#include <QObject>

#include <functional>

namespace tavolin {

class SettingsDomain;

// The palette's two shortcuts in a Wayland session, where no program can grab keys for the whole desktop:
// "palette_shortcut" and "open_shortcut" are bound through the GlobalShortcuts portal when the desktop
// offers it, each asking for the combination stored under its settings key, and bound again when either
// key changes. Without the portal (or when it fails or does not answer) one log line says so and what to
// bind in the compositor instead: `tavolin --show` keeps working either way. The trigger the desktop reports
// for the palette shortcut is kept under settings::kPaletteShortcutDesktopTrigger, where the preferences
// show it.
//
// Ownership: the settings domain is not owned and must outlive this object.
// Threads: main thread.
class PortalHotkeys final : public QObject
{
    Q_OBJECT
public:
    struct Actions
    {
        std::function<void()> showPalette; // as `tavolin --show` does
        std::function<void()> quickOpen;   // as quick open's own shortcut does
    };

    // Times are the portal client's bounds (GlobalShortcutsPortal).
    PortalHotkeys(SettingsDomain &settings, Actions actions, int callTimeoutMs, int bindTimeoutMs,
                  QObject *parent = nullptr);

    // Starts binding; does nothing outside a Wayland session.
    void start();

private:
    QList<GlobalShortcutsPortal::Entry> wantedEntries() const;
    void onSettingChanged(const QString &key);
    void onBound(uint version, const GlobalShortcutsPortal::Triggers &triggers);
    void onUnavailable(const QString &why);
    void onActivated(const QString &id);
    void storeDesktopTrigger(const QString &trigger);
    QString paletteKeys() const;

    SettingsDomain &m_settings;
    Actions m_actions;
    GlobalShortcutsPortal m_portal;
    QList<GlobalShortcutsPortal::Entry> m_asked; // what the last bind() asked for
    bool m_started = false;
};

} // namespace tavolin
