#pragma once

#include <QString>

#include <optional>

namespace tavolin {

// The desktop's accessibility switch: org.a11y.Status.IsEnabled of org.a11y.Bus on the session bus.
// Applications (Qt ones only at their start) register on the accessibility bus while it is true.
//
// Threads: any; each call makes its own bounded D-Bus call (2 s) on the session bus.
class AccessibilityStatus
{
public:
    // The accessibility bus's address; empty when the session has none.
    static QString busAddress();
    // IsEnabled; none when the bus does not answer.
    static std::optional<bool> isEnabled();
    // Turns IsEnabled on or off. False when the bus did not accept it.
    static bool setEnabled(bool enabled);
    // Trusted = the accessibility bus answers and IsEnabled is true.
    static bool isTrusted();
    // The prompt: turns IsEnabled on; Qt applications started before must be restarted to appear.
    static bool promptForTrust();
};

} // namespace tavolin
