#pragma once

#include <QString>

namespace tavolin::paths {

// Where Tavolin keeps its files, following the XDG base directories (read from the environment on every
// call, so tests may point them at temporary folders).

// $XDG_DATA_HOME/Tavolin (default ~/.local/share/Tavolin): databases and the extension folder.
QString dataDir();
// $XDG_CONFIG_HOME/tavolin (default ~/.config/tavolin): one settings file per domain.
QString configDir();
// $XDG_CACHE_HOME/tavolin (default ~/.cache/tavolin): what can be computed again, kept to save the time.
QString cacheDir();
// $XDG_STATE_HOME/tavolin (default ~/.local/state/tavolin): what programs remember between runs that is no
// setting (where a window was left).
QString stateDir();

// A short name for the desktop session this process belongs to: a digest of its display ($DISPLAY,
// $WAYLAND_DISPLAY) and session bus address, the same for every program the session starts. Two sessions
// of one user (a local and a remote desktop, a test run beside a desktop) get different names.
QString sessionKey();

} // namespace tavolin::paths
