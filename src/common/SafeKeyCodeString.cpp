#include "common/SafeKeyCodeString.h"

#include "common/Shortcut.h"

#include <QHash>

#include <array>

namespace tavolin {
namespace {

constexpr int64_t kTableSize = 128;

// Names of codes 0–127: the fixed names (glyphs, Space, function keys, keypad), and the US layout's
// characters, upper-cased, for the rest. nullptr: no printable name (modifier keys, media keys, unused).
constexpr std::array<const char *, kTableSize> kNames = [] {
    std::array<const char *, kTableSize> n{};
    // US layout, ANSI keys (and the ISO section key).
    n[0] = "A"; n[1] = "S"; n[2] = "D"; n[3] = "F"; n[4] = "H"; n[5] = "G"; n[6] = "Z"; n[7] = "X";
    n[8] = "C"; n[9] = "V"; n[10] = "§"; n[11] = "B"; n[12] = "Q"; n[13] = "W"; n[14] = "E"; n[15] = "R";
    n[16] = "Y"; n[17] = "T"; n[18] = "1"; n[19] = "2"; n[20] = "3"; n[21] = "4"; n[22] = "6"; n[23] = "5";
    n[24] = "="; n[25] = "9"; n[26] = "7"; n[27] = "-"; n[28] = "8"; n[29] = "0"; n[30] = "]"; n[31] = "O";
    n[32] = "U"; n[33] = "["; n[34] = "I"; n[35] = "P"; n[37] = "L"; n[38] = "J"; n[39] = "'"; n[40] = "K";
    n[41] = ";"; n[42] = "\\"; n[43] = ","; n[44] = "/"; n[45] = "N"; n[46] = "M"; n[47] = "."; n[50] = "`";
    // Glyphs.
    n[36] = "↩"; n[48] = "⇥"; n[51] = "⌫"; n[53] = "⎋"; n[71] = "⌧"; n[76] = "⌅"; n[114] = "?";
    n[115] = "↖"; n[116] = "⇞"; n[117] = "⌦"; n[119] = "↘"; n[121] = "⇟";
    n[123] = "←"; n[124] = "→"; n[125] = "↓"; n[126] = "↑";
    n[49] = "Space";
    // Function keys.
    n[122] = "F1"; n[120] = "F2"; n[99] = "F3"; n[118] = "F4"; n[96] = "F5"; n[97] = "F6"; n[98] = "F7";
    n[100] = "F8"; n[101] = "F9"; n[109] = "F10"; n[103] = "F11"; n[111] = "F12"; n[105] = "F13";
    n[107] = "F14"; n[113] = "F15"; n[106] = "F16"; n[64] = "F17"; n[79] = "F18"; n[80] = "F19";
    // Keypad.
    n[65] = "."; n[67] = "*"; n[69] = "+"; n[75] = "/"; n[78] = "–"; n[81] = "=";
    n[82] = "0"; n[83] = "1"; n[84] = "2"; n[85] = "3"; n[86] = "4"; n[87] = "5"; n[88] = "6"; n[89] = "7";
    n[91] = "8"; n[92] = "9";
    return n;
}();

constexpr int64_t kFirstKeypadCode = 65;
constexpr int64_t kLastKeypadCode = 92;

struct KeyWord
{
    int64_t code;
    const char *word;
};

// Glyph keys in words. The Help key (114) is named "?" like the question mark, so only its code says Help.
constexpr std::array<KeyWord, 16> kWords{{
    {keycode::kReturn, "Return"}, {keycode::kTab, "Tab"}, {keycode::kBackspace, "Backspace"},
    {keycode::kEscape, "Escape"}, {71, "Clear"}, {keycode::kKeypadEnter, "Enter"}, {114, "Help"},
    {keycode::kHome, "Home"}, {keycode::kPageUp, "Page Up"}, {keycode::kForwardDelete, "Delete"},
    {keycode::kEnd, "End"}, {keycode::kPageDown, "Page Down"}, {keycode::kLeft, "Left"},
    {keycode::kRight, "Right"}, {keycode::kDown, "Down"}, {keycode::kUp, "Up"},
}};

const QHash<QString, int64_t> &reverseMap()
{
    // A function-local static is initialised exactly once even when threads race to the first call.
    static const QHash<QString, int64_t> map = [] {
        QHash<QString, int64_t> m;
        for (int64_t code = 0; code < kTableSize; ++code) {
            if (code >= kFirstKeypadCode && code <= kLastKeypadCode)
                continue;
            const QString name = SafeKeyCodeString::stringForKeyCode(code);
            if (!name.isEmpty())
                m.insert(name, code); // ascending order: the higher code overwrites
        }
        return m;
    }();
    return map;
}

} // namespace

QString SafeKeyCodeString::stringForKeyCode(int64_t keyCode)
{
    if (keyCode < 0 || keyCode >= kTableSize || kNames[size_t(keyCode)] == nullptr)
        return QString();
    return QString::fromUtf8(kNames[size_t(keyCode)]);
}

QString SafeKeyCodeString::getSafeKeyCodeString(const Shortcut &shortcut)
{
    return stringForKeyCode(shortcut.keyCode());
}

int64_t SafeKeyCodeString::keyCodeForChar(const QString &name)
{
    return reverseMap().value(name, -1);
}

QString SafeKeyCodeString::displayNameForKeyCode(int64_t keyCode)
{
    for (const KeyWord &entry : kWords) {
        if (entry.code == keyCode)
            return QString::fromLatin1(entry.word);
    }
    return stringForKeyCode(keyCode);
}

QString SafeKeyCodeString::displayNameForKeyName(const QString &name)
{
    if (name == QLatin1String("?"))
        return name;
    const int64_t code = keyCodeForChar(name);
    if (code >= 0)
        return displayNameForKeyCode(code);
    return name.size() == 1 ? name.toUpper() : name;
}

} // namespace tavolin
