#pragma once

#include <QString>

class QKeyEvent;

namespace tavolin {

// The identity text of a key event's combination, comparable with KeyData::toString() ("⇧⌘Z", "⌘N");
// "" when the key has no virtual key code (a modifier alone, a key no layout names).
QString shortcutTextForEvent(const QKeyEvent &event);

} // namespace tavolin
