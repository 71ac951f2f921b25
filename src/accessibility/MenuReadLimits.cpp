#include "accessibility/MenuReadLimits.h"

#include "common/Log.h"
#include "common/Mutex.h"

namespace tavolin {

MenuReadCuts &MenuReadCuts::operator|=(const MenuReadCuts &other)
{
    cycle = cycle || other.cycle;
    depth = depth || other.depth;
    rows = rows || other.rows;
    budget = budget || other.budget;
    vanished = vanished || other.vanished;
    return *this;
}

QStringList MenuReadCuts::describe() const
{
    QStringList clauses;
    if (cycle)
        clauses << QStringLiteral("a menu lists itself or an element twice; each element was read once");
    if (depth)
        clauses << QStringLiteral("menus nested deeper than %1 levels were left out").arg(menulimits::kMaxDepth);
    if (rows)
        clauses << QStringLiteral("reading stopped after %1 menu items").arg(menulimits::kMaxRows);
    if (budget)
        clauses << QStringLiteral("reading stopped after %1 s").arg(double(menulimits::kReadBudget.count()) / 1000);
    if (vanished)
        clauses << QStringLiteral("a menu item vanished while it was read");
    return clauses;
}

void MenuReadBudget::restart()
{
    MutexLocker lock(m_mutex);
    m_visited.clear();
    m_cuts = {};
    m_admitted = 0;
    m_deadline.reset();
}

void MenuReadBudget::noteVanished()
{
    MutexLocker lock(m_mutex);
    cut(&MenuReadCuts::vanished);
}

MenuReadCuts MenuReadBudget::cuts() const
{
    MutexLocker lock(m_mutex);
    return m_cuts;
}

void MenuReadBudget::cut(bool MenuReadCuts::*which)
{
    if (m_cuts.*which)
        return;
    MenuReadCuts only;
    only.*which = true;
    m_cuts.*which = true;
    log::error(QStringLiteral("accessibility: reading the menus of %1: %2")
                   .arg(m_who.isEmpty() ? QStringLiteral("the application") : m_who, only.describe().join(QString())));
}

bool MenuReadBudget::admit(ElementSource &source, const ElementRef &element, int depth)
{
    const std::optional<QByteArray> identity = source.elementIdentity(element);
    MutexLocker lock(m_mutex);
    if (m_cuts.rows || m_cuts.budget)
        return false;
    if (depth > menulimits::kMaxDepth) {
        cut(&MenuReadCuts::depth);
        return false;
    }
    if (m_admitted >= menulimits::kMaxRows) {
        cut(&MenuReadCuts::rows);
        return false;
    }
    // The time runs from the first element: a source that reads the whole bar at once (the accessibility
    // bus's) has spent its own budget on that before.
    const auto now = std::chrono::steady_clock::now();
    if (!m_deadline)
        m_deadline = now + menulimits::kReadBudget;
    if (now >= *m_deadline) {
        cut(&MenuReadCuts::budget);
        return false;
    }
    if (identity && !identity->isEmpty()) {
        if (m_visited.contains(*identity)) {
            cut(&MenuReadCuts::cycle);
            return false;
        }
        m_visited.insert(*identity);
    }
    ++m_admitted;
    return true;
}

} // namespace tavolin
