#include "common/KeyData.h"
#include "common/Shortcut.h"
#include "common/ShortcutValidator.h"
#include "support/ModifierFlags.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using namespace test::modifiers;

struct ValidityRow
{
    const char *name;
    Shortcut shortcut;
    bool validByDefault;
    bool validWithOption; // allowAnyShortcutWithOptionModifier set
};

TEST(ShortcutValidator, AppliesTheShortcutRules)
{
    const ValidityRow rows[] = {
        {"command p", Shortcut(35, kCmd), true, true},
        {"command shift p", Shortcut(35, kCmd | kShift), true, true},
        {"control (super) p", Shortcut(35, kCtrl), true, true},
        {"command a, key code 0", Shortcut(0, kCmd), true, true},
        {"command space", Shortcut(49, kCmd), true, true},
        {"option command p", Shortcut(35, kOpt | kCmd), true, true},
        {"option control return", Shortcut(36, kOpt | kCtrl), true, true},
        {"option p", Shortcut(35, kOpt), false, true},
        {"option shift p", Shortcut(35, kOpt | kShift), false, true},
        {"shift p", Shortcut(35, kShift), false, false},
        {"p alone", Shortcut(35, 0), false, false},
        {"space alone", Shortcut(49, 0), false, false},
        {"escape alone", Shortcut(53, 0), false, false},
        {"caps lock is not a modifier", Shortcut(35, eventflag::kCapsLock), false, false},
        {"function flag is not a modifier", Shortcut(35, eventflag::kFunction), false, false},
        {"F5 alone", Shortcut(96, 0), true, true},
        {"F19 alone", Shortcut(80, 0), true, true},
        {"shift F1", Shortcut(122, kShift), true, true},
        {"command on a modifier key", Shortcut(55, kCmd), false, false},
        {"command on an unnamed code (F20)", Shortcut(90, kCmd), false, false},
        {"not-found marker", Shortcut(Shortcut::kKeyCodeNotFound, kCmd), false, false},
        {"negative code", Shortcut(-1, kCmd), false, false},
    };
    for (const ValidityRow &row : rows) {
        SCOPED_TRACE(row.name);
        ShortcutValidator validator;
        EXPECT_EQ(validator.isShortcutValid(row.shortcut), row.validByDefault);
        validator.setAllowAnyShortcutWithOptionModifier(true);
        EXPECT_EQ(validator.isShortcutValid(row.shortcut), row.validWithOption);
    }
}

TEST(ShortcutValidator, FunctionKeysAreExactlyF1ToF19)
{
    int count = 0;
    for (int64_t code = -1; code < 200; ++code)
        count += ShortcutValidator::isFunctionKey(code) ? 1 : 0;
    EXPECT_EQ(count, 19);
    EXPECT_TRUE(ShortcutValidator::isFunctionKey(64));  // F17
    EXPECT_FALSE(ShortcutValidator::isFunctionKey(90)); // F20 has no name here
}

} // namespace
} // namespace tavolin
