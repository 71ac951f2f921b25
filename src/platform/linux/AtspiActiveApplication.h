#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace tavolin {

// One top-level window of an application on the accessibility desktop, as the active-window lookup sees it.
struct AtspiTopLevel
{
    QByteArray busName; // the application's name on the accessibility bus
    uint64_t states = 0; // bit N set: AtspiStateType N
};

// Pure: the bus names of the applications with a top-level window that carries ACTIVE, each once, in the
// order of `windows`. Normally one; the caller's own panel may be a second.
std::vector<QByteArray> activeApplicationBuses(const std::vector<AtspiTopLevel> &windows);

// The process of the application whose frame, dialog or window carries the AT-SPI ACTIVE state: the one the
// compositor gave the keyboard, without asking the display server (a Wayland session). Three rounds on the
// accessibility bus: the desktop's applications, every application's top-level windows at once, every
// window's states at once, then the winner's pid from the bus daemon. The whole lookup is bounded by
// `timeoutMs`: a stopped application only costs the rest of that time. 0 when no application but `ownPid`
// has an active window, or the bus does not answer.
// Threads: the libatspi thread (AtspiThread).
int32_t atspiActiveApplicationPid(int timeoutMs, int32_t ownPid);

} // namespace tavolin
