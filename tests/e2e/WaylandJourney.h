#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

namespace tavolin::test {

class PaletteRun;

// A top-level window as the compositor shows it.
struct CompositorWindow
{
    QString title;
    qint64 pid = 0;
    bool focused = false;
    bool floating = false;
    QRect frame;
};

// The compositor's top-level windows, in its own order; empty when it did not answer.
QList<CompositorWindow> compositorWindows();
// How many windows of process `pid` the compositor shows.
qsizetype compositorWindowsOf(qint64 pid);
// The window of process `pid` that the compositor shows floating with the keyboard (the panel); nullopt when none.
std::optional<CompositorWindow> focusedFloatingWindowOf(qint64 pid);

// Base of the journeys under a Wayland compositor: a private headless sway session (with Xwayland, a virtual
// keyboard, the session and accessibility buses) whose programs run as the session's user, GDK_BACKEND and
// QT_QPA_PLATFORM set to wayland. SetUp skips, saying why, when the session cannot start.
class WaylandJourney : public ::testing::Test
{
protected:
    void SetUp() override;

    // Runs swaymsg with `arguments` against the session's compositor; its output, nullopt when it failed.
    static std::optional<QString> swaymsg(const QStringList &arguments);
    // Binds Ctrl+Shift+P in the compositor to `tavolin --show` over the palette's folders, as a user's own
    // configuration would.
    static bool bindPaletteKey(const PaletteRun &palette);
    // Gives the keyboard to the window of process `pid`, as a click on it would.
    static bool focusApplication(qint64 pid);
    // Waits (bounded) until a window of process `pid` is shown; false when none came.
    static bool waitForWindowOf(qint64 pid);
    // Keys through the compositor's virtual keyboard (wtype arguments: "-M ctrl p -m ctrl", "-k Return").
    static bool wtype(const QStringList &arguments);
    // Saves what the screen shows as build*/artifacts/`name`.png; false when grim failed.
    static bool screenshot(const QString &name);
};

} // namespace tavolin::test
