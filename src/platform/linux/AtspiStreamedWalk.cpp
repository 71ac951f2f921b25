#include "platform/linux/AtspiStreamedWalk.h"

#include "accessibility/ElementSource.h"
#include "platform/linux/AtspiItemsTree.h"
#include "platform/linux/AtspiStreamedFetch.h"

#include <atspi/atspi.h>

namespace tavolin {
namespace {

bool hasState(const AtspiFetchedObject &object, AtspiStateType state)
{
    return (object.states >> int(state)) & 1;
}

// Builds the menu bar from the fetched objects the way walkMenuBar's object-by-object walk does (read it
// side by side): the same order, the same elements admitted and refused, the same counts and cuts. Where
// the fetch ended before an object's answers were in, the walk ends as the fetch did.
class Assembly
{
public:
    Assembly(const AtspiStreamedFetch &fetch, QSet<QByteArray> &visited, AtspiWalkResult &result)
        : m_fetch(fetch), m_visited(visited), m_result(result)
    {
    }

    // How the fetch ended: until it is set, only what is whole is assembled (earlyBar, topItem).
    void setOutcome(AtspiCallQueue::Outcome outcome) { m_outcome = outcome; }

    AtspiMenuNodePtr menuBar(int bar)
    {
        const AtspiFetchedObject &object = m_fetch.at(bar);
        std::shared_ptr<AtspiMenuNode> root = barNode(object);
        if (!ready(object))
            return root;
        const bool shown = barShown(object);
        for (size_t i = 0; i < barItems(object).size(); ++i) {
            if (AtspiMenuNodePtr node = topItem(bar, i, shown))
                root->children.push_back(std::move(node));
        }
        return root;
    }

    // The bar's top-level items, each with a pending menu, once the bar's list and every item on it are in
    // (not counted against the limits, nor taken as read: topItem reads them); `positions` gets the bar's
    // child index of each.
    std::optional<AtspiEarlyBar> earlyBar(int bar, std::vector<size_t> &positions) const
    {
        const AtspiFetchedObject &object = m_fetch.at(bar);
        if (!object.complete())
            return std::nullopt;
        const std::vector<int> &items = barItems(object);
        for (int item : items) {
            if (item == AtspiFetchedObject::kNotLookedUp || (item >= 0 && !m_fetch.at(item).complete()))
                return std::nullopt;
        }
        std::shared_ptr<AtspiMenuNode> root = barNode(object);
        QSet<int> listed;
        const bool shown = barShown(object);
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i] < 0 || listed.contains(items[i]) || m_fetch.at(items[i]).gone)
                continue;
            listed.insert(items[i]);
            if (AtspiMenuNodePtr node = itemAlone(m_fetch.at(items[i]), true, shown)) {
                root->children.push_back(std::move(node));
                positions.push_back(i);
            }
        }
        return atspiEarlyBarOf(*root);
    }

    // The bar's item at child position `i`, read whole (the first time; later calls give the same node).
    AtspiMenuNodePtr topItem(int bar, size_t i, bool shown)
    {
        if (const auto done = m_tops.constFind(i); done != m_tops.constEnd())
            return *done;
        const int item = barItems(m_fetch.at(bar))[i];
        AtspiMenuNodePtr node;
        if (item == AtspiFetchedObject::kNullChild)
            m_result.cuts.vanished = true;
        else
            node = readItem(item, true, shown, 0);
        m_tops.insert(i, node);
        return node;
    }

    bool barShown(const AtspiFetchedObject &bar) const { return !bar.gone && hasState(bar, ATSPI_STATE_VISIBLE); }

private:
    static std::shared_ptr<AtspiMenuNode> barNode(const AtspiFetchedObject &bar)
    {
        auto root = std::make_shared<AtspiMenuNode>();
        root->role = QString::fromLatin1(axrole::kMenuBar);
        root->enabled = true;
        root->busName = QString::fromUtf8(bar.busName);
        root->path = QString::fromUtf8(bar.path);
        return root;
    }

    // A bar destroyed meanwhile lists nothing.
    static const std::vector<int> &barItems(const AtspiFetchedObject &bar)
    {
        static const std::vector<int> none;
        return bar.gone ? none : bar.children;
    }

    // An item's own node, without what it holds; null when the walk leaves it out.
    static std::shared_ptr<AtspiMenuNode> itemAlone(const AtspiFetchedObject &object, bool topLevel, bool menuShown)
    {
        auto node = std::make_shared<AtspiMenuNode>();
        node->role = QString::fromLatin1(topLevel ? axrole::kMenuBarItem : axrole::kMenuItem);
        if (object.role == ATSPI_ROLE_SEPARATOR) {
            node->title = QString(); // separators are dropped by the reader for their empty title
            return node;
        }
        node->title = object.name;
        const bool visible = states(object, *node);
        if (!atspiItemIsListed(object.role, visible, menuShown))
            return nullptr;
        node->busName = QString::fromUtf8(object.busName);
        node->path = QString::fromUtf8(object.path);
        if (object.role == ATSPI_ROLE_MENU) {
            actions(object, *node, false);
        } else if (isAtspiMenuItemRole(object.role)) {
            actions(object, *node, true);
        } else {
            node->role = QStringLiteral("AXUnknown");
        }
        return node;
    }

    bool skip() const { return m_result.failed || m_stopped || m_itemGone; }

    // Whether all of `object` is in; else the walk ends where the fetch ended.
    bool ready(const AtspiFetchedObject &object)
    {
        if (object.complete())
            return true;
        endAsTheFetchEnded();
        return false;
    }

    void endAsTheFetchEnded()
    {
        switch (m_outcome) {
        case AtspiCallQueue::Outcome::Deadline:
            m_result.cuts.budget = true;
            m_stopped = true;
            break;
        case AtspiCallQueue::Outcome::Done:
            m_result.cuts.rows = true; // only objects past the lookup limit stay unasked
            m_stopped = true;
            break;
        case AtspiCallQueue::Outcome::TimedOut:
        case AtspiCallQueue::Outcome::Stopped:
            m_result.failed = true;
            break;
        }
    }

    // As Walk::admit: not read before, and within the limits.
    bool admit(int index, int depth)
    {
        if (skip())
            return false;
        if (depth > menulimits::kMaxDepth) {
            m_result.cuts.depth = true;
            return false;
        }
        if (m_result.nodes >= menulimits::kMaxRows) {
            m_result.cuts.rows = true;
            m_stopped = true;
            return false;
        }
        if (index == AtspiFetchedObject::kNotLookedUp) {
            endAsTheFetchEnded();
            return false;
        }
        const AtspiFetchedObject &object = m_fetch.at(index);
        const QByteArray identity = object.busName + ':' + object.path;
        if (m_visited.contains(identity)) {
            m_result.cuts.cycle = true;
            return false;
        }
        m_visited.insert(identity);
        return ready(object);
    }

    // enabled and checked; whether the object is shown.
    static bool states(const AtspiFetchedObject &object, AtspiMenuNode &node)
    {
        node.enabled = hasState(object, ATSPI_STATE_ENABLED) && hasState(object, ATSPI_STATE_SENSITIVE);
        node.checked = hasState(object, ATSPI_STATE_CHECKED);
        return hasState(object, ATSPI_STATE_VISIBLE);
    }

    // The press action's index and, for items, the shortcut, as Walk::actions reads them.
    static void actions(const AtspiFetchedObject &object, AtspiMenuNode &node, bool wantShortcut)
    {
        if (!object.hasAction)
            return;
        int press = -1;
        for (size_t i = 0; i < object.actionNames.size() && press < 0; ++i) {
            const QString &name = object.actionNames[i];
            if (name == QLatin1String("click") || name == QLatin1String("press") || name == QLatin1String("activate"))
                press = int(i);
        }
        node.actionIndex = press >= 0 ? press : (object.actionCount > 0 ? 0 : -1);
        if (wantShortcut && !object.binding.isEmpty())
            node.shortcut = atspiShortcutOf(object.binding, node.title.value_or(QString()));
    }

    AtspiMenuNodePtr menuOf(const std::vector<int> &children, bool shown, int depth)
    {
        auto menu = std::make_shared<AtspiMenuNode>();
        menu->role = QString::fromLatin1(axrole::kMenu);
        menu->enabled = true;
        for (int child : children) {
            if (child == AtspiFetchedObject::kNullChild) {
                m_result.cuts.vanished = true;
                continue;
            }
            if (AtspiMenuNodePtr item = readItem(child, false, shown, depth))
                menu->children.push_back(std::move(item));
        }
        return menu;
    }

    // Qt: an item with a submenu holds a nameless popup menu.
    void readSubmenus(const AtspiFetchedObject &object, AtspiMenuNode &node, int depth)
    {
        for (int kid : object.children) {
            if (kid == AtspiFetchedObject::kNullChild) {
                m_result.cuts.vanished = true;
                continue;
            }
            if (!admit(kid, depth + 1))
                continue;
            const AtspiFetchedObject &k = m_fetch.at(kid);
            if (k.gone) {
                m_itemGone = true; // the item is left out, as when any of its calls fails
                return;
            }
            if (k.role == ATSPI_ROLE_MENU || k.role == ATSPI_ROLE_POPUP_MENU) {
                ++m_result.nodes;
                AtspiMenuNode unused;
                const bool shown = states(k, unused);
                node.children.push_back(menuOf(k.children, shown, depth + 1));
            }
        }
    }

    AtspiMenuNodePtr readAdmittedItem(const AtspiFetchedObject &object, bool topLevel, bool menuShown, int depth)
    {
        if (object.gone) {
            m_itemGone = true;
            return nullptr;
        }
        ++m_result.nodes;
        std::shared_ptr<AtspiMenuNode> node = itemAlone(object, topLevel, menuShown);
        if (!node || object.role == ATSPI_ROLE_SEPARATOR)
            return node;
        if (object.role == ATSPI_ROLE_MENU) {
            // GTK: the menu is its own item. Split it into an item holding a nameless menu.
            ++m_result.menuItems;
            node->children.push_back(menuOf(object.children, hasState(object, ATSPI_STATE_VISIBLE), depth + 1));
        } else if (isAtspiMenuItemRole(object.role)) {
            ++m_result.menuItems;
            readSubmenus(object, *node, depth);
        }
        return node;
    }

    AtspiMenuNodePtr readItem(int index, bool topLevel, bool menuShown, int depth)
    {
        if (!admit(index, depth))
            return nullptr;
        AtspiMenuNodePtr node = readAdmittedItem(m_fetch.at(index), topLevel, menuShown, depth);
        if (!m_itemGone)
            return node;
        m_itemGone = false;
        m_result.cuts.vanished = true;
        return nullptr;
    }

    const AtspiStreamedFetch &m_fetch;
    AtspiCallQueue::Outcome m_outcome = AtspiCallQueue::Outcome::Done;
    QSet<QByteArray> &m_visited;
    AtspiWalkResult &m_result;
    QHash<size_t, AtspiMenuNodePtr> m_tops; // top-level items read so far, by the bar's child index
    bool m_stopped = false;
    bool m_itemGone = false;
};

// Fills each top-level menu as soon as all of it is in, in order, but the last, and hands the bar out once
// the first is filled.
class EarlyMenus
{
public:
    EarlyMenus(const AtspiStreamedFetch &fetch, Assembly &assembly,
               const std::function<void(const AtspiEarlyBar &)> &onBar)
        : m_fetch(fetch), m_assembly(assembly), m_onBar(onBar)
    {
    }

    void afterAnswers()
    {
        if (!m_onBar)
            return;
        if (!m_early) {
            m_early = m_assembly.earlyBar(0, m_positions);
            if (!m_early)
                return;
        }
        const AtspiFetchedObject &bar = m_fetch.at(0);
        while (m_published + 1 < m_positions.size()) {
            const size_t position = m_positions[m_published];
            if (!m_fetch.subtreeComplete(bar.children[position]))
                return;
            const AtspiMenuNodePtr item = m_assembly.topItem(0, position, m_assembly.barShown(bar));
            m_early->menus[m_published]->fill(item ? item->children : std::vector<AtspiMenuNodePtr>());
            if (++m_published == 1)
                m_onBar(*m_early);
        }
    }

private:
    const AtspiStreamedFetch &m_fetch;
    Assembly &m_assembly;
    const std::function<void(const AtspiEarlyBar &)> &m_onBar;
    std::optional<AtspiEarlyBar> m_early;
    std::vector<size_t> m_positions;
    size_t m_published = 0;
};

} // namespace

void readMenuBarStreamed(AtspiAccessible *bar, AtspiActionNames names, int timeoutMs,
                         std::chrono::steady_clock::time_point deadline, QSet<QByteArray> &visited,
                         AtspiWalkResult &result, const std::function<void(const AtspiEarlyBar &)> &onBar)
{
    const AtspiObject *object = ATSPI_OBJECT(bar);
    const QByteArray busName = object->app != nullptr && object->app->bus_name != nullptr
        ? QByteArray(object->app->bus_name) : QByteArray();
    const QByteArray path = object->path != nullptr ? QByteArray(object->path) : QByteArray();
    AtspiStreamedFetch fetch(atspiApplicationBus(bar), names, timeoutMs, result.figures);
    fetch.addBar(busName, path);
    Assembly assembly(fetch, visited, result);
    EarlyMenus early(fetch, assembly, onBar);
    const AtspiCallQueue::Outcome outcome = fetch.run(deadline, [&early] { early.afterAnswers(); });
    assembly.setOutcome(outcome);
    result.menuBar = assembly.menuBar(0);
}

} // namespace tavolin
