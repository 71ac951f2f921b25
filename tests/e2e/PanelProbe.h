#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavolin::test {

// What the palette's panel shows, as its accessible tree tells it: the text of the input row and the list's
// row titles, top first (at most kMaxRows of them).
struct PanelContent
{
    static constexpr int kMaxRows = 40;
    QString input;
    // What the empty input shows in grey (its placeholder, which Qt offers as the field's description).
    QString inputHint;
    // The accessible names of the input field and of the list, as a screen reader announces them.
    QString inputName;
    QString listName;
    QStringList rows;
    // From each row's accessible description, parallel to rows: its group (a file row's group in quick open,
    // "Recent", "File Results", ..., or "Recent" for a command from the history), "" for rows without one;
    // and what follows the group: the menu path and shortcut, or a file's folder.
    QStringList groups;
    QStringList details;
    int selected = -1; // index into rows, -1 when no row is selected
};

// Reads other processes' accessible trees over AT-SPI, the way a screen reader sees them. Every read asks
// the application afresh (nothing cached between calls) and is bounded by a 0.9 s time-out per call.
// Main thread only (libatspi is not thread-safe); needs the session's DISPLAY and bus in the environment
// before the first read.
class PanelProbe
{
public:
    // The panel of the palette process `pid`: nullopt while that process is not on the accessibility bus or
    // shows no list yet.
    static std::optional<PanelContent> panel(qint64 pid);
    // The number of top-level windows (frames) of application `pid`, or -1 when it is not on the bus.
    static int frameCount(qint64 pid);
    // The names of application `pid`'s top-level windows (frames), in the bus's order; empty when it is not
    // on the bus.
    static QStringList frameTitles(qint64 pid);
    // The centre, in screen coordinates, of the first showing button named `name` in application `pid`'s
    // windows (a checkable one too, which reads as a check box, and a page tab); nullopt when there is none.
    static std::optional<QPoint> buttonCentre(qint64 pid, const QString &name);
    // Does the first action of the first showing button named `name` in application `pid`'s windows, as a
    // screen reader's user would press it; false when there is no such button or it did not take the action.
    static bool pressButton(qint64 pid, const QString &name);
    // The names of application `pid`'s top-level windows of any kind (frames, dialogs, file choosers), in
    // the bus's order; nullopt when it is not on the bus or a read failed (it did not answer in time).
    static std::optional<QStringList> windowTitles(qint64 pid);
    // The texts of the text fields in application `pid`'s top-level window named `title`, as a screen reader
    // reads them (not looking inside lists and tables); nullopt when there is no such window or a read failed.
    static std::optional<QStringList> fieldTexts(qint64 pid, const QString &title);
    // The names of every element of application `pid` that is showing (labels, buttons, fields...), in
    // breadth-first order; empty when it is not on the bus.
    static QStringList shownNames(qint64 pid);
    // As shownNames, each named element as "role: name" with the bus's role name ("page tab: General").
    static QStringList shownRolesAndNames(qint64 pid);
};

} // namespace tavolin::test
