#pragma once

#include <QString>
#include <QtCore/qnamespace.h>

class QKeyEvent;

namespace tavolin {

// Qt modifiers as KeyData modifier bits (Ctrl is Command, Super is Control, Alt is Option).
int keyMaskForQtModifiers(Qt::KeyboardModifiers modifiers);
// The identity text of a key event's combination, comparable with KeyData::toString() ("⇧⌘Z", "⌘N");
// "" when the key has no virtual key code (a modifier alone, a key no layout names).
QString shortcutTextForEvent(const QKeyEvent &event);

} // namespace tavolin
