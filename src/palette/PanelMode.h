#pragma once

namespace tavolin {

// Which list the panel shows. The order is meaningful: code compares modes (below SelfOptions means a mode
// that lists the target application's things).
enum class PanelMode { CommandPalette, QuickOpen, SelfOptions };

} // namespace tavolin
