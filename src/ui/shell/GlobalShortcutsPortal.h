#pragma once

#include <QObject>

#include <functional>
#include <optional>

namespace tavolin {

// Asks the desktop portal (org.freedesktop.portal.Desktop) whether it offers the GlobalShortcuts interface,
// the one way a Wayland program may have shortcuts of its own. Asynchronous and bounded: `done` gets the
// interface's version, or nullopt when there is no portal, no such interface or no answer in `timeoutMs`.
// Debian 12's portal has none. Main thread; `done` runs on it, unless `context` went first.
void probeGlobalShortcutsPortal(QObject *context, int timeoutMs, std::function<void(std::optional<uint>)> done);

} // namespace tavolin
