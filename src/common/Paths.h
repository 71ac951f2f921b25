#pragma once

#include <QString>

namespace tavolin::paths {

// Where Tavolin keeps its files, following the XDG base directories (read from the environment on every
// call, so tests may point them at temporary folders).

// $XDG_DATA_HOME/Tavolin (default ~/.local/share/Tavolin): databases and the extension folder.
QString dataDir();
// $XDG_CONFIG_HOME/tavolin (default ~/.config/tavolin): one settings file per domain.
QString configDir();

} // namespace tavolin::paths
