#pragma once

#include "common/Shortcut.h"
#include "common/ShortcutValidator.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QtCore/qnamespace.h>

#include <optional>

namespace tavolin {

// Conversions around shortcut values: the stored settings form ("palette_shortcut", "open_shortcut"),
// shortcuts from a key name and modifier symbols (the welcome page), and the map between the virtual key
// codes and Qt's key space for the recorder and the window-system layer. Every function is thread-safe.
class KeyCodeHelper
{
public:
    // The value every writer stores under a shortcut settings key: the KeyData text form as a JSON string
    // ("cmd+shift+p"). QJsonValue::Undefined (nothing to store) when the shortcut's key has no name that
    // reads back, or the combination is one the text form refuses (a letter without modifiers).
    static QJsonValue serializeShortcut(const Shortcut &shortcut);
    // The inverse: a stored string back to a shortcut; nullopt for anything else (absent, wrong type,
    // text that does not parse). Not validated: a stored value is the user's earlier choice.
    static std::optional<Shortcut> deserializeShortcut(const QJsonValue &stored);

    // A shortcut from a key name ("P", "Space", "F5") and modifier symbols ("⌘", "⇧", "⌃", "⌥", "⇪",
    // "Fn"; repeats and other strings change nothing). nullopt when either is absent, the key name is
    // unknown, or `validator` refuses the result.
    static std::optional<Shortcut> data2Shortcut(const std::optional<QString> &key,
                                                 const std::optional<QStringList> &modifiers,
                                                 const ShortcutValidator &validator);

    // Qt key (with Qt::KeypadModifier for keypad keys) → virtual key code; -1 when the key has none. Shifted
    // symbols of a US layout give their key ("!" → the key of "1"), as a recorder sees them.
    static int64_t keyCodeForQtKey(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Virtual key code → Qt key (keypad codes give the plain key; add Qt::KeypadModifier yourself);
    // Qt::Key_unknown when there is none.
    static int qtKeyForKeyCode(int64_t keyCode);

    // Qt modifiers ↔ event flags, on Linux's terms: Ctrl is Command, Meta (Super) is Control, Alt is Option.
    static uint64_t eventFlagsForQtModifiers(Qt::KeyboardModifiers modifiers);
    static Qt::KeyboardModifiers qtModifiersForEventFlags(uint64_t eventFlags);
};

} // namespace tavolin
