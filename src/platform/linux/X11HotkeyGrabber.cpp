#include "platform/linux/X11HotkeyGrabber.h"

#include "common/Log.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11Keys.h"

#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

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
    for (const auto &[combination, callback] : m_grabs)
        ungrabCombination(combination);
    XSync(m_connection->display(), False);
}

std::optional<X11HotkeyGrabber::Combination> X11HotkeyGrabber::combinationFor(const Shortcut &shortcut) const
{
    const std::optional<uint32_t> keysym = x11::keysymForKeyCode(shortcut.keyCode());
    if (!keysym)
        return std::nullopt;
    const KeyCode code = XKeysymToKeycode(m_connection->display(), *keysym);
    if (code == 0)
        return std::nullopt;
    return Combination{code, x11::x11ModifiersForFlags(shortcut.modifierFlags())};
}

unsigned X11HotkeyGrabber::lockVariants(unsigned index) const
{
    const unsigned variants[4] = {0, x11::kLockMask, m_numLockMask, x11::kLockMask | m_numLockMask};
    return variants[index];
}

HotkeyStatus X11HotkeyGrabber::grab(const Shortcut &shortcut, PressCallback onPress)
{
    if (!m_connection)
        return HotkeyStatus::failure(QStringLiteral("no X display"));
    const std::optional<Combination> combination = combinationFor(shortcut);
    if (!combination)
        return HotkeyStatus::failure(QStringLiteral("the key of %1 is not on this keyboard").arg(shortcut.description()));
    if (m_grabs.count(*combination)) {
        m_grabs[*combination] = std::move(onPress);
        return HotkeyStatus::ok();
    }
    Display *display = m_connection->display();
    int error = 0;
    {
        x11::ErrorTrap trap(display);
        for (unsigned i = 0; i < 4; ++i)
            XGrabKey(display, int(combination->first), combination->second | lockVariants(i),
                     m_connection->root(), False, GrabModeAsync, GrabModeAsync);
        error = trap.sync();
    }
    if (error != 0) {
        ungrabCombination(*combination);
        QMetaObject::invokeMethod(this, &X11HotkeyGrabber::drainEvents, Qt::QueuedConnection);
        const QString reason = error == BadAccess
            ? QStringLiteral("%1 is already taken by another program").arg(shortcut.description())
            : QStringLiteral("the X server refused %1 (error %2)").arg(shortcut.description()).arg(error);
        log::error(QStringLiteral("hot keys: %1").arg(reason));
        return HotkeyStatus::failure(reason);
    }
    m_grabs[*combination] = std::move(onPress);
    // XSync may have read events into Xlib's queue, where the socket notifier cannot see them.
    QMetaObject::invokeMethod(this, &X11HotkeyGrabber::drainEvents, Qt::QueuedConnection);
    return HotkeyStatus::ok();
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
    const std::optional<Combination> combination = combinationFor(shortcut);
    if (!combination || m_grabs.erase(*combination) == 0)
        return;
    ungrabCombination(*combination);
    QMetaObject::invokeMethod(this, &X11HotkeyGrabber::drainEvents, Qt::QueuedConnection);
}

void X11HotkeyGrabber::drainEvents()
{
    if (!m_connection)
        return;
    Display *display = m_connection->display();
    const unsigned relevant = x11::kShiftMask | x11::kControlMask | x11::kMod1Mask | x11::kMod4Mask;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != KeyPress)
            continue;
        const Combination pressed{event.xkey.keycode, event.xkey.state & relevant};
        const auto it = m_grabs.find(pressed);
        if (it == m_grabs.end())
            continue;
        // Copy: the callback may ungrab (and so destroy) its own entry.
        const PressCallback callback = it->second;
        if (callback)
            callback();
    }
}

} // namespace tavolin
