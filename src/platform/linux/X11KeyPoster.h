#pragma once

#include "common/Mutex.h"
#include "common/Result.h"
#include "common/Shortcut.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

namespace tavolin {

namespace x11 {
class Connection;
}

// Hands a key combination to another application, as if the user had typed it in its window: a synthetic
// KeyPress sent to the application's window with XSendEvent and event mask 0 (delivered to the client that
// made the window; GTK 3 ignores such events sent with KeyPressMask because it listens through XInput2).
// Unlike XTest injection it does not come back through our own grab of the same combination, does not mix
// with modifiers the user still holds. Only the key-down is sent.
//
// Threads: any; calls are serialised on the poster's own connection.
class X11KeyPoster
{
public:
    explicit X11KeyPoster(const QByteArray &displayName = {});
    ~X11KeyPoster();

    // To the window of process `pid` that has the focus. When another application has it, the topmost
    // window of `pid` is activated first (Qt applications act on shortcuts only in their active window) and
    // the event follows once the focus arrived, or after at most 300 ms. Fails without an X server, when the
    // process has no client window, when the key is not on this keyboard or when the server refused the
    // event (the window vanished).
    Result<void> post(int32_t pid, const Shortcut &shortcut);

private:
    Result<void> postLocked(unsigned long window, const Shortcut &shortcut) REQUIRES(m_mutex);

    Mutex m_mutex;
    std::unique_ptr<x11::Connection> m_connection GUARDED_BY(m_mutex);
};

} // namespace tavolin
