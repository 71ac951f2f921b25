#include "ui/shell/FocusReturn.h"

#include "platform/linux/X11Display.h"
#include "platform/linux/X11Focus.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace tavolin {
namespace {

int32_t ownPid()
{
    return static_cast<int32_t>(QCoreApplication::applicationPid());
}

} // namespace

FocusReturn::FocusReturn()
{
    // Only where Qt itself talks X: an offscreen or Wayland program has no windows there to return to.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_connection = x11::Connection::open();
}

FocusReturn::~FocusReturn() = default;

void FocusReturn::remember()
{
    if (!m_connection)
        return;
    const std::optional<x11::FocusedWindow> focused = x11::focusedWindow(m_connection->display());
    if (focused && focused->window != 0 && focused->pid != ownPid())
        m_window = focused->window;
}

void FocusReturn::restore()
{
    if (!m_connection || m_window == 0)
        return;
    const std::optional<x11::FocusedWindow> focused = x11::focusedWindow(m_connection->display());
    if (!shouldRestore(m_window, focused ? focused->pid : 0, ownPid()))
        return;
    if (focused && focused->window == m_window)
        return;
    x11::activateWindow(m_connection->display(), m_window);
}

std::optional<QRect> FocusReturn::screenFrame() const
{
    if (!m_connection || m_window == 0)
        return std::nullopt;
    const std::unique_ptr<QWindow> foreign(QWindow::fromWinId(static_cast<WId>(m_window)));
    if (!foreign)
        return std::nullopt;
    const QRect window(foreign->mapToGlobal(QPoint(0, 0)), foreign->size());
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    return screenFor(window, screens);
}

std::optional<QRect> FocusReturn::screenFor(const QRect &window, const QList<QRect> &screens)
{
    for (const QRect &screen : screens) {
        if (screen.contains(window.center()))
            return screen;
    }
    std::optional<QRect> best;
    qint64 bestArea = 0;
    for (const QRect &screen : screens) {
        const QRect overlap = screen.intersected(window);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (!overlap.isEmpty() && area > bestArea) {
            bestArea = area;
            best = screen;
        }
    }
    return best;
}

bool FocusReturn::shouldRestore(unsigned long remembered, int32_t focusedPid, int32_t own)
{
    if (remembered == 0)
        return false;
    return focusedPid <= 0 || focusedPid == own;
}

} // namespace tavolin
