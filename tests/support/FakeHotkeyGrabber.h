#pragma once

#include "common/HotkeyBinder.h"

#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace tavolin::test {

// A HotkeyGrabber that holds its grabs in memory. It records every request, can refuse grabs the way a
// display does (a combination held by another program, a one-off failure), and fires a grabbed shortcut's
// callback on press(). Main thread, like the real one.
class FakeHotkeyGrabber final : public HotkeyGrabber
{
public:
    Result<void> grab(const Shortcut &shortcut, PressCallback onPress) override;
    void ungrab(const Shortcut &shortcut) override;

    // The next grab fails with `reason`, whatever it asks for.
    void failNextGrab(const QString &reason);
    // Another program holds `shortcut`: grabs of it fail with `reason` until releasedElsewhere().
    void takenElsewhere(const Shortcut &shortcut, const QString &reason = QStringLiteral("already taken"));
    void releasedElsewhere(const Shortcut &shortcut);

    // Runs the callback of `shortcut` as a key press would; false when it is not grabbed.
    bool press(const Shortcut &shortcut);

    bool isGrabbed(const Shortcut &shortcut) const;
    std::vector<Shortcut> grabbed() const;
    // Every grab asked for (also refused ones) and every ungrab, in order.
    const std::vector<Shortcut> &grabRequests() const { return m_grabRequests; }
    const std::vector<Shortcut> &ungrabRequests() const { return m_ungrabRequests; }
    // Ungrabs of shortcuts that were not grabbed: a binder that loses track of its grabs shows up here.
    int strayUngrabs() const { return m_strayUngrabs; }

private:
    std::vector<std::pair<Shortcut, PressCallback>> m_grabs;
    std::vector<std::pair<Shortcut, QString>> m_takenElsewhere;
    std::optional<QString> m_nextFailure;
    std::vector<Shortcut> m_grabRequests;
    std::vector<Shortcut> m_ungrabRequests;
    int m_strayUngrabs = 0;
};

} // namespace tavolin::test
