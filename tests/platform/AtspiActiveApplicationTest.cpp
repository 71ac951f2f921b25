#include "platform/linux/AtspiActiveApplication.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavolin {
namespace {

// State words as read from real frames under sway: GTK's and Qt's, without and with ACTIVE.
constexpr uint64_t kInactiveFrame = 1126170880;
constexpr uint64_t kActiveFrame = 1126170882;

struct ActiveCase
{
    std::string name;
    std::vector<AtspiTopLevel> windows;
    std::vector<QByteArray> expected;
};

class ActiveApplicationBuses : public ::testing::TestWithParam<ActiveCase>
{
};

TEST_P(ActiveApplicationBuses, NamesTheApplicationsWithAnActiveWindowOnceInOrder)
{
    EXPECT_EQ(activeApplicationBuses(GetParam().windows), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, ActiveApplicationBuses,
    ::testing::Values(
        ActiveCase{"NoneActive", {{":1.2", kInactiveFrame}, {":1.3", kInactiveFrame}}, {}},
        ActiveCase{"TheSecondApplication", {{":1.2", kInactiveFrame}, {":1.3", kActiveFrame}}, {":1.3"}},
        ActiveCase{"OtherStatesAloneAreNotActive", {{":1.2", kActiveFrame & ~uint64_t(2)}}, {}},
        ActiveCase{"TwoActiveWindowsOfOneApplicationNameItOnce",
                   {{":1.4", kActiveFrame}, {":1.2", kInactiveFrame}, {":1.4", kActiveFrame}},
                   {":1.4"}},
        ActiveCase{"ThePanelBesideTheApplicationBothInOrder", {{":1.9", kActiveFrame}, {":1.2", kActiveFrame}},
                   {":1.9", ":1.2"}},
        ActiveCase{"AWindowWithoutABusNameIsSkipped", {{"", kActiveFrame}}, {}}),
    [](const ::testing::TestParamInfo<ActiveCase> &info) { return info.param.name; });

} // namespace
} // namespace tavolin
