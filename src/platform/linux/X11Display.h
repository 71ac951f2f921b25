#pragma once

#include <QByteArray>

#include <memory>

typedef struct _XDisplay Display;

namespace tavolin::x11 {

// One Xlib connection of our own, closed with the object. Xlib is not used from several threads on one
// connection here: each user (focus query, hot key grabber, key poster) owns its connection and uses it
// from one thread at a time.
class Connection
{
public:
    // Opens `displayName` (empty: $DISPLAY). Null when no X server answers (no display, Wayland-only).
    static std::unique_ptr<Connection> open(const QByteArray &displayName = {});
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    Display *display() const { return m_display; }
    unsigned long root() const;

private:
    explicit Connection(Display *display) : m_display(display) {}
    Display *m_display;
};

// Catches the X errors of the requests made while it lives, instead of Xlib's default handler, which
// prints and exits the process. The error handler is process-wide, so traps are serialised by a global
// mutex and the previous handler is restored at the end; errors of other connections arriving meanwhile
// are passed to the previous handler.
//
// Usage:  ErrorTrap trap(dpy); XGrabKey(...); if (int code = trap.sync()) ... BadAccess ...
class ErrorTrap
{
public:
    explicit ErrorTrap(Display *display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    // Waits until the server has processed every request so far; returns the first error code caught on
    // this connection since the trap began (0: none). Later calls keep reporting that first error.
    int sync();

private:
    Display *m_display;
};

} // namespace tavolin::x11
