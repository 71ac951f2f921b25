#include "common/ShortcutValidator.h"

#include "common/KeyData.h"
#include "common/Shortcut.h"

#include <algorithm>
#include <array>

namespace tavolin {

bool ShortcutValidator::isFunctionKey(int64_t keyCode)
{
    static constexpr std::array<int64_t, 19> kFunctionKeys{122, 120, 99, 118, 96, 97, 98, 100, 101, 109,
                                                           103, 111, 105, 107, 113, 106, 64, 79, 80};
    return std::find(kFunctionKeys.begin(), kFunctionKeys.end(), keyCode) != kFunctionKeys.end();
}

bool ShortcutValidator::isShortcutValid(const Shortcut &shortcut) const
{
    if (shortcut.keyCodeString().isEmpty())
        return false;
    if (isFunctionKey(shortcut.keyCode()))
        return true;
    const uint64_t flags = shortcut.modifierFlags();
    if (flags & (eventflag::kCommand | eventflag::kControl))
        return true;
    if (flags & eventflag::kOption)
        return allowAnyShortcutWithOptionModifier();
    return false; // no modifier, or Shift alone
}

} // namespace tavolin
