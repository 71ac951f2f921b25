#include "platform/linux/X11KeyPoster.h"

#include "common/Log.h"
#include "common/Mutex.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11Focus.h"
#include "platform/linux/X11Keys.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace tavolin {

namespace {
constexpr std::chrono::milliseconds kActivationBound(300);
}

X11KeyPoster::X11KeyPoster(const QByteArray &displayName) : m_connection(x11::Connection::open(displayName)) {}

X11KeyPoster::~X11KeyPoster() = default;

Result<void> X11KeyPoster::post(int32_t pid, const Shortcut &shortcut)
{
    MutexLocker lock(m_mutex);
    if (!m_connection)
        return Result<void>::failure(QStringLiteral("there is no X display"));
    Display *display = m_connection->display();
    const std::vector<unsigned long> windows = x11::clientWindowsOf(display, pid);
    if (windows.empty())
        return Result<void>::failure(QStringLiteral("process %1 has no window").arg(pid));
    const auto ownsFocus = [&](std::optional<x11::FocusedWindow> focused) {
        return focused && std::find(windows.begin(), windows.end(), focused->window) != windows.end();
    };
    if (const auto focused = x11::focusedWindow(display); ownsFocus(focused))
        return postLocked(focused->window, shortcut);
    // Qt acts on shortcuts only in its active window: bring the topmost one forward first, and wait a
    // bounded while for the focus to arrive (a window manager takes a few ms).
    const unsigned long target = windows.back();
    x11::activateWindow(display, target);
    const auto deadline = std::chrono::steady_clock::now() + kActivationBound;
    while (!ownsFocus(x11::focusedWindow(display)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return postLocked(target, shortcut);
}

Result<void> X11KeyPoster::postLocked(unsigned long window, const Shortcut &shortcut)
{
    Display *display = m_connection->display();
    const std::optional<uint32_t> keysym = x11::keysymForKeyCode(shortcut.keyCode());
    const KeyCode code = keysym ? XKeysymToKeycode(display, *keysym) : 0;
    if (code == 0)
        return Result<void>::failure(QStringLiteral("its key is not on this keyboard"));
    XEvent event{};
    event.xkey.type = KeyPress;
    event.xkey.display = display;
    event.xkey.window = window;
    event.xkey.root = m_connection->root();
    event.xkey.subwindow = None;
    event.xkey.time = CurrentTime;
    event.xkey.x = event.xkey.y = event.xkey.x_root = event.xkey.y_root = 1;
    event.xkey.state = x11::x11ModifiersForFlags(shortcut.modifierFlags());
    event.xkey.keycode = code;
    event.xkey.same_screen = True;
    x11::ErrorTrap trap(display);
    // Event mask 0: delivered to the window's creator whatever it selected (see the class comment).
    const Status sent = XSendEvent(display, window, False, 0, &event);
    const int error = trap.sync();
    if (sent == 0 || error != 0) {
        return Result<void>::failure(QStringLiteral("the X server refused it for window 0x%1 (error %2)")
                                         .arg(window, 0, 16)
                                         .arg(error));
    }
    return Result<void>::ok();
}

} // namespace tavolin
