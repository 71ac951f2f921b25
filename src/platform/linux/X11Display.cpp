#include "platform/linux/X11Display.h"

#include <X11/Xlib.h>

#include <mutex>

namespace tavolin::x11 {
namespace {

std::mutex g_trapMutex;                  // held for the whole life of a trap
Display *g_trapDisplay = nullptr;        // guarded by g_trapMutex
int g_trapError = 0;                     // guarded by g_trapMutex
XErrorHandler g_previousHandler = nullptr; // guarded by g_trapMutex

// Runs on the thread that called into Xlib, which holds g_trapMutex for the connection it traps.
int trapHandler(Display *display, XErrorEvent *event)
{
    if (display == g_trapDisplay) {
        if (g_trapError == 0)
            g_trapError = event->error_code;
        return 0;
    }
    return g_previousHandler ? g_previousHandler(display, event) : 0;
}

} // namespace

std::unique_ptr<Connection> Connection::open(const QByteArray &displayName)
{
    Display *display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (display == nullptr)
        return nullptr;
    return std::unique_ptr<Connection>(new Connection(display));
}

Connection::~Connection()
{
    XCloseDisplay(m_display);
}

unsigned long Connection::root() const
{
    return DefaultRootWindow(m_display);
}

ErrorTrap::ErrorTrap(Display *display) : m_display(display)
{
    g_trapMutex.lock();
    XSync(display, False); // errors of earlier requests belong to no trap
    g_trapDisplay = display;
    g_trapError = 0;
    g_previousHandler = XSetErrorHandler(trapHandler);
}

ErrorTrap::~ErrorTrap()
{
    XSync(m_display, False);
    XSetErrorHandler(g_previousHandler);
    g_trapDisplay = nullptr;
    g_previousHandler = nullptr;
    g_trapMutex.unlock();
}

int ErrorTrap::sync()
{
    XSync(m_display, False);
    return g_trapError;
}

} // namespace tavolin::x11
