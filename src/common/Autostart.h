#pragma once

#include <QString>

namespace tavolin {

// Start at login through the XDG autostart folder: $XDG_CONFIG_HOME/autostart/tavolin.desktop (default
// ~/.config/autostart). Both programs write it: whichever runs when "startOnLogin" changes, and the palette
// again at each start, so a change made while it was not running still takes. Threads: main thread.
// Failures are returned (and only logged by callers).
namespace autostart {

QString entryPath();
// Writes (enabled) or removes the entry; `executable` is the program to start. True on success
// (removing an absent entry succeeds).
bool setEnabled(bool enabled, const QString &executable);
bool isEnabled();

} // namespace autostart
} // namespace tavolin
