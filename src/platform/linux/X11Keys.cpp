#include "platform/linux/X11Keys.h"

#include "common/SafeKeyCodeString.h"

#include <QHash>
#include <QStringList>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>

namespace tavolin::x11 {
namespace {

struct KeyPair
{
    int64_t code;
    uint32_t keysym;
};

// Virtual key code → unshifted keysym on a US layout.
constexpr KeyPair kPairs[] = {
    {0, XK_a}, {1, XK_s}, {2, XK_d}, {3, XK_f}, {4, XK_h}, {5, XK_g}, {6, XK_z}, {7, XK_x},
    {8, XK_c}, {9, XK_v}, {10, XK_section}, {11, XK_b}, {12, XK_q}, {13, XK_w}, {14, XK_e}, {15, XK_r},
    {16, XK_y}, {17, XK_t}, {18, XK_1}, {19, XK_2}, {20, XK_3}, {21, XK_4}, {22, XK_6}, {23, XK_5},
    {24, XK_equal}, {25, XK_9}, {26, XK_7}, {27, XK_minus}, {28, XK_8}, {29, XK_0}, {30, XK_bracketright},
    {31, XK_o}, {32, XK_u}, {33, XK_bracketleft}, {34, XK_i}, {35, XK_p}, {37, XK_l}, {38, XK_j},
    {39, XK_apostrophe}, {40, XK_k}, {41, XK_semicolon}, {42, XK_backslash}, {43, XK_comma},
    {44, XK_slash}, {45, XK_n}, {46, XK_m}, {47, XK_period}, {50, XK_grave},
    {36, XK_Return}, {48, XK_Tab}, {49, XK_space}, {51, XK_BackSpace}, {53, XK_Escape}, {71, XK_Clear},
    {76, XK_KP_Enter}, {114, XK_Help}, {115, XK_Home}, {116, XK_Prior}, {117, XK_Delete}, {119, XK_End},
    {121, XK_Next}, {123, XK_Left}, {124, XK_Right}, {125, XK_Down}, {126, XK_Up},
    {122, XK_F1}, {120, XK_F2}, {99, XK_F3}, {118, XK_F4}, {96, XK_F5}, {97, XK_F6}, {98, XK_F7},
    {100, XK_F8}, {101, XK_F9}, {109, XK_F10}, {103, XK_F11}, {111, XK_F12}, {105, XK_F13}, {107, XK_F14},
    {113, XK_F15}, {106, XK_F16}, {64, XK_F17}, {79, XK_F18}, {80, XK_F19},
    {65, XK_KP_Decimal}, {67, XK_KP_Multiply}, {69, XK_KP_Add}, {75, XK_KP_Divide}, {78, XK_KP_Subtract},
    {81, XK_KP_Equal}, {82, XK_KP_0}, {83, XK_KP_1}, {84, XK_KP_2}, {85, XK_KP_3}, {86, XK_KP_4},
    {87, XK_KP_5}, {88, XK_KP_6}, {89, XK_KP_7}, {91, XK_KP_8}, {92, XK_KP_9},
};

bool isModifierKeysym(uint32_t keysym)
{
    return (keysym >= XK_Shift_L && keysym <= XK_Hyper_R) || keysym == XK_Mode_switch
        || (keysym >= XK_ISO_Lock && keysym <= XK_ISO_Last_Group_Lock) || keysym == XK_Num_Lock;
}

// The character a keysym types: Latin-1 keysyms are their code point, 0x01000000 + U is Unicode U.
std::optional<QString> characterOfKeysym(uint32_t keysym)
{
    if (keysym >= 0x20 && keysym <= 0xff && keysym != 0x7f)
        return QString(QChar(char16_t(keysym)));
    if (keysym >= 0x01000100 && keysym <= 0x0110ffff) {
        const char32_t cp = keysym - 0x01000000;
        return QString::fromUcs4(&cp, 1);
    }
    return std::nullopt;
}

uint32_t keysymForName(const QString &name)
{
    const QByteArray latin = name.toLatin1();
    const KeySym sym = XStringToKeysym(latin.constData());
    return sym == NoSymbol ? 0 : uint32_t(sym);
}

// Qt's portable key names that differ from X keysym names.
uint32_t keysymForQtName(const QString &name)
{
    static const QHash<QString, uint32_t> names = {
        {QStringLiteral("Del"), XK_Delete}, {QStringLiteral("Ins"), XK_Insert},
        {QStringLiteral("Esc"), XK_Escape}, {QStringLiteral("PgUp"), XK_Prior},
        {QStringLiteral("PgDown"), XK_Next}, {QStringLiteral("Backspace"), XK_BackSpace},
        {QStringLiteral("Return"), XK_Return}, {QStringLiteral("Enter"), XK_KP_Enter},
        {QStringLiteral("Space"), XK_space}, {QStringLiteral("Tab"), XK_Tab},
        {QStringLiteral("Backtab"), XK_ISO_Left_Tab}, {QStringLiteral("Home"), XK_Home},
        {QStringLiteral("End"), XK_End}, {QStringLiteral("Left"), XK_Left}, {QStringLiteral("Right"), XK_Right},
        {QStringLiteral("Up"), XK_Up}, {QStringLiteral("Down"), XK_Down}, {QStringLiteral("Help"), XK_Help},
        {QStringLiteral("Clear"), XK_Clear}, {QStringLiteral("Print"), XK_Print},
    };
    if (const auto it = names.constFind(name); it != names.constEnd())
        return it.value();
    if (name.size() == 1) {
        const QChar c = name.at(0).toLower();
        if (c.unicode() >= 0x20 && c.unicode() <= 0xff)
            return c.unicode();
        return 0x01000000 + c.unicode();
    }
    return keysymForName(name); // "F5", "Pause", ...
}

} // namespace

std::optional<uint32_t> keysymForKeyCode(int64_t keyCode)
{
    for (const KeyPair &pair : kPairs) {
        if (pair.code == keyCode)
            return pair.keysym;
    }
    return std::nullopt;
}

std::optional<int64_t> keyCodeForKeysym(uint32_t keysym)
{
    if (keysym >= XK_A && keysym <= XK_Z)
        keysym += XK_a - XK_A;
    if (keysym == XK_ISO_Left_Tab)
        keysym = XK_Tab;
    for (const KeyPair &pair : kPairs) {
        if (pair.keysym == keysym)
            return pair.code;
    }
    return std::nullopt;
}

unsigned x11ModifiersForFlags(uint64_t eventFlags)
{
    unsigned state = 0;
    if (eventFlags & eventflag::kShift)
        state |= kShiftMask;
    if (eventFlags & eventflag::kCommand)
        state |= kControlMask;
    if (eventFlags & eventflag::kOption)
        state |= kMod1Mask;
    if (eventFlags & eventflag::kControl)
        state |= kMod4Mask;
    return state;
}

uint64_t flagsForX11Modifiers(unsigned state)
{
    uint64_t flags = 0;
    if (state & kShiftMask)
        flags |= eventflag::kShift;
    if (state & kControlMask)
        flags |= eventflag::kCommand;
    if (state & kMod1Mask)
        flags |= eventflag::kOption;
    if (state & kMod4Mask)
        flags |= eventflag::kControl;
    return flags;
}

std::optional<KeyData> keyDataForKeysym(uint32_t keysym, uint64_t eventFlags)
{
    if (keysym == 0 || isModifierKeysym(keysym))
        return std::nullopt;
    const int64_t mask = KeyData::flagsFromEvent(eventFlags);
    const std::optional<int64_t> code = keyCodeForKeysym(keysym);
    // Printable keys travel as their name (so "A", key code 0, is not lost as "no key"); the others as code.
    const bool keypad = keysym >= XK_KP_Space && keysym <= XK_KP_Equal;
    if (std::optional<QString> ch = characterOfKeysym(keysym); ch && !keypad && keysym != XK_space)
        return KeyData(ch->toUpper(), 0, mask);
    if (code && *code >= 1)
        return KeyData(std::nullopt, *code, mask);
    if (code) // code 0 is "A", handled above; keep the name for anything else
        return KeyData(SafeKeyCodeString::stringForKeyCode(*code), 0, mask);
    const char *name = XKeysymToString(KeySym(keysym));
    if (name == nullptr)
        return std::nullopt;
    return KeyData(QString::fromLatin1(name), 0, mask);
}

std::optional<KeyData> keyDataFromGtkAccelerator(const QString &accelerator)
{
    QString rest = accelerator.trimmed();
    uint64_t flags = 0;
    while (rest.startsWith(QLatin1Char('<'))) {
        const qsizetype close = rest.indexOf(QLatin1Char('>'));
        if (close < 0)
            return std::nullopt;
        const QString mod = rest.mid(1, close - 1).toLower();
        if (mod == QLatin1String("primary") || mod == QLatin1String("control") || mod == QLatin1String("ctrl")
            || mod == QLatin1String("ctl"))
            flags |= eventflag::kCommand;
        else if (mod == QLatin1String("shift") || mod == QLatin1String("shft"))
            flags |= eventflag::kShift;
        else if (mod == QLatin1String("alt") || mod == QLatin1String("mod1"))
            flags |= eventflag::kOption;
        else if (mod == QLatin1String("super") || mod == QLatin1String("meta") || mod == QLatin1String("mod4"))
            flags |= eventflag::kControl;
        else
            return std::nullopt;
        rest = rest.mid(close + 1);
    }
    if (rest.isEmpty())
        return std::nullopt;
    return keyDataForKeysym(keysymForName(rest), flags);
}

std::optional<KeyData> keyDataFromGtkKeyBinding(const QString &binding)
{
    const QStringList fields = binding.split(QLatin1Char(';'));
    if (fields.size() < 3)
        return std::nullopt;
    return keyDataFromGtkAccelerator(fields.at(2));
}

std::optional<KeyData> keyDataFromQtKeyBinding(const QString &binding, const QString &title)
{
    QString text = binding.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // Only the first of several sequences ("Ctrl+S, Ctrl+X") is a menu's shortcut.
    if (const qsizetype comma = text.indexOf(QStringLiteral(", ")); comma > 0)
        text = text.left(comma);
    QString key;
    if (text.endsWith(QLatin1String("++")) || text == QLatin1String("+")) {
        key = QStringLiteral("+");
        text.chop(text == QLatin1String("+") ? 1 : 2);
    } else {
        const qsizetype plus = text.lastIndexOf(QLatin1Char('+'));
        key = text.mid(plus + 1);
        text = plus < 0 ? QString() : text.left(plus);
    }
    uint64_t flags = 0;
    const QStringList mods = text.isEmpty() ? QStringList() : text.split(QLatin1Char('+'));
    for (const QString &mod : mods) {
        if (mod == QLatin1String("Ctrl"))
            flags |= eventflag::kCommand;
        else if (mod == QLatin1String("Shift"))
            flags |= eventflag::kShift;
        else if (mod == QLatin1String("Alt"))
            flags |= eventflag::kOption;
        else if (mod == QLatin1String("Meta"))
            flags |= eventflag::kControl;
        else
            return std::nullopt;
    }
    if (key.isEmpty())
        return std::nullopt;
    if (flags == eventflag::kOption && key.size() == 1 && key.at(0).isLetterOrNumber()
        && title.contains(key, Qt::CaseInsensitive))
        return std::nullopt; // the label's mnemonic
    return keyDataForKeysym(keysymForQtName(key), flags);
}

} // namespace tavolin::x11
