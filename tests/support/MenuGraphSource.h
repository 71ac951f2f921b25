#pragma once

#include "accessibility/ElementSource.h"

#include <QString>

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

namespace tavolin::test {

// An ElementSource over a graph of menu elements, as a buggy or hostile application can serve it: elements
// may be listed under several parents, under themselves, hundreds of levels deep. Every read of Children
// hands out fresh handles (as the accessibility bus does), so only elementIdentity tells an element met
// again. One application (pid kPid) whose MenuBar is node 0. Not thread-safe to build; reading is.
class MenuGraphSource final : public ElementSource
{
public:
    static constexpr int32_t kPid = 7100;

    struct Node
    {
        std::optional<QString> title;
        QString role = QString::fromLatin1(axrole::kMenuItem);
        bool enabled = true;
        QString mark;              // "✓" for a checked item
        std::vector<int> children; // node indexes; any, including the node itself
        bool gone = false;         // every read of it fails with InvalidElement
    };

    // Adds a node; returns its index (the first is the menu bar).
    int add(Node node);
    Node &node(int index) { return m_nodes[size_t(index)]; }
    size_t size() const { return m_nodes.size(); }
    // Whether elements tell their identity (default true); without, only depth, rows and time bound a reading.
    void setIdentities(bool on) { m_identities = on; }
    // Node `index` is gone after `reads` more reads of it (its item destroyed while it is read).
    void vanishAfter(int index, int reads);
    ElementRef application() const { return m_application; }
    int64_t requestCount() const { return m_requests.load(); }

    // Builders of the shapes the reader expects: an item holding one menu of `items`.
    int addMenu(std::vector<int> items);
    int addItem(const QString &title, std::optional<int> submenu = std::nullopt);

    ReadMode readMode() const override { return ReadMode::Parallel; }
    ElementRef systemWideElement() override { return m_application; }
    AXError setMessagingTimeout(const ElementRef &, double) override { return AXError::Success; }
    AXError copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out) override;
    AXError attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count) override;
    AXError pid(const ElementRef &element, int32_t &pid) override;
    AXError performAction(const ElementRef &element, const QString &action) override;
    bool menuBarStartsWithSystemMenu() const override { return false; }
    std::optional<QByteArray> elementIdentity(const ElementRef &element) override;
    bool isProcessTrusted() override { return true; }
    std::optional<RunningApp> runningApplication(int32_t pid) override;

private:
    const Node *find(const ElementRef &element, AXError &error);

    std::vector<Node> m_nodes;
    bool m_identities = true;
    ElementRef m_application;
    std::atomic<int64_t> m_requests{0};
    std::mutex m_mutex;
    std::map<int, int> m_readsLeft; // guarded by m_mutex
};

} // namespace tavolin::test
