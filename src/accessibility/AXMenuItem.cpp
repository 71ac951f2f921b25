#include "accessibility/AXMenuItem.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"

namespace tavolin {
namespace {

const QString kCheckMark = QStringLiteral("\u2713");
constexpr int64_t kHiddenWithSubmenu = 2; // menu rule option: drop the item and never read its submenu

} // namespace

AXMenuItem::AXMenuItem(AXReadContextPtr context, ElementRef ref, ReadDepth depth, int level)
    : m_context(std::move(context)), m_axElement(std::move(ref)), m_level(level)
{
    ElementSource &source = *m_context->source;
    m_title = AXUtils::getAny<QString>(source, AXAttribute::Title, m_axElement);
    m_enabled = AXUtils::getAny<bool>(source, AXAttribute::Enabled, m_axElement).value_or(false);
    // An untitled item (a separator) is dropped by the menu anyway: reading its submenu would be wasted
    // round trips.
    if (depth == ReadDepth::WithSubmenus && m_enabled && m_title && !m_title->isEmpty())
        readSubmenu();
    m_checked = AXUtils::getAny<QString>(source, AXAttribute::MenuItemMarkChar, m_axElement) == kCheckMark;
}

std::optional<KeyData> AXMenuItem::shortcut() const
{
    ElementSource &source = *m_context->source;
    const std::optional<QString> cmdChar = AXUtils::getAny<QString>(source, AXAttribute::MenuItemCmdChar, m_axElement);
    std::optional<int64_t> code = AXUtils::getAny<int64_t>(source, AXAttribute::MenuItemCmdVirtualKey, m_axElement);
    if (!code)
        code = AXUtils::getAny<int64_t>(source, AXAttribute::MenuItemCmdGlyph, m_axElement);
    const bool hasCode = code && *code >= 1;
    if (!hasCode && (!cmdChar || cmdChar->isEmpty()))
        return std::nullopt;
    const int64_t modifiers = AXUtils::getAny<int64_t>(source, AXAttribute::MenuItemCmdModifiers, m_axElement)
                                  .value_or(keymask::kNoCommand);
    return KeyData(cmdChar.value_or(QString()), code.value_or(0), modifiers);
}

void AXMenuItem::readSubmenu()
{
    // A disabled menu does not open: nothing below it can be performed (kept only with keepDisabled).
    if (!m_enabled || m_context->ruleFor(m_title) == kHiddenWithSubmenu)
        return;
    ElementSource &source = *m_context->source;
    int64_t count = 0;
    source.attributeValueCount(m_axElement, AXAttribute::Children, count);
    if (count != 1)
        return;
    const std::optional<ElementList> children = AXUtils::getAny<ElementList>(source, AXAttribute::Children, m_axElement);
    if (!children || children->empty() || !children->front())
        return;
    const ElementRef &child = children->front();
    // A menu item's single child that is not a menu (a custom view, a group) is no submenu; its items are
    // only read after the role said so, to spare the round trips.
    if (AXMenu::role(source, child) != QLatin1String(axrole::kMenu)) {
        m_submenu.reset();
        return;
    }
    // A submenu met again (a menu holding an item that leads back to it) is not read a second time.
    if (!m_context->admit(child, m_level + 1))
        return;
    auto menu = std::make_shared<AXMenu>();
    menu->readMenuItems(m_context, child, MenuLevel::Submenu, m_level + 1);
    m_submenu = std::move(menu);
}

AXError AXMenuItem::press() const
{
    return m_context->source->performAction(m_axElement, QString::fromLatin1(kAXPressAction));
}

AXError AXMenuItem::press(ElementSource::ActionOutcome outcome) const
{
    return m_context->source->performActionReporting(m_axElement, QString::fromLatin1(kAXPressAction),
                                                     std::move(outcome));
}

QString AXMenuItem::failureText(AXError outcome)
{
    switch (outcome) {
    case AXError::Success:
        return {};
    case AXError::InvalidElement:
        return QStringLiteral("the menu item is gone: the application changed its menus or quit");
    case AXError::CannotComplete:
        return QStringLiteral("the application is not answering");
    case AXError::AttributeUnsupported:
        return QStringLiteral("the menu item cannot be performed");
    default:
        return QStringLiteral("the press did not reach the application (error %1)").arg(int(outcome));
    }
}

} // namespace tavolin
