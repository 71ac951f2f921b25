#pragma once

#include "accessibility/AXReadContext.h"
#include "common/KeyData.h"

#include <QString>

#include <memory>
#include <optional>

namespace tavolin {

class AXMenu;

enum class ReadDepth {
    ItemOnly,     // top-level menus: their submenus are read later, one by one
    WithSubmenus, // deeper items: an enabled item's submenu is read at once, recursively
};

// One menu item that survived the reading filters: its element (kept for performing it), its title, state
// and, when it has one and it was read, its submenu. Records are shared (rows point at them) and own their
// submenus; nothing points back to a parent.
//
// Threads: a record is built (and readSubmenu() runs) on one reading thread; it is handed to other threads
// only after that, and is read-only from then on. shortcut() and press() may run on any thread the source
// allows. Failed reads degrade to absent values, never errors.
class AXMenuItem
{
public:
    // Reads title, enabled state, (with WithSubmenus and enabled) the submenu, then the check mark. `level`:
    // the menus between the item and the bar (a top-level menu's item: 0), for the context's depth limit.
    AXMenuItem(AXReadContextPtr context, ElementRef ref, ReadDepth depth, int level = 0);

    const std::shared_ptr<AXMenu> &submenu() const { return m_submenu; }
    const std::optional<QString> &title() const { return m_title; }
    bool enabled() const { return m_enabled; }
    // True only when the item's mark is exactly "✓".
    bool checked() const { return m_checked; }
    const AXReadContextPtr &context() const { return m_context; }

    // The item's keyboard shortcut as the application shows it, or none. Reads the shortcut attributes now.
    std::optional<KeyData> shortcut() const;

    // Reads (or re-reads) the submenu: kept only when the item is enabled, the menu rule for the title is not
    // 2, the item has exactly one child, and that child is a menu.
    void readSubmenu();

    // Asks the application to perform the item ("AXPress"). Fire-and-forget; the result is the source's.
    AXError press() const;
    // As press(), and reports what the press came to once the application answered (see
    // ElementSource::performActionReporting for the outcomes and the thread).
    AXError press(ElementSource::ActionOutcome outcome) const;
    // What a failed press outcome means, for the user: "the menu item is gone", ...
    static QString failureText(AXError outcome);

private:
    AXReadContextPtr m_context;
    ElementRef m_axElement;
    std::shared_ptr<AXMenu> m_submenu;
    std::optional<QString> m_title;
    bool m_enabled = false;
    bool m_checked = false;
    int m_level = 0;
};

using AXMenuItemPtr = std::shared_ptr<AXMenuItem>;

} // namespace tavolin
