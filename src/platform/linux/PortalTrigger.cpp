#include "platform/linux/PortalTrigger.h"

#include "common/KeyData.h"
#include "platform/linux/X11Keys.h"

#include <X11/Xlib.h>

namespace tavolin {

std::optional<QString> portalTriggerFor(const Shortcut &shortcut)
{
    const std::optional<uint32_t> keysym = x11::keysymForKeyCode(shortcut.keyCode());
    // XKeysymToString reads a static table: no display is needed.
    const char *name = keysym ? XKeysymToString(KeySym(*keysym)) : nullptr;
    if (!name)
        return std::nullopt;
    QString trigger;
    const uint64_t flags = shortcut.modifierFlags();
    if (flags & eventflag::kCommand)
        trigger += QStringLiteral("CTRL+");
    if (flags & eventflag::kOption)
        trigger += QStringLiteral("ALT+");
    if (flags & eventflag::kShift)
        trigger += QStringLiteral("SHIFT+");
    if (flags & eventflag::kControl)
        trigger += QStringLiteral("LOGO+");
    return trigger + QString::fromLatin1(name);
}

} // namespace tavolin
