#pragma once

#include "palette/PanelMode.h"
#include "palette/RowData.h"

#include <QString>

#include <optional>

class QKeyEvent;

namespace tavolin {

// The window controller's entry points that the input row and the list call. Main thread.
class PanelDelegate
{
public:
    virtual ~PanelDelegate() = default;

    // The input text changed (force false, no row) or a fresh result is wanted.
    virtual void onSearch(const QString &text, bool force, std::optional<qsizetype> selectedRow) = 0;
    // Enters a row's children (with undo back to the parent).
    virtual void onExpand(const RowDataPtr &item) = 0;
    // Leaves one level (false) or every level (true).
    virtual void doUnfilter(bool all) = 0;
    // Escape: ends a hover preview, else closes.
    virtual void onCancelOrExitPanel() = 0;
    virtual void onExitPanel() = 0;
    virtual void switchMode(PanelMode next) = 0;
    // A key nothing else handled: runs the row with that shortcut. True when it was used.
    virtual bool bypassKeyEvent(const QKeyEvent &event) = 0;
    // Performs the selected row (Return, a click).
    virtual void performSelectedRow() = 0;
    // Moves the selection by `step` rows (negative: up), wrapping at both ends.
    virtual void selectNext(bool up, int step) = 0;
    // The options button.
    virtual void toggleMode() = 0;
    // Undoes the last submenu move or mode switch; false when there was none.
    virtual bool undoLastMove() = 0;
};

} // namespace tavolin
