#include "accessibility/AXMenu.h"

#include "accessibility/AXUtils.h"

namespace tavolin {
namespace {
constexpr int64_t kHiddenWithSubmenu = 2;
} // namespace

void AXMenu::readMenuItems(const AXReadContextPtr &context, const ElementRef &element, MenuLevel level, int depth)
{
    ElementSource &source = *context->source;
    AXError error = AXError::Success;
    const std::optional<ElementList> children = AXUtils::getAny<ElementList>(source, AXAttribute::Children, element, &error);
    if (error == AXError::InvalidElement && context->budget)
        context->budget->noteVanished();
    if (!children)
        return;
    const bool topLevel = level == MenuLevel::TopLevel;
    const bool skipFirst = topLevel && source.menuBarStartsWithSystemMenu();
    const ReadDepth readDepth = topLevel ? ReadDepth::ItemOnly : ReadDepth::WithSubmenus;
    m_items.reserve(m_items.size() + children->size());
    for (size_t i = 0; i < children->size(); ++i) {
        if (skipFirst && i == 0)
            continue;
        if (!(*children)[i] || !context->admit((*children)[i], depth))
            continue;
        auto item = std::make_shared<AXMenuItem>(context, (*children)[i], readDepth, depth);
        if (!item->title() || item->title()->isEmpty())
            continue;
        if (context->ruleFor(item->title()) == kHiddenWithSubmenu)
            continue;
        if (!item->enabled() && !context->keepDisabled)
            continue;
        m_items.push_back(std::move(item));
    }
}

QString AXMenu::role(ElementSource &source, const ElementRef &menu)
{
    return AXUtils::getAny<QString>(source, AXAttribute::Role, menu).value_or(QString());
}

} // namespace tavolin
