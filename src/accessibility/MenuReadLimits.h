#pragma once

#include "accessibility/ElementSource.h"
#include "accessibility/MenuReadCuts.h"
#include "common/Mutex.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace tavolin {

// The limits of one reading, shared by every thread that reads a menu of the application at once. Elements
// are told apart by ElementSource::elementIdentity; a source without identities is bounded by depth, rows
// and time only. Each limit is logged once per reading, with `who` (the application). Thread-safe.
class MenuReadBudget
{
public:
    explicit MenuReadBudget(QString who = QString()) : m_who(std::move(who)) { restart(); }

    // Starts a new reading: nothing visited, no cuts, the time budget from the first element admitted.
    void restart();
    // Whether `element`, at `depth` menus below the bar, is read: false (recording why) when it was read
    // already in this reading or a limit is reached.
    bool admit(ElementSource &source, const ElementRef &element, int depth);
    // An element was gone when it was read (InvalidElement).
    void noteVanished();
    MenuReadCuts cuts() const;

private:
    void cut(bool MenuReadCuts::*which) REQUIRES(m_mutex);

    const QString m_who;
    mutable Mutex m_mutex;
    QSet<QByteArray> m_visited GUARDED_BY(m_mutex);
    MenuReadCuts m_cuts GUARDED_BY(m_mutex);
    std::optional<std::chrono::steady_clock::time_point> m_deadline GUARDED_BY(m_mutex);
    int m_admitted GUARDED_BY(m_mutex) = 0;
};

} // namespace tavolin
