#pragma once

#include "common/HotkeyBinder.h"

#include <QByteArray>
#include <QObject>

#include <map>
#include <memory>
#include <utility>

class QSocketNotifier;

namespace tavolin {

namespace x11 {
class Connection;
}

// The HotkeyGrabber of an X11 desktop: XGrabKey on the root window over a connection of its own, once for
// each state of Caps Lock and Num Lock (otherwise the key is only caught with both off). Presses are read
// from that connection through a socket notifier on the thread that created the grabber (the main thread).
//
// A combination another client already grabbed makes the server answer BadAccess: the error is caught (see
// x11::ErrorTrap), every variant grabbed for it is released again, and grab() fails with a reason saying
// so. No display: grab() fails with "no X display".
class X11HotkeyGrabber final : public QObject, public HotkeyGrabber
{
    Q_OBJECT
public:
    // Opens its own connection to `displayName` (empty: $DISPLAY).
    explicit X11HotkeyGrabber(const QByteArray &displayName = {}, QObject *parent = nullptr);
    ~X11HotkeyGrabber() override;

    bool isConnected() const { return m_connection != nullptr; }

    HotkeyStatus grab(const Shortcut &shortcut, PressCallback onPress) override;
    void ungrab(const Shortcut &shortcut) override;

private:
    // (X key code, X modifier state without the lock bits)
    using Combination = std::pair<unsigned, unsigned>;

    std::optional<Combination> combinationFor(const Shortcut &shortcut) const;
    void ungrabCombination(const Combination &combination);
    void drainEvents();
    unsigned lockVariants(unsigned index) const;

    std::unique_ptr<x11::Connection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    unsigned m_numLockMask = 0;
    std::map<Combination, PressCallback> m_grabs; // main thread only
};

} // namespace tavolin
