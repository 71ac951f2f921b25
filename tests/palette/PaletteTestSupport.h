#pragma once

#include "palette/MenuItemData.h"

#include <QStringList>

#include <memory>

namespace tavolin::test {

// Rows in palette tests are built without the settings-backed rule manager: this installs a menu-rule lookup
// (none by default: no rules) for its lifetime and restores the default afterwards.
class ScopedMenuRules
{
public:
    explicit ScopedMenuRules(MenuItemData::IgnorableOption lookup = {})
    {
        MenuItemData::setIgnorableOptionLookup(
            lookup ? std::move(lookup) : [](const QString &, const QString &) { return std::optional<int64_t>(); });
    }
    ~ScopedMenuRules() { MenuItemData::setIgnorableOptionLookup({}); }
    ScopedMenuRules(const ScopedMenuRules &) = delete;
    ScopedMenuRules &operator=(const ScopedMenuRules &) = delete;
};

inline MenuItemDataPtr makeRow(const QString &title, const QStringList &path = {}, int historyIndex = -1,
                               bool hasSubmenu = false)
{
    auto row = std::make_shared<MenuItemData>(title, path, false, std::nullopt, QString());
    row->setHistoryIndex(historyIndex);
    row->setHasSubmenu(hasSubmenu);
    return row;
}

} // namespace tavolin::test
