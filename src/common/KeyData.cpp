#include "common/KeyData.h"

#include "common/SafeKeyCodeString.h"
#include "common/Shortcut.h"

#include <QJsonValue>
#include <QStringList>

namespace tavolin {
namespace {

bool hasMask(int64_t mask, int64_t bit)
{
    return (mask & bit) != 0;
}

// Symbols in the order ⌥ ⇧ ⌃ ⌘, the order every identity text uses.
QString symbolsForMask(int64_t mask)
{
    QString symbols;
    if (hasMask(mask, keymask::kOption))
        symbols += QStringLiteral("⌥");
    if (hasMask(mask, keymask::kShift))
        symbols += QStringLiteral("⇧");
    if (hasMask(mask, keymask::kControl))
        symbols += QStringLiteral("⌃");
    if (!hasMask(mask, keymask::kNoCommand))
        symbols += QStringLiteral("⌘");
    return symbols;
}

bool hasChar(const std::optional<QString> &cmdChar)
{
    return cmdChar.has_value() && !cmdChar->isEmpty();
}

// A JSON number that is a whole number representable as int64. toInteger() returns its default for
// anything else, so two different defaults tell a real value from a refusal.
std::optional<int64_t> integerFromJson(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const qint64 first = value.toInteger(0);
    if (first != value.toInteger(1))
        return std::nullopt;
    return first;
}

} // namespace

uint64_t KeyData::eventModifierFlags() const
{
    uint64_t flags = 0;
    if (hasMask(modifierFlags, keymask::kShift))
        flags |= eventflag::kShift;
    if (hasMask(modifierFlags, keymask::kOption))
        flags |= eventflag::kOption;
    if (hasMask(modifierFlags, keymask::kControl))
        flags |= eventflag::kControl;
    if (!hasMask(modifierFlags, keymask::kNoCommand))
        flags |= eventflag::kCommand;
    return flags;
}

int64_t KeyData::flagsFromEvent(uint64_t eventFlags)
{
    int64_t mask = 0;
    if (eventFlags & eventflag::kShift)
        mask |= keymask::kShift;
    if (eventFlags & eventflag::kOption)
        mask |= keymask::kOption;
    if (eventFlags & eventflag::kControl)
        mask |= keymask::kControl;
    if (!(eventFlags & eventflag::kCommand))
        mask |= keymask::kNoCommand;
    return mask;
}

QString KeyData::toString() const
{
    if (hasChar(cmdChar))
        return symbolsForMask(modifierFlags) + *cmdChar;
    if (virtualKey >= 1)
        return symbolsForMask(modifierFlags) + SafeKeyCodeString::stringForKeyCode(virtualKey);
    return QString();
}

QString KeyData::displayText() const
{
    QString key;
    if (hasChar(cmdChar))
        key = SafeKeyCodeString::displayNameForKeyName(*cmdChar);
    else if (virtualKey >= 1)
        key = SafeKeyCodeString::displayNameForKeyCode(virtualKey);
    if (key.isEmpty())
        return QString();
    QStringList parts;
    if (hasMask(modifierFlags, keymask::kControl))
        parts << QStringLiteral("Super");
    if (!hasMask(modifierFlags, keymask::kNoCommand))
        parts << QStringLiteral("Ctrl");
    if (hasMask(modifierFlags, keymask::kOption))
        parts << QStringLiteral("Alt");
    if (hasMask(modifierFlags, keymask::kShift))
        parts << QStringLiteral("Shift");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

QString KeyData::toStorageString() const
{
    QString key;
    if (hasChar(cmdChar))
        key = cmdChar->toLower();
    else if (virtualKey >= 1)
        key = SafeKeyCodeString::stringForKeyCode(virtualKey).toLower();
    if (key.isEmpty())
        return QString();
    QStringList parts;
    if (!hasMask(modifierFlags, keymask::kNoCommand))
        parts << QStringLiteral("cmd");
    if (hasMask(modifierFlags, keymask::kControl))
        parts << QStringLiteral("ctrl");
    if (hasMask(modifierFlags, keymask::kOption))
        parts << QStringLiteral("alt");
    if (hasMask(modifierFlags, keymask::kShift))
        parts << QStringLiteral("shift");
    parts << key;
    const QString text = parts.join(QLatin1Char('+'));
    // Never store what cannot be read back: a key named "+" or only on the keypad ("*"), a letter alone.
    return keyDataFromString(text) ? text : QString();
}

// Example: " Shift + CMD+p " → "shift+cmd+p" → mask 8, clear 8 (cmd), set 1 (shift), key "P" → mask 1.
std::optional<KeyData> KeyData::keyDataFromString(const QString &text)
{
    if (text.isNull())
        return std::nullopt;
    QString compact = text;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    compact = compact.toLower();
    if (compact.isEmpty())
        return std::nullopt;

    int64_t mask = keymask::kNoCommand;
    QString key;
    const QStringList parts = compact.split(QLatin1Char('+'));
    for (const QString &part : parts) {
        if (part == u"command" || part == u"cmd" || part == u"⌘")
            mask &= ~keymask::kNoCommand;
        else if (part == u"shift" || part == u"⇧")
            mask |= keymask::kShift;
        else if (part == u"ctrl" || part == u"control" || part == u"⌃")
            mask |= keymask::kControl;
        else if (part == u"option" || part == u"alt" || part == u"opt" || part == u"⌥")
            mask |= keymask::kOption;
        else
            key = part.left(1).toUpper() + part.mid(1);
    }
    if (SafeKeyCodeString::keyCodeForChar(key) < 0)
        return std::nullopt;
    if (key.size() == 1 && mask == keymask::kNoCommand)
        return std::nullopt;
    return KeyData(key, 0, mask);
}

std::optional<Shortcut> KeyData::toShortcut() const
{
    int64_t keyCode = 0;
    if (hasChar(cmdChar)) {
        keyCode = SafeKeyCodeString::keyCodeForChar(*cmdChar);
        if (keyCode < 0)
            return std::nullopt;
    } else if (virtualKey >= 1) {
        keyCode = virtualKey;
    } else {
        return std::nullopt;
    }
    return Shortcut(keyCode, eventModifierFlags());
}

KeyData KeyData::keyDataFromShortcut(const Shortcut &shortcut)
{
    const QString name = shortcut.keyCodeString();
    return KeyData(name, name.isEmpty() ? shortcut.keyCode() : 0, flagsFromEvent(shortcut.modifierFlags()));
}

QString KeyData::stringFromShortcut(const Shortcut &shortcut)
{
    return symbolsForMask(flagsFromEvent(shortcut.modifierFlags())) + shortcut.keyCodeString();
}

QJsonObject KeyData::toJson() const
{
    QJsonObject object;
    if (cmdChar)
        object.insert(QStringLiteral("cmdChar"), *cmdChar);
    object.insert(QStringLiteral("virtualKey"), qint64(virtualKey));
    object.insert(QStringLiteral("modifierFlags"), qint64(modifierFlags));
    return object;
}

std::optional<KeyData> KeyData::fromJson(const QJsonObject &object)
{
    const std::optional<int64_t> key = integerFromJson(object.value(QLatin1String("virtualKey")));
    const std::optional<int64_t> mask = integerFromJson(object.value(QLatin1String("modifierFlags")));
    if (!key || !mask)
        return std::nullopt;
    const QJsonValue cmdChar = object.value(QLatin1String("cmdChar"));
    // An absent or null "cmdChar" is the optional field left out.
    if (cmdChar.isUndefined() || cmdChar.isNull())
        return KeyData(std::nullopt, *key, *mask);
    if (!cmdChar.isString())
        return std::nullopt;
    return KeyData(cmdChar.toString(), *key, *mask);
}

} // namespace tavolin
