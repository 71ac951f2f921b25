#pragma once

#include "common/Shortcut.h"

#include <QString>

#include <optional>

namespace tavolin {

class AXMenu;
class ShortcutValidator;

// The validator the shortcut recorders use: any combination the wrapped ShortcutValidator accepts once
// Option-only combinations are allowed, and never a conflict with the desktop or with a menu (the palette
// steps aside for applications that want its key, see AppRule::Auto).
//
// Side effect, by design: isShortcutValid() switches the wrapped validator's Option permission on for good.
// Threads: any (the wrapped validator is thread-safe). It must outlive this object.
class TavolinShortcutValidator
{
public:
    explicit TavolinShortcutValidator(ShortcutValidator &validator);

    ShortcutValidator &validator() const { return m_validator; }

    // False for none.
    bool isShortcutValid(const std::optional<Shortcut> &shortcut) const;
    // Always false; `explanation` is left as it is.
    bool isShortcutAlreadyTakenBySystem(QString *explanation) const;
    bool isShortcutAlreadyTakenIn(const Shortcut &shortcut, const AXMenu *menu, QString *explanation) const;

private:
    ShortcutValidator &m_validator;
};

} // namespace tavolin
