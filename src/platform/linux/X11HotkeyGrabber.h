#pragma once

#include "common/HotkeyBinder.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QSocketNotifier;
union _XEvent;

namespace tavolin {

namespace x11 {
class Connection;
}

// The HotkeyGrabber of an X11 desktop: XGrabKey on the root window over a connection of its own, once for
// each state of Caps Lock and Num Lock (otherwise the key is only caught with both off). Presses are read
// from that connection through a socket notifier on the thread that created the grabber (the main thread).
//
// A shortcut names a key by what it types (the P of Ctrl+Shift+P), so its grab follows the keyboard
// mapping: when the mapping changes (setxkbmap, a layout switch, xmodmap), every grab is made again on the
// keys that now type those keysyms. A key that cannot be grabbed then is logged and stays unheld until the
// next mapping change.
//
// A combination another client already grabbed makes the server answer BadAccess: the error is caught (see
// x11::ErrorTrap), every variant grabbed for it is released again, and grab() fails with a reason saying
// so. No display: grab() fails with "there is no X display".
class X11HotkeyGrabber final : public QObject, public HotkeyGrabber
{
    Q_OBJECT
public:
    // Opens its own connection to `displayName` (empty: $DISPLAY).
    explicit X11HotkeyGrabber(const QByteArray &displayName = {}, QObject *parent = nullptr);
    ~X11HotkeyGrabber() override;

    bool isConnected() const { return m_connection != nullptr; }

    Result<void> grab(const Shortcut &shortcut, PressCallback onPress) override;
    void ungrab(const Shortcut &shortcut) override;

private:
    // (X key code, X modifier state without the lock bits)
    using Combination = std::pair<unsigned, unsigned>;
    struct Grab
    {
        Shortcut shortcut;
        std::optional<Combination> held; // none while no key of the current mapping could be grabbed
        PressCallback onPress;
    };

    std::optional<Combination> combinationFor(const Shortcut &shortcut) const;
    int grabCombination(const Combination &combination);
    void ungrabCombination(const Combination &combination);
    Grab *findGrab(const Shortcut &shortcut);
    void drainEvents();
    bool isMappingChange(const _XEvent &event) const;
    void regrabAfterMappingChange();
    unsigned lockVariants(unsigned index) const;

    std::unique_ptr<x11::Connection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    unsigned m_numLockMask = 0;
    int m_xkbEventBase = -1; // -1: the server has no XKB
    std::vector<Grab> m_grabs; // main thread only
};

} // namespace tavolin
