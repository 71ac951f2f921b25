#include "common/Shortcut.h"

#include "common/KeyData.h"
#include "common/SafeKeyCodeString.h"

namespace tavolin {

static_assert(Shortcut::kModifierMask
              == (eventflag::kShift | eventflag::kControl | eventflag::kOption | eventflag::kCommand));

QString Shortcut::keyCodeString() const
{
    return SafeKeyCodeString::stringForKeyCode(m_keyCode);
}

QString Shortcut::description() const
{
    return KeyData::stringFromShortcut(*this);
}

} // namespace tavolin
