#pragma once

#include "accessibility/AXMenu.h"

#include <QString>

#include <optional>
#include <vector>

namespace tavolin {

// What the trigger decision looks at in a row the watcher built from a menu item.
struct AXRowInfo
{
    QString title;
    // KeyData::toString() of the row's shortcut; none when the row has no shortcut.
    std::optional<QString> shortcutText;
};

// Receives an application's menus as they are read (the menu data provider).
//
// Threads: onUpdate(menu) and onLoadFinished() run on the main thread (or the thread that called
// AXApp::loadMenus); onUpdate(item, index) runs on background threads, several at once, unless the source
// reads on the main thread only; onShouldTriggerUpdate() runs on whichever thread decided (main or
// background). A watcher is never called after AXApp::setWatcher() replaced it and returned (unless that
// call came from inside one of these callbacks, where calls already running elsewhere may still finish).
class AxAppWatcher
{
public:
    virtual ~AxAppWatcher() = default;

    // The top-level menus are known; their submenus are not read yet.
    virtual void onUpdate(const AXMenuPtr &menu) = 0;
    // The submenu of the top-level menu at `index` (position in the menu bar's items) has been read. The
    // watcher builds and keeps its rows and returns what the trigger decision needs of them, in row order.
    virtual std::vector<AXRowInfo> onUpdate(const AXMenuItemPtr &item, int index) = 0;
    // The trigger decision changed to `value`.
    virtual void onShouldTriggerUpdate(bool value) = 0;
    // The submenus of every top-level menu have been read. Called once per load.
    virtual void onLoadFinished() = 0;
};

} // namespace tavolin
