#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace tavolin::x11 {

// The application window that has the keyboard focus and the process behind it.
struct FocusedWindow
{
    unsigned long window = 0; // the top-level client window (the one carrying WM_STATE / _NET_WM_PID)
    int32_t pid = 0;          // 0 when neither _NET_WM_PID nor the X Resource extension tells

    bool operator==(const FocusedWindow &other) const = default;
};

// Finds the focused application window: _NET_ACTIVE_WINDOW when a window manager advertises
// _NET_SUPPORTING_WM_CHECK; otherwise XGetInputFocus walked to its client window, or the window under the
// pointer when focus follows the pointer (a fresh server without a window manager). None when no client
// window has the focus. Read it before our own panel takes the focus.
// Thread: the caller's; `display` must not be used by another thread meanwhile.
std::optional<FocusedWindow> focusedWindow(Display *display);

// The process of a client window: _NET_WM_PID, else the X Resource extension's client pid; 0 when unknown.
int32_t windowPid(Display *display, unsigned long window);

// The client window at or below `window` (the window itself, a descendant carrying WM_STATE or _NET_WM_PID,
// or an ancestor below the root that does); 0 when none.
unsigned long clientWindow(Display *display, unsigned long window);

// Whether a window manager that follows the extended hints runs (its check window points to itself).
bool hasEwmhWindowManager(Display *display);

// Asks the window manager to activate `window` (_NET_ACTIVE_WINDOW client message, source "application");
// without a window manager the input focus is set directly. Returns false when the request failed.
bool activateWindow(Display *display, unsigned long window);

// WM_CLASS of a window as "instance", "class"; empty strings when absent.
struct WindowClass
{
    std::optional<std::string> instance;
    std::optional<std::string> className;
};
WindowClass windowClass(Display *display, unsigned long window);

} // namespace tavolin::x11

namespace tavolin::x11 {

// The client windows of process `pid` that are mapped, bottom of the stack first.
std::vector<unsigned long> clientWindowsOf(Display *display, int32_t pid);

} // namespace tavolin::x11
