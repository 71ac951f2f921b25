#pragma once

#include "common/HotkeyBinder.h"

namespace tavolin {

// The HotkeyGrabber of a Wayland session. There the desktop delivers the palette's shortcuts (its own key
// binding of `tavolin --show`, or the GlobalShortcuts portal), and a grab through Xwayland only adds the
// presses made over X applications. So a grab Xwayland refuses (no X display, a key its keymap lacks, a
// combination another X client holds) is logged and taken as done: it must not turn the user's choice of
// key back, which the desktop is asked to bind.
//
// Ownership: `x11` is not owned and must outlive this object. Threads: main thread, as HotkeyGrabber.
class WaylandSessionGrabber final : public HotkeyGrabber
{
public:
    explicit WaylandSessionGrabber(HotkeyGrabber &x11) : m_x11(x11) {}

    Result<void> grab(const Shortcut &shortcut, PressCallback onPress) override;
    void ungrab(const Shortcut &shortcut) override;

private:
    HotkeyGrabber &m_x11;
};

} // namespace tavolin
