#include "platform/linux/X11HotkeyGrabber.h"

#include "common/Log.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11Keys.h"

#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>

namespace tavolin {
namespace {

// The modifier bit Num_Lock sits on (Mod2 on most setups), from the server's modifier mapping.
unsigned numLockMask(Display *display)
{
    unsigned mask = 0;
    XModifierKeymap *map = XGetModifierMapping(display);
    if (map == nullptr)
        return 0;
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    for (int mod = 0; mod < 8 && numLock != 0; ++mod) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[mod * map->max_keypermod + k] == numLock)
                mask = 1u << mod;
        }
    }
    XFreeModifiermap(map);
    return mask;
}

// The key that types `keysym` in the server's current mapping, asked of the server rather than Xlib's
// copy, which lags behind a mapping change until Xlib has read the notice. The lowest shift level wins, as
// a user presses it: on a US layout "p" is the P key, not a key whose shifted level types p.
KeyCode keycodeForKeysym(Display *display, KeySym keysym)
{
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    int perCode = 0;
    KeySym *map = XGetKeyboardMapping(display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
    if (map == nullptr)
        return 0;
    KeyCode found = 0;
    for (int level = 0; level < perCode && found == 0; ++level) {
        for (int code = minCode; code <= maxCode; ++code) {
            if (map[(code - minCode) * perCode + level] == keysym) {
                found = KeyCode(code);
                break;
            }
        }
    }
    XFree(map);
    return found;
}

} // namespace

X11HotkeyGrabber::X11HotkeyGrabber(const QByteArray &displayName, QObject *parent)
    : QObject(parent), m_connection(x11::Connection::open(displayName))
{
    if (!m_connection) {
        log::error(QStringLiteral("hot keys: cannot open the X display"));
        return;
    }
    Display *display = m_connection->display();
    m_numLockMask = numLockMask(display);
    // Holding the key would otherwise send release/press pairs that look like repeated presses.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    // Layout changes arrive as XKB notices; the core MappingNotify needs no selection.
    int opcode = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(display, &opcode, &m_xkbEventBase, &errorBase, &major, &minor)) {
        const unsigned long notices = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, notices, notices);
    } else {
        m_xkbEventBase = -1;
    }
    XSelectInput(display, m_connection->root(), KeyPressMask);
    XFlush(display);
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11HotkeyGrabber::drainEvents);
}

X11HotkeyGrabber::~X11HotkeyGrabber()
{
    m_notifier.reset();
    if (!m_connection)
        return;
    for (const Grab &grab : m_grabs) {
        if (grab.held)
            ungrabCombination(*grab.held);
    }
    XSync(m_connection->display(), False);
}

std::optional<X11HotkeyGrabber::Combination> X11HotkeyGrabber::combinationFor(const Shortcut &shortcut) const
{
    const std::optional<uint32_t> keysym = x11::keysymForKeyCode(shortcut.keyCode());
    if (!keysym)
        return std::nullopt;
    const KeyCode code = keycodeForKeysym(m_connection->display(), *keysym);
    if (code == 0)
        return std::nullopt;
    return Combination{code, x11::x11ModifiersForFlags(shortcut.modifierFlags())};
}

unsigned X11HotkeyGrabber::lockVariants(unsigned index) const
{
    const unsigned variants[4] = {0, x11::kLockMask, m_numLockMask, x11::kLockMask | m_numLockMask};
    return variants[index];
}

X11HotkeyGrabber::Grab *X11HotkeyGrabber::findGrab(const Shortcut &shortcut)
{
    for (Grab &grab : m_grabs) {
        if (grab.shortcut == shortcut)
            return &grab;
    }
    return nullptr;
}

// Grabs every lock variant of `combination`; on an error none stays grabbed. Returns the X error code, 0
// when every variant is held.
int X11HotkeyGrabber::grabCombination(const Combination &combination)
{
    Display *display = m_connection->display();
    int error = 0;
    {
        x11::ErrorTrap trap(display);
        for (unsigned i = 0; i < 4; ++i)
            XGrabKey(display, int(combination.first), combination.second | lockVariants(i), m_connection->root(),
                     False, GrabModeAsync, GrabModeAsync);
        error = trap.sync();
    }
    if (error != 0)
        ungrabCombination(combination);
    // XSync may have read events into Xlib's queue, where the socket notifier cannot see them.
    QMetaObject::invokeMethod(this, &X11HotkeyGrabber::drainEvents, Qt::QueuedConnection);
    return error;
}

Result<void> X11HotkeyGrabber::grab(const Shortcut &shortcut, PressCallback onPress)
{
    if (!m_connection)
        return Result<void>::failure(QStringLiteral("there is no X display"));
    if (Grab *existing = findGrab(shortcut)) {
        existing->onPress = std::move(onPress);
        return Result<void>::ok();
    }
    const std::optional<Combination> combination = combinationFor(shortcut);
    if (!combination)
        return Result<void>::failure(QStringLiteral("its key is not on this keyboard"));
    if (const int error = grabCombination(*combination)) {
        const QString reason = error == BadAccess ? QStringLiteral("it is already taken by another program")
                                                  : QStringLiteral("the X server refused it (error %1)").arg(error);
        log::error(QStringLiteral("hot keys: %1: %2").arg(KeyData::keyDataFromShortcut(shortcut).displayText(), reason));
        return Result<void>::failure(reason);
    }
    m_grabs.push_back({shortcut, *combination, std::move(onPress)});
    return Result<void>::ok();
}

void X11HotkeyGrabber::ungrabCombination(const Combination &combination)
{
    Display *display = m_connection->display();
    x11::ErrorTrap trap(display);
    for (unsigned i = 0; i < 4; ++i)
        XUngrabKey(display, int(combination.first), combination.second | lockVariants(i), m_connection->root());
    trap.sync();
}

void X11HotkeyGrabber::ungrab(const Shortcut &shortcut)
{
    if (!m_connection)
        return;
    const auto it = std::find_if(m_grabs.begin(), m_grabs.end(), [&](const Grab &g) { return g.shortcut == shortcut; });
    if (it == m_grabs.end())
        return;
    const std::optional<Combination> held = it->held;
    m_grabs.erase(it);
    if (held)
        ungrabCombination(*held);
    QMetaObject::invokeMethod(this, &X11HotkeyGrabber::drainEvents, Qt::QueuedConnection);
}

bool X11HotkeyGrabber::isMappingChange(const XEvent &event) const
{
    if (event.type == MappingNotify)
        return event.xmapping.request == MappingKeyboard || event.xmapping.request == MappingModifier;
    if (m_xkbEventBase < 0 || event.type != m_xkbEventBase)
        return false;
    const auto &xkb = reinterpret_cast<const XkbEvent &>(event);
    return xkb.any.xkb_type == XkbNewKeyboardNotify || xkb.any.xkb_type == XkbMapNotify;
}

// A grab whose key or lock bits moved is let go and made again on the keys of the new mapping. The server
// also sends these notices when another keyboard (XTest's, a second device) starts typing; then nothing
// moved and nothing is done.
void X11HotkeyGrabber::regrabAfterMappingChange()
{
    const unsigned oldNumLock = m_numLockMask;
    const unsigned newNumLock = numLockMask(m_connection->display());
    int moved = 0;
    for (Grab &grab : m_grabs) {
        const std::optional<Combination> combination = combinationFor(grab.shortcut);
        if (combination == grab.held && newNumLock == oldNumLock)
            continue;
        ++moved;
        if (grab.held)
            ungrabCombination(*grab.held); // with the lock bits it was grabbed with
        grab.held.reset();
    }
    m_numLockMask = newNumLock;
    if (moved == 0)
        return;
    for (Grab &grab : m_grabs) {
        if (grab.held)
            continue;
        const std::optional<Combination> combination = combinationFor(grab.shortcut);
        const QString name = KeyData::keyDataFromShortcut(grab.shortcut).displayText();
        if (!combination) {
            log::error(QStringLiteral("hot keys: after a keyboard mapping change %1 is on no key").arg(name));
            continue;
        }
        if (const int error = grabCombination(*combination)) {
            log::error(QStringLiteral("hot keys: after a keyboard mapping change %1 cannot be grabbed (error %2)")
                           .arg(name)
                           .arg(error));
            continue;
        }
        grab.held = combination;
    }
    log::info(QStringLiteral("hot keys: grabbed again after a keyboard mapping change"));
}

// Handles every event Xlib holds or the socket has. The re-grab after a mapping change asks the server
// (the modifier map, the keyboard map), and each reply reads the events that came meanwhile into Xlib's
// queue, where the socket notifier cannot see them: the loop goes round again until the queue stays empty.
// Otherwise the first press of the hot key after the keyboard changed (a second keyboard, or a program
// typing through XTest, sends the notices just ahead of its keys) could wait there until some other event
// came.
void X11HotkeyGrabber::drainEvents()
{
    if (!m_connection)
        return;
    Display *display = m_connection->display();
    const unsigned relevant = x11::kShiftMask | x11::kControlMask | x11::kMod1Mask | x11::kMod4Mask;
    for (;;) {
        bool mappingChanged = false;
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (isMappingChange(event)) {
                if (event.type == MappingNotify)
                    XRefreshKeyboardMapping(&event.xmapping);
                mappingChanged = true; // one re-grab for the burst of notices a layout switch sends
                continue;
            }
            if (event.type != KeyPress)
                continue;
            const Combination pressed{event.xkey.keycode, event.xkey.state & relevant};
            const auto it = std::find_if(m_grabs.begin(), m_grabs.end(), [&](const Grab &g) { return g.held == pressed; });
            if (it == m_grabs.end())
                continue;
            // Copy: the callback may ungrab (and so destroy) its own entry.
            const PressCallback callback = it->onPress;
            if (callback)
                callback();
        }
        if (!mappingChanged)
            return;
        regrabAfterMappingChange();
    }
}

} // namespace tavolin
