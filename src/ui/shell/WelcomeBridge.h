#pragma once

#include "common/ShortcutValidator.h"

#include <QJsonValue>
#include <QString>

#include <functional>

namespace tavolin {

class SettingsDomain;

// What the welcome page may ask of the program, as three named messages:
//   "close"   – close the welcome window (body ignored);
//   "setting" – {"key": "startOnLogin" | "sendData", "value": bool}: stores the bool (a missing or
//               non-bool value stores false); other keys and bodies that are not objects change nothing;
//   "hotkey"  – {"key": key name, "modifiers": [modifier symbols]}: when the combination is a valid
//               shortcut, stores it as the palette shortcut (its stored form and its text); else nothing.
// Unknown messages are ignored. Main thread; the settings domain must outlive the bridge.
class WelcomeBridge
{
public:
    WelcomeBridge(SettingsDomain &settings, std::function<void()> close);

    // True when the message changed something or closed the window.
    bool handleMessage(const QString &name, const QJsonValue &body);

private:
    bool setting(const QJsonValue &body);
    bool hotkey(const QJsonValue &body);

    SettingsDomain &m_settings;
    std::function<void()> m_close;
    const ShortcutValidator m_validator; // Option-only combinations are refused here
};

} // namespace tavolin
