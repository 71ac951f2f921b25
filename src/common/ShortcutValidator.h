#pragma once

#include <atomic>
#include <cstdint>

namespace tavolin {

class Shortcut;

// Decides whether a recorded key combination may become a global shortcut:
// - it needs a named key (modifier keys and unknown codes are refused);
// - F1–F19 may stand alone or with any modifiers;
// - any other key needs Command or Control; Shift alone is never enough;
// - Option alone, or Option with Shift, only when allowAnyShortcutWithOptionModifier is set.
//
// Thread-safe: the flag is atomic and the check reads nothing else.
class ShortcutValidator
{
public:
    ShortcutValidator() = default;
    ShortcutValidator(const ShortcutValidator &) = delete;
    ShortcutValidator &operator=(const ShortcutValidator &) = delete;

    bool allowAnyShortcutWithOptionModifier() const { return m_allowOption.load(); }
    void setAllowAnyShortcutWithOptionModifier(bool allow) { m_allowOption.store(allow); }

    bool isShortcutValid(const Shortcut &shortcut) const;

    // True for the key codes of F1–F19.
    static bool isFunctionKey(int64_t keyCode);

private:
    std::atomic<bool> m_allowOption{false};
};

} // namespace tavolin
