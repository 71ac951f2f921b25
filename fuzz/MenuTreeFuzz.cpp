// Menu trees as a buggy or hostile application can serve them, read by the menu reader through the
// element-source seam: generated graphs with cycles, shared menus, deep chains and wide fan-out, odd titles,
// roles, states and marks, elements that vanish while read. The reading always ends within the limits.
// Input: a stream of nodes; each is a header byte (bits 0-1 role, 2 enabled, 3 titled, 4 checked, 5 gone,
// 6 identities off, 7 vanishing later), a child count byte, that many child index bytes (any node, the node
// itself included), then a NUL-terminated title.
#include "FuzzSupport.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"
#include "support/MenuGraphSource.h"

#include <functional>

using namespace tavolin;

namespace {

constexpr size_t kMaxNodes = 256;

const char *const kRoles[] = {axrole::kMenuItem, axrole::kMenu, axrole::kMenuBarItem, "AXUnknown"};

std::shared_ptr<test::MenuGraphSource> graphOf(const uint8_t *data, size_t size)
{
    auto graph = std::make_shared<test::MenuGraphSource>();
    size_t at = 0;
    while (at + 2 <= size && graph->size() < kMaxNodes) {
        const uint8_t header = data[at++];
        test::MenuGraphSource::Node node;
        node.role = QString::fromLatin1(kRoles[header & 3]);
        node.enabled = (header & 4) != 0;
        node.mark = (header & 16) != 0 ? QStringLiteral("\u2713") : QString();
        node.gone = (header & 32) != 0;
        graph->setIdentities((header & 64) == 0);
        const size_t children = data[at++];
        for (size_t i = 0; i < children && at < size; ++i)
            node.children.push_back(data[at++]);
        size_t end = at;
        while (end < size && data[end] != 0)
            ++end;
        if ((header & 8) != 0)
            node.title = QString::fromUtf8(reinterpret_cast<const char *>(data + at), qsizetype(end - at));
        at = end + 1;
        const int index = graph->add(std::move(node));
        if ((header & 128) != 0)
            graph->vanishAfter(index, header & 7);
    }
    // Children naming a node past the last are left dangling: reading them gives InvalidElement.
    return graph;
}

int depthOf(const AXMenu &menu, int depth)
{
    int deepest = depth;
    for (const AXMenuItemPtr &item : menu.items()) {
        fuzz::require(item->title() && !item->title()->isEmpty(), "only titled items are kept");
        (void)item->shortcut();
        if (item->submenu())
            deepest = std::max(deepest, depthOf(*item->submenu(), depth + 1));
    }
    return deepest;
}

qsizetype countOf(const AXMenu &menu)
{
    qsizetype count = qsizetype(menu.items().size());
    for (const AXMenuItemPtr &item : menu.items())
        count += item->submenu() ? countOf(*item->submenu()) : 0;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUpApplication();
    const std::shared_ptr<test::MenuGraphSource> graph = graphOf(data, size);
    if (graph->size() == 0)
        return 0;
    auto context = std::make_shared<AXReadContext>();
    context->source = graph;
    context->budget = std::make_shared<MenuReadBudget>(QStringLiteral("fuzz"));
    const std::optional<ElementRef> bar = AXUtils::getAny<ElementRef>(*graph, AXAttribute::MenuBar, graph->application());
    if (!bar)
        return 0;
    AXMenu menu;
    menu.readMenuItems(context, *bar, MenuLevel::TopLevel);
    for (const AXMenuItemPtr &item : menu.items())
        item->readSubmenu();
    fuzz::require(depthOf(menu, 0) <= menulimits::kMaxDepth + 1, "menus are read no deeper than the limit");
    fuzz::require(countOf(menu) <= menulimits::kMaxRows, "no more items than the limit");
    (void)context->budget->cuts().describe();
    return 0;
}
