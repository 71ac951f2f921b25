#include "platform/linux/AtspiActiveApplication.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavolin {
namespace {

// State words as read from real frames under sway: GTK's and Qt's, without and with ACTIVE.
constexpr uint64_t kInactiveFrame = 1126170880;
constexpr uint64_t kActiveFrame = 1126170882;

TEST(ActiveApplicationBuses, NamesTheApplicationsWithAnActiveWindowOnceInOrder)
{
    const struct
    {
        const char *name;
        std::vector<AtspiTopLevel> windows;
        std::vector<QByteArray> expected;
    } cases[] = {
        {"none active", {{":1.2", kInactiveFrame}, {":1.3", kInactiveFrame}}, {}},
        {"the second application", {{":1.2", kInactiveFrame}, {":1.3", kActiveFrame}}, {":1.3"}},
        {"other states alone are not active", {{":1.2", kActiveFrame & ~uint64_t(2)}}, {}},
        {"two active windows of one application name it once",
         {{":1.4", kActiveFrame}, {":1.2", kInactiveFrame}, {":1.4", kActiveFrame}}, {":1.4"}},
        {"the panel beside the application, both in order", {{":1.9", kActiveFrame}, {":1.2", kActiveFrame}}, {":1.9", ":1.2"}},
        {"a window without a bus name is skipped", {{"", kActiveFrame}}, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(activeApplicationBuses(c.windows), c.expected) << c.name;
}

} // namespace
} // namespace tavolin
