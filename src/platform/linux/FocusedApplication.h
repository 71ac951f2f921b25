#pragma once

#include <cstdint>

namespace tavolin {

class AtspiThread;

// The process of the focused application, the one the palette serves.
//
// On X11 (no WAYLAND_DISPLAY): the X11 focus window's process (x11::focusedWindow), as always; only when the
// display names no client with a process, the application whose window carries the AT-SPI ACTIVE state.
// In a Wayland session the display server cannot tell (a native window focused while Xwayland runs leaves
// the X focus on nothing, or on an X window under the pointer), so the ACTIVE state comes first and the X11
// focus is the fallback for a compositor whose applications do not report it.
// The caller's own windows never count for the ACTIVE state. 0 when nothing tells. Bounded by `timeoutMs` on the bus.
// Threads: any but the libatspi thread (the AT-SPI part runs on `thread`).
int32_t focusedApplicationPid(AtspiThread &thread, int timeoutMs);

} // namespace tavolin
