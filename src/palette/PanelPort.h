#pragma once

#include "accessibility/AXApp.h"
#include "palette/PanelMode.h"
#include "palette/RowData.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

namespace tavolin {

// What the palette controller and the command interpreter ask of the floating panel. The panel window
// (ui/panel) implements it; tests use FakePanelPort. Geometry is in the desktop's logical pixels, y growing
// downwards.
//
// Threads: main thread only. The panel is not owned and outlives its users.
class PanelPort
{
public:
    virtual ~PanelPort() = default;

    virtual bool isVisible() const = 0;
    // Hides the panel the way Escape does.
    virtual void close() = 0;
    // Selects a row of the list and scrolls to it.
    virtual void selectRow(qsizetype row) = 0;
    // The target application changed: empties the input, drops the old list.
    virtual void refreshApp(const AXAppPtr &app) = 0;
    // Icon beside the input (theme name or path); none hides it.
    virtual void setAppIcon(const std::optional<QString> &icon) = 0;
    // Makes the panel the key window in front of every other and shows the current provider's rows.
    virtual void showPanel() = 0;
    // The current provider's rows changed: reload the list, keep the selection sensible.
    virtual void updateUI() = 0;

    // The window's frame; none before it exists.
    virtual std::optional<QRect> windowFrame() const = 0;
    // The frame of the screen the window is on, and of the main screen (the one holding the focused
    // window, else the one under the pointer); none when unknown. Equal frames mean the same screen.
    virtual std::optional<QRect> windowScreenFrame() const = 0;
    virtual std::optional<QRect> mainScreenFrame() const = 0;
    virtual void moveWindow(const QPoint &origin) = 0;
    // Height of the list showing `rows` rows under the current theme.
    virtual int listHeight(int rows) const = 0;

    // Switches the panel's mode (and so the current row provider).
    virtual void switchMode(PanelMode mode) = 0;
    // Enters `row` as if the user had chosen it (its children are listed).
    virtual void expandRow(const RowDataPtr &row) = 0;
    // Closes the panel before a row acts on the target application.
    virtual void exitPanel() = 0;
};

} // namespace tavolin
