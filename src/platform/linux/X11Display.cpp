#include "platform/linux/X11Display.h"
#include "common/Mutex.h"

#include <X11/Xlib.h>

namespace tavolin::x11 {
namespace {

Mutex g_trapMutex;                  // held for the whole life of a trap
Display *g_trapDisplay GUARDED_BY(g_trapMutex) = nullptr;
int g_trapError GUARDED_BY(g_trapMutex) = 0;
XErrorHandler g_previousHandler GUARDED_BY(g_trapMutex) = nullptr;

// Runs on the thread that called into Xlib, which holds g_trapMutex for the connection it traps. The
// trap's lock spans its constructor to its destructor, which the analysis cannot follow: the handler and
// the trap's own functions are left out of it.
int trapHandler(Display *display, XErrorEvent *event) NO_THREAD_SAFETY_ANALYSIS
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

ErrorTrap::ErrorTrap(Display *display) NO_THREAD_SAFETY_ANALYSIS : m_display(display)
{
    g_trapMutex.lock();
    XSync(display, False); // errors of earlier requests belong to no trap
    g_trapDisplay = display;
    g_trapError = 0;
    g_previousHandler = XSetErrorHandler(trapHandler);
}

ErrorTrap::~ErrorTrap() NO_THREAD_SAFETY_ANALYSIS
{
    XSync(m_display, False);
    XSetErrorHandler(g_previousHandler);
    g_trapDisplay = nullptr;
    g_previousHandler = nullptr;
    g_trapMutex.unlock();
}

int ErrorTrap::sync() NO_THREAD_SAFETY_ANALYSIS
{
    XSync(m_display, False);
    return g_trapError;
}

} // namespace tavolin::x11
