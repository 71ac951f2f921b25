#pragma once

#include "palette/MenuItemData.h"

#include <QStringList>

#include <memory>
#include <string>

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

// A text's UTF-16 units, for failure messages about texts that do not print.
inline std::string describe(const QString &text)
{
    std::string out;
    for (QChar c : text)
        out += "U+" + QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0').toStdString() + " ";
    return out;
}

inline MenuItemDataPtr makeRow(const QString &title, const QStringList &path = {}, int historyIndex = -1,
                               bool hasSubmenu = false)
{
    auto row = std::make_shared<MenuItemData>(title, path, false, std::nullopt, QString());
    row->setHistoryIndex(historyIndex);
    row->setExpands(hasSubmenu);
    return row;
}

} // namespace tavolin::test
