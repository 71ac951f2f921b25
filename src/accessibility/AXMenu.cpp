#include "accessibility/AXMenu.h"

#include "accessibility/AXUtils.h"

namespace tavolin {
namespace {
constexpr int64_t kHiddenWithSubmenu = 2;
} // namespace

void AXMenu::readMenuItems(const AXReadContextPtr &context, const ElementRef &element, MenuLevel level)
{
    ElementSource &source = *context->source;
    const std::optional<ElementList> children = AXUtils::getAny<ElementList>(source, AXAttribute::Children, element);
    if (!children)
        return;
    const bool topLevel = level == MenuLevel::TopLevel;
    const bool skipFirst = topLevel && source.menuBarStartsWithSystemMenu();
    const ReadDepth depth = topLevel ? ReadDepth::ItemOnly : ReadDepth::WithSubmenus;
    m_items.reserve(m_items.size() + children->size());
    for (size_t i = 0; i < children->size(); ++i) {
        if (skipFirst && i == 0)
            continue;
        if (!(*children)[i])
            continue;
        auto item = std::make_shared<AXMenuItem>(context, (*children)[i], depth);
        if (!item->title() || item->title()->isEmpty())
            continue;
        if (context->ruleFor(item->title()) == kHiddenWithSubmenu)
            continue;
        if (!item->enabled())
            continue;
        m_items.push_back(std::move(item));
    }
}

QString AXMenu::role(ElementSource &source, const ElementRef &menu)
{
    return AXUtils::getAny<QString>(source, AXAttribute::Role, menu).value_or(QString());
}

} // namespace tavolin
