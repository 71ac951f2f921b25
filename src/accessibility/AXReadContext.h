#pragma once

#include "accessibility/ElementSource.h"
#include "accessibility/MenuReadLimits.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

// What reading menus needs from the layers above, passed down so this layer includes none of them.
// Shared (read-only) by every record made in one reading; the functions are called from the reading threads,
// several at once, so they must be thread-safe.
struct AXReadContext
{
    // Where every attribute is read. Never null.
    std::shared_ptr<ElementSource> source;

    // The limits of the current reading (restarted by each load). Null: unbounded (records made by hand).
    std::shared_ptr<MenuReadBudget> budget;

    // Disabled items are kept (AXMenuItem::enabled() tells them) instead of left out; their submenus are
    // still not read. The palette leaves them out: it offers only what can be performed now.
    bool keepDisabled = false;

    // Whether `element`, `depth` menus below the bar, is read (see MenuReadBudget::admit).
    bool admit(const ElementRef &element, int depth) const
    {
        return !budget || budget->admit(*source, element, depth);
    }

    // The menu rule option for a menu title in an application (PaletteRulesManager::getIgnorableOption:
    // normalises the title, looks in the application's rules, then in "all"). Empty function: no rules.
    std::function<std::optional<int64_t>(const QString &title, const QString &appKey)> ignorableOption;

    // The application key given to ignorableOption: the menu provider's raw application name (the
    // executable name), "" when it has none. Empty function: "".
    std::function<QString()> appKey;

    // The rule option for `title` (absent title counts as ""), or none.
    std::optional<int64_t> ruleFor(const std::optional<QString> &title) const
    {
        if (!ignorableOption)
            return std::nullopt;
        return ignorableOption(title.value_or(QString()), appKey ? appKey() : QString());
    }
};

using AXReadContextPtr = std::shared_ptr<const AXReadContext>;

} // namespace tavolin
