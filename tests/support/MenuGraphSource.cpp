#include "support/MenuGraphSource.h"

namespace tavolin::test {
namespace {

// A handle to node `index` (-1: the application). Fresh for every read, as the accessibility bus's are.
class GraphElement final : public Element
{
public:
    explicit GraphElement(int index) : index(index) {}
    const int index;
};

const GraphElement *graphElement(const ElementRef &element)
{
    return dynamic_cast<const GraphElement *>(element.get());
}

} // namespace

int MenuGraphSource::add(Node node)
{
    if (!m_application)
        m_application = std::make_shared<GraphElement>(-1);
    m_nodes.push_back(std::move(node));
    return int(m_nodes.size()) - 1;
}

void MenuGraphSource::vanishAfter(int index, int reads)
{
    std::lock_guard lock(m_mutex);
    m_readsLeft[index] = reads;
}

int MenuGraphSource::addMenu(std::vector<int> items)
{
    Node menu;
    menu.role = QString::fromLatin1(axrole::kMenu);
    menu.children = std::move(items);
    return add(std::move(menu));
}

int MenuGraphSource::addItem(const QString &title, std::optional<int> submenu)
{
    Node item;
    item.title = title;
    if (submenu)
        item.children.push_back(*submenu);
    return add(std::move(item));
}

const MenuGraphSource::Node *MenuGraphSource::find(const ElementRef &element, AXError &error)
{
    ++m_requests;
    const GraphElement *graph = graphElement(element);
    if (graph == nullptr || graph->index < 0 || size_t(graph->index) >= m_nodes.size()) {
        error = graph != nullptr && graph->index == -1 ? AXError::AttributeUnsupported : AXError::InvalidElement;
        return nullptr;
    }
    const Node &node = m_nodes[size_t(graph->index)];
    bool gone = node.gone;
    {
        std::lock_guard lock(m_mutex);
        const auto left = m_readsLeft.find(graph->index);
        if (left != m_readsLeft.end() && left->second-- <= 0)
            gone = true;
    }
    if (gone) {
        error = AXError::InvalidElement;
        return nullptr;
    }
    return &node;
}

AXError MenuGraphSource::copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out)
{
    const GraphElement *graph = graphElement(element);
    if (graph != nullptr && graph->index == -1) {
        ++m_requests;
        if (attribute == AXAttribute::MenuBar && !m_nodes.empty()) {
            out = ElementRef(std::make_shared<GraphElement>(0));
            return AXError::Success;
        }
        if (attribute == AXAttribute::Title) {
            out = QStringLiteral("Hostile");
            return AXError::Success;
        }
        return AXError::NoValue;
    }
    AXError error = AXError::Success;
    const Node *node = find(element, error);
    if (node == nullptr)
        return error;
    switch (attribute) {
    case AXAttribute::Title:
        if (!node->title)
            return AXError::NoValue;
        out = *node->title;
        return AXError::Success;
    case AXAttribute::Enabled:
        out = node->enabled;
        return AXError::Success;
    case AXAttribute::Role:
        out = node->role;
        return AXError::Success;
    case AXAttribute::MenuItemMarkChar:
        if (node->mark.isEmpty())
            return AXError::NoValue;
        out = node->mark;
        return AXError::Success;
    case AXAttribute::Children: {
        ElementList children;
        children.reserve(node->children.size());
        for (int child : node->children)
            children.push_back(std::make_shared<GraphElement>(child));
        out = std::move(children);
        return AXError::Success;
    }
    default:
        return AXError::NoValue;
    }
}

AXError MenuGraphSource::attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count)
{
    AXError error = AXError::Success;
    const Node *node = find(element, error);
    if (node == nullptr)
        return error;
    if (attribute != AXAttribute::Children)
        return AXError::AttributeUnsupported;
    count = int64_t(node->children.size());
    return AXError::Success;
}

AXError MenuGraphSource::pid(const ElementRef &element, int32_t &pid)
{
    if (graphElement(element) == nullptr)
        return AXError::InvalidElement;
    pid = kPid;
    return AXError::Success;
}

AXError MenuGraphSource::performAction(const ElementRef &element, const QString &)
{
    AXError error = AXError::Success;
    return find(element, error) ? AXError::Success : error;
}

std::optional<QByteArray> MenuGraphSource::elementIdentity(const ElementRef &element)
{
    const GraphElement *graph = graphElement(element);
    if (!m_identities || graph == nullptr)
        return std::nullopt;
    return QByteArray::number(graph->index);
}

std::optional<RunningApp> MenuGraphSource::runningApplication(int32_t pid)
{
    if (pid != kPid)
        return std::nullopt;
    RunningApp app;
    app.pid = pid;
    app.appName = QStringLiteral("hostile");
    return app;
}

} // namespace tavolin::test
