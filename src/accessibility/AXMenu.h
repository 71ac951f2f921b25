#pragma once

#include "accessibility/AXMenuItem.h"

#include <vector>

namespace tavolin {

enum class MenuLevel {
    TopLevel, // the menu bar: a leading system menu is skipped; items are read without their submenus
    Submenu,  // any deeper menu: items' submenus are read at once
};

// The items of one menu, in the order the element lists its children. Separators (no or empty title),
// disabled items (unless the context keeps them) and items whose menu rule is 2 are left out; their submenus
// are never read.
// Threads: as AXMenuItem.
class AXMenu
{
public:
    const std::vector<AXMenuItemPtr> &items() const { return m_items; }

    // Appends the kept children of `element`, which lies `depth` menus below the bar (the bar itself: 0). A
    // failed read of the children adds nothing; children the context's limits refuse are left out.
    void readMenuItems(const AXReadContextPtr &context, const ElementRef &element, MenuLevel level, int depth = 0);

    // The element's role, or "" when it cannot be read.
    static QString role(ElementSource &source, const ElementRef &menu);

private:
    std::vector<AXMenuItemPtr> m_items;
};

using AXMenuPtr = std::shared_ptr<AXMenu>;

} // namespace tavolin
