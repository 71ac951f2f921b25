#include "TavolinShortcutValidator.h"

#include "common/ShortcutValidator.h"

namespace tavolin {

TavolinShortcutValidator::TavolinShortcutValidator(ShortcutValidator &validator) : m_validator(validator) {}

bool TavolinShortcutValidator::isShortcutValid(const std::optional<Shortcut> &shortcut) const
{
    m_validator.setAllowAnyShortcutWithOptionModifier(true);
    return shortcut && m_validator.isShortcutValid(*shortcut);
}

bool TavolinShortcutValidator::isShortcutAlreadyTakenBySystem(QString *) const { return false; }

bool TavolinShortcutValidator::isShortcutAlreadyTakenIn(const Shortcut &, const AXMenu *, QString *) const
{
    return false;
}

} // namespace tavolin
