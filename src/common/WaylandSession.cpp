#include "common/WaylandSession.h"

#include <QCoreApplication>

namespace tavolin {

bool isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

QString compositorBindingAdvice(const QString &shortcut)
{
    // sway spells keys in lower case joined by "+", as its configuration does.
    const QString swayKeys = shortcut.toLower().replace(QLatin1Char(' '), QLatin1Char('_'));
    return QCoreApplication::translate(
               "WaylandSession",
               "On Wayland, programs cannot take a shortcut for the whole desktop. Bind %1 to the command "
               "\"tavolin --show\" yourself:\n"
               "GNOME: Settings > Keyboard > Keyboard Shortcuts > Custom Shortcuts.\n"
               "KDE Plasma: System Settings > Shortcuts > Add New > Command or Script.\n"
               "sway: add \"bindsym %2 exec tavolin --show\" to ~/.config/sway/config.")
        .arg(shortcut, swayKeys);
}

} // namespace tavolin
