#pragma once

#include <QString>

namespace tavolin {

// Whether this desktop session runs on a Wayland compositor (WAYLAND_DISPLAY, or XDG_SESSION_TYPE
// "wayland"), even when Xwayland gives it an X display too. There no program can grab keys for the whole
// desktop nor type into another program's window: the compositor binds the palette shortcut itself.
bool isWaylandSession();

// What a person does to get the palette on `shortcut` ("Ctrl+Shift+P") in a Wayland session: bind the
// command `tavolin --show` to it on GNOME, KDE Plasma or sway. Translated (context "WaylandSession").
QString compositorBindingAdvice(const QString &shortcut);

} // namespace tavolin
