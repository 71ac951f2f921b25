#pragma once

#include <QString>

#include <optional>

namespace tavolin {

// The desktop's accessibility switch: org.a11y.Status.IsEnabled of org.a11y.Bus on the session bus.
// Applications (Qt ones only at their start) register on the accessibility bus while it is true.
//
// Threads: any; each call makes its own bounded D-Bus call (2 s) on the session bus, except isTrusted(),
// which answers at once from its last answer after the first call.
class AccessibilityStatus
{
public:
    // The accessibility bus's address; empty when the session has none.
    static QString busAddress();
    // IsEnabled; none when the bus does not answer.
    static std::optional<bool> isEnabled();
    // Turns IsEnabled on or off. False when the bus did not accept it.
    static bool setEnabled(bool enabled);
    // Trusted = the accessibility bus answers and IsEnabled is true. Only the first call waits for the bus;
    // later ones return the last answer and, when it is older than a second, ask again on a worker thread,
    // so the palette's main thread never waits on the bus launcher when the panel opens.
    static bool isTrusted();
    // Asks the bus now (waits, bounded) and keeps the answer for isTrusted().
    static bool refreshTrust();
    // The prompt: turns IsEnabled on; Qt applications started before must be restarted to appear.
    static bool promptForTrust();
};

} // namespace tavolin
