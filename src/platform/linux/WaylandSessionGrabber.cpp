#include "platform/linux/WaylandSessionGrabber.h"

#include "common/KeyData.h"
#include "common/Log.h"

namespace tavolin {

Result<void> WaylandSessionGrabber::grab(const Shortcut &shortcut, PressCallback onPress)
{
    const Result<void> grabbed = m_x11.grab(shortcut, std::move(onPress));
    if (!grabbed.isOk())
        log::info(QStringLiteral("hot keys: %1 is not grabbed through Xwayland (%2); in a Wayland session the "
                                 "desktop delivers it")
                      .arg(KeyData::keyDataFromShortcut(shortcut).displayText(), grabbed.reason()));
    return Result<void>::ok();
}

void WaylandSessionGrabber::ungrab(const Shortcut &shortcut)
{
    m_x11.ungrab(shortcut);
}

} // namespace tavolin
