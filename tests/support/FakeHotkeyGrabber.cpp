#include "FakeHotkeyGrabber.h"

#include <algorithm>

namespace tavolin::test {

Result<void> FakeHotkeyGrabber::grab(const Shortcut &shortcut, PressCallback onPress)
{
    m_grabRequests.push_back(shortcut);
    if (m_nextFailure) {
        const QString reason = *m_nextFailure;
        m_nextFailure.reset();
        return Result<void>::failure(reason);
    }
    for (const auto &[taken, reason] : m_takenElsewhere) {
        if (taken == shortcut)
            return Result<void>::failure(reason);
    }
    // A display refuses a second grab of the same combination too.
    if (isGrabbed(shortcut))
        return Result<void>::failure(QStringLiteral("already grabbed"));
    m_grabs.emplace_back(shortcut, std::move(onPress));
    return Result<void>::ok();
}

void FakeHotkeyGrabber::ungrab(const Shortcut &shortcut)
{
    m_ungrabRequests.push_back(shortcut);
    const auto it = std::find_if(m_grabs.begin(), m_grabs.end(), [&](const auto &grab) { return grab.first == shortcut; });
    if (it == m_grabs.end()) {
        ++m_strayUngrabs;
        return;
    }
    m_grabs.erase(it);
}

void FakeHotkeyGrabber::failNextGrab(const QString &reason)
{
    m_nextFailure = reason;
}

void FakeHotkeyGrabber::takenElsewhere(const Shortcut &shortcut, const QString &reason)
{
    m_takenElsewhere.emplace_back(shortcut, reason);
}

void FakeHotkeyGrabber::releasedElsewhere(const Shortcut &shortcut)
{
    std::erase_if(m_takenElsewhere, [&](const auto &taken) { return taken.first == shortcut; });
}

bool FakeHotkeyGrabber::press(const Shortcut &shortcut)
{
    const auto it = std::find_if(m_grabs.begin(), m_grabs.end(), [&](const auto &grab) { return grab.first == shortcut; });
    if (it == m_grabs.end())
        return false;
    // A copy: the callback may ungrab its own shortcut.
    const PressCallback callback = it->second;
    if (callback)
        callback();
    return true;
}

bool FakeHotkeyGrabber::isGrabbed(const Shortcut &shortcut) const
{
    return std::any_of(m_grabs.begin(), m_grabs.end(), [&](const auto &grab) { return grab.first == shortcut; });
}

std::vector<Shortcut> FakeHotkeyGrabber::grabbed() const
{
    std::vector<Shortcut> result;
    for (const auto &grab : m_grabs)
        result.push_back(grab.first);
    return result;
}

} // namespace tavolin::test
