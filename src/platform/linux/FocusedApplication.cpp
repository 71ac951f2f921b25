#include "platform/linux/FocusedApplication.h"

#include "common/Log.h"
#include "platform/linux/AtspiActiveApplication.h"
#include "platform/linux/AtspiThread.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11Focus.h"

#include <QCoreApplication>

#include <memory>
#include <optional>

namespace tavolin {
namespace {

int32_t x11FocusedPid()
{
    std::unique_ptr<x11::Connection> connection = x11::Connection::open();
    const auto focused = connection ? x11::focusedWindow(connection->display()) : std::nullopt;
    return focused && focused->pid > 0 ? focused->pid : 0;
}

int32_t activePid(AtspiThread &thread, int timeoutMs, int32_t ownPid)
{
    if (!thread.isReady())
        return 0;
    // Bounded: the libatspi thread may be busy reading another application's menus. Its three rounds take
    // one time-out at most.
    return thread
        .runWithin(std::chrono::milliseconds(timeoutMs + kBusyThreadSlackMs),
                   [timeoutMs, ownPid] { return atspiActiveApplicationPid(timeoutMs, ownPid); })
        .value_or(0);
}

} // namespace

int32_t focusedApplicationPid(AtspiThread &thread, int timeoutMs)
{
    const auto ownPid = int32_t(QCoreApplication::applicationPid());
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        if (const int32_t pid = x11FocusedPid())
            return pid;
        log::debug(QStringLiteral("focused application: the X focus names no process; asking the accessibility bus"));
        return activePid(thread, timeoutMs, ownPid);
    }
    if (const int32_t pid = activePid(thread, timeoutMs, ownPid))
        return pid;
    return x11FocusedPid();
}

} // namespace tavolin
