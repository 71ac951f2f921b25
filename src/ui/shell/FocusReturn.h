#pragma once

#include <QList>
#include <QRect>

#include <cstdint>
#include <memory>
#include <optional>

namespace tavolin {

namespace x11 {
class Connection;
}

// Gives the keyboard focus back to the window the palette was called over when the panel hides, and
// tells which screen that window is on. X11 through its own connection; without an X server (a Wayland
// session) every call does nothing and no frame is known.
//
// Threads: main thread.
class FocusReturn
{
public:
    FocusReturn();
    ~FocusReturn();
    FocusReturn(const FocusReturn &) = delete;
    FocusReturn &operator=(const FocusReturn &) = delete;

    // Notes the focused window, unless it is one of this program's (the panel itself).
    void remember();
    // Activates the noted window again through the window manager, unless the focus has moved to another
    // program's window meanwhile (the user clicked elsewhere: that choice stands).
    void restore();
    // The frame of the screen holding the noted window; none when nothing is noted or it is gone.
    std::optional<QRect> screenFrame() const;

    // The screen (among `screens`) holding the centre of `window`, else the one it overlaps most; none
    // when it overlaps none. Pure.
    static std::optional<QRect> screenFor(const QRect &window, const QList<QRect> &screens);
    // Whether restore() should activate `remembered` when `focusedPid` (0: unknown) has the focus now.
    static bool shouldRestore(unsigned long remembered, int32_t focusedPid, int32_t ownPid);

private:
    std::unique_ptr<x11::Connection> m_connection;
    unsigned long m_window = 0;
};

} // namespace tavolin
