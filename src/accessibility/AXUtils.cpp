#include "accessibility/AXUtils.h"

#include <array>
#include <utility>

namespace tavolin {
namespace {

constexpr std::array<std::pair<AXAttribute, const char *>, 14> kNames{{
    {AXAttribute::Title, "AXTitle"},
    {AXAttribute::Enabled, "AXEnabled"},
    {AXAttribute::Children, "AXChildren"},
    {AXAttribute::Role, "AXRole"},
    {AXAttribute::MenuItemMarkChar, "AXMenuItemMarkChar"},
    {AXAttribute::MenuItemCmdChar, "AXMenuItemCmdChar"},
    {AXAttribute::MenuItemCmdVirtualKey, "AXMenuItemCmdVirtualKey"},
    {AXAttribute::MenuItemCmdGlyph, "AXMenuItemCmdGlyph"},
    {AXAttribute::MenuItemCmdModifiers, "AXMenuItemCmdModifiers"},
    {AXAttribute::FocusedApplication, "AXFocusedApplication"},
    {AXAttribute::MenuBar, "AXMenuBar"},
    {AXAttribute::MainWindow, "AXMainWindow"},
    {AXAttribute::Windows, "AXWindows"},
    {AXAttribute::Document, "AXDocument"},
}};

} // namespace

std::optional<AXAttribute> AXUtils::attributeNamed(const QString &name)
{
    for (const auto &[attribute, text] : kNames) {
        if (name == QLatin1String(text))
            return attribute;
    }
    return std::nullopt;
}

QString AXUtils::nameOf(AXAttribute attribute)
{
    for (const auto &[known, text] : kNames) {
        if (known == attribute)
            return QString::fromLatin1(text);
    }
    return QString();
}

} // namespace tavolin
