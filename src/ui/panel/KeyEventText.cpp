#include "ui/panel/KeyEventText.h"

#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/Shortcut.h"

#include <QKeyEvent>

namespace tavolin {

QString shortcutTextForEvent(const QKeyEvent &event)
{
    const int64_t keyCode = KeyCodeHelper::keyCodeForQtKey(event.key(), event.modifiers());
    if (keyCode < 0)
        return QString();
    const Shortcut shortcut(keyCode, KeyCodeHelper::eventFlagsForQtModifiers(event.modifiers()));
    if (shortcut.keyCodeString().isEmpty())
        return QString();
    return KeyData::stringFromShortcut(shortcut);
}

} // namespace tavolin
