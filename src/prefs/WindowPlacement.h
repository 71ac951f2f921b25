#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

namespace tavolin::windowplacement {

// Where the preferences window was left, kept in a small state file (stateDir()/preferences-window, one
// line "x y") rather than the settings domain: the palette watches that domain, and a window's place is
// no setting anyone edits. Main thread; failures only mean the window opens centred next time.

QString filePath();
// The saved top-left corner; nullopt when none was saved or the file does not hold two numbers.
std::optional<QPoint> load();
// Writes the corner atomically; false when the file could not be written.
bool save(QPoint topLeft);
// Where a window of `size` opens: `saved` when a window there keeps at least `kVisibleMargin` pixels of
// its title area on one of `screens` (so a monitor that has gone never hides it), else centred on `primary`.
QPoint placeFor(std::optional<QPoint> saved, QSize size, const QList<QRect> &screens, const QRect &primary);

inline constexpr int kVisibleMargin = 48;

} // namespace tavolin::windowplacement
