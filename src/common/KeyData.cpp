#include "common/KeyData.h"

#include "common/SafeKeyCodeString.h"
#include "common/Shortcut.h"

#include <QJsonValue>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <initializer_list>

namespace tavolin {
namespace {

bool hasMask(int64_t mask, int64_t bit)
{
    return (mask & bit) != 0;
}

// The mask's Command bit is inverted (kNoCommand): flipping it gives one bit per modifier held, as the
// other modifier spaces have. Its own inverse.
int64_t flipCommand(int64_t mask)
{
    return mask ^ keymask::kNoCommand;
}

// A modifier's name in one of the texts, by its mask bit (kNoCommand standing for Command).
struct ModifierName
{
    int64_t maskBit;
    const char16_t *name;
};
using ModifierNames = std::initializer_list<ModifierName>;

// The names of the modifiers `mask` holds, in the order of `names`.
QStringList modifierNames(int64_t mask, ModifierNames names)
{
    const int64_t held = flipCommand(mask);
    QStringList out;
    for (const ModifierName &modifier : names) {
        if (hasMask(held, modifier.maskBit))
            out << QString::fromUtf16(modifier.name);
    }
    return out;
}

// Symbols in the order ⌥ ⇧ ⌃ ⌘, the order every identity text uses.
QString symbolsForMask(int64_t mask)
{
    return modifierNames(mask, {{keymask::kOption, u"⌥"}, {keymask::kShift, u"⇧"}, {keymask::kControl, u"⌃"},
                                {keymask::kNoCommand, u"⌘"}})
        .join(QString());
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
    const int64_t held = flipCommand(modifierFlags);
    uint64_t flags = 0;
    for (const ModifierBits &modifier : kModifierBits) {
        if (hasMask(held, modifier.maskBit))
            flags |= modifier.eventFlag;
    }
    return flags;
}

int64_t KeyData::flagsFromEvent(uint64_t eventFlags)
{
    int64_t held = 0;
    for (const ModifierBits &modifier : kModifierBits) {
        if (eventFlags & modifier.eventFlag)
            held |= modifier.maskBit;
    }
    return flipCommand(held);
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
    QStringList parts = modifierNames(modifierFlags, {{keymask::kControl, u"Super"}, {keymask::kNoCommand, u"Ctrl"},
                                                      {keymask::kOption, u"Alt"}, {keymask::kShift, u"Shift"}});
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
    QStringList parts = modifierNames(modifierFlags, {{keymask::kNoCommand, u"cmd"}, {keymask::kControl, u"super"},
                                                      {keymask::kOption, u"alt"}, {keymask::kShift, u"shift"}});
    parts << key;
    const QString text = parts.join(QLatin1Char('+'));
    // Never store what cannot be read back: a key named "+" or only on the keypad ("*"), a letter alone.
    return keyDataFromStoredString(text) ? text : QString();
}

namespace {

// Which modifier "ctrl" names. People on Linux mean the Ctrl key; the record's own words (cmd, ctrl as in
// "cmd+ctrl+k") name Command and Control, and Control is the Super key here.
enum class CtrlMeans { CtrlKey, ControlBit };

// Key names as the programs show them on Linux ("Return", "Page Up", "Delete"), spaces removed, lower case,
// with a few everyday spellings beside them.
struct KeyWordName
{
    const char *word;
    int64_t code;
};
constexpr KeyWordName kKeyWordNames[] = {
    {"return", keycode::kReturn},     {"enter", keycode::kReturn},
    {"tab", keycode::kTab},           {"backspace", keycode::kBackspace},
    {"escape", keycode::kEscape},     {"esc", keycode::kEscape},
    {"home", keycode::kHome},         {"end", keycode::kEnd},
    {"pageup", keycode::kPageUp},     {"pagedown", keycode::kPageDown},
    {"delete", keycode::kForwardDelete}, {"del", keycode::kForwardDelete},
    {"left", keycode::kLeft},         {"right", keycode::kRight},
    {"up", keycode::kUp},             {"down", keycode::kDown},
};

// The key's name in the record: a word people read ("pageup") becomes its glyph ("⇞"); anything else keeps
// its text with the first letter upper-cased ("space" → "Space", "f5" → "F5", "p" → "P").
QString keyNameFor(const QString &part)
{
    for (const KeyWordName &entry : kKeyWordNames) {
        if (part == QLatin1String(entry.word))
            return SafeKeyCodeString::stringForKeyCode(entry.code);
    }
    return part.left(1).toUpper() + part.mid(1);
}

bool isCommandWord(const QString &part)
{
    return part == u"command" || part == u"cmd" || part == u"⌘";
}

// Example: " Shift + CMD+p " → "shift+cmd+p" → mask 8, clear 8 (cmd), set 1 (shift), key "P" → mask 1.
std::optional<KeyData> parseKeyText(const QString &text, CtrlMeans ctrlMeans)
{
    if (text.isNull())
        return std::nullopt;
    QString compact = text;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    compact = compact.toLower();
    if (compact.isEmpty())
        return std::nullopt;

    const QStringList parts = compact.split(QLatin1Char('+'));
    // A text that names Command writes in the record's words, where ctrl is the Control bit.
    if (std::any_of(parts.begin(), parts.end(), isCommandWord))
        ctrlMeans = CtrlMeans::ControlBit;
    int64_t mask = keymask::kNoCommand;
    QString key;
    for (const QString &part : parts) {
        if (isCommandWord(part))
            mask &= ~keymask::kNoCommand;
        else if (part == u"shift" || part == u"⇧")
            mask |= keymask::kShift;
        else if (part == u"ctrl" || part == u"control")
            mask = ctrlMeans == CtrlMeans::CtrlKey ? (mask & ~keymask::kNoCommand) : (mask | keymask::kControl);
        else if (part == u"super" || part == u"meta" || part == u"win" || part == u"⌃")
            mask |= keymask::kControl;
        else if (part == u"option" || part == u"alt" || part == u"opt" || part == u"⌥")
            mask |= keymask::kOption;
        else
            key = keyNameFor(part);
    }
    if (SafeKeyCodeString::keyCodeForChar(key) < 0)
        return std::nullopt;
    if (key.size() == 1 && mask == keymask::kNoCommand)
        return std::nullopt;
    return KeyData(key, 0, mask);
}

} // namespace

std::optional<KeyData> KeyData::keyDataFromString(const QString &text)
{
    return parseKeyText(text, CtrlMeans::CtrlKey);
}

std::optional<KeyData> KeyData::keyDataFromStoredString(const QString &text)
{
    // Older builds wrote the Super bit as "ctrl" (their "cmd" was Ctrl). A text exactly in that form
    // without "cmd" ("ctrl+alt+space") is one they stored, and keeps its meaning.
    static const QRegularExpression olderForm(QStringLiteral("^ctrl(\\+alt)?(\\+shift)?\\+[^+A-Z ]+$"));
    if (olderForm.match(text).hasMatch())
        return parseKeyText(text, CtrlMeans::ControlBit);
    return keyDataFromString(text);
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
