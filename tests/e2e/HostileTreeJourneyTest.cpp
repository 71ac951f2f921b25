// `tavolin-menu list --pid` over a peer serving the menu trees a buggy or hostile application can serve
// (tests/fixtures/HostilePeer.cpp), read GTK's whole-tree way and Qt's node-by-node way: each reading ends within
// its limits, lists what lies within them and warns which limit it reached; a vanished item is told from an
// application that stopped answering.
#include "EndToEndTest.h"
#include "HostilePeerRun.h"

namespace tavolin::test {
namespace {

struct HostileCase
{
    const char *name;
    const char *tree;
    const char *toolkit;
    int code;
    QStringList listed;    // lines the list holds
    QStringList notListed; // lines it must not hold
    const char *warning;   // in standard error
    int maxRows;
};

void PrintTo(const HostileCase &c, std::ostream *os) { *os << c.name; }

const QString kDeepest = [] {
    QStringList path{QStringLiteral("File")};
    for (int level = 1; level <= 32; ++level)
        path << QStringLiteral("Down %1").arg(level);
    return path.join(QStringLiteral(" > "));
}();

const QString kFanOutLeaf = [] {
    QStringList path{QStringLiteral("File")};
    for (int level = 1; level <= 12; ++level)
        path << QStringLiteral("Level %1").arg(level);
    return (path << QStringLiteral("Leaf")).join(QStringLiteral(" > "));
}();

class HostileTreeJourney : public EndToEndTest, public testing::WithParamInterface<HostileCase>
{
};

TEST_P(HostileTreeJourney, ListsWhatLiesWithinTheLimitsAndSaysWhichWasReached)
{
    const HostileCase &c = GetParam();
    HostilePeerRun peer(QString::fromLatin1(c.tree), QString::fromLatin1(c.toolkit));
    ASSERT_TRUE(peer.ready()) << "the hostile peer did not register on the accessibility bus";
    MenuToolRun run;
    // The registry lists a new application a moment after it registered: until then the tool exits 4.
    ASSERT_TRUE(waitFor([&] {
        run = runMenuTool({QStringLiteral("list"), QStringLiteral("--pid"), QString::number(peer.pid())});
        return run.code != 4;
    }, 15s)) << run.err.toStdString();
    EXPECT_EQ(run.code, c.code) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : c.listed)
        EXPECT_TRUE(lines.contains(line)) << line.toStdString() << " missing from:\n" << run.out.left(2000).toStdString();
    for (const QString &line : c.notListed)
        EXPECT_FALSE(lines.contains(line)) << line.toStdString() << " listed";
    EXPECT_LE(lines.size(), c.maxRows);
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.warning))) << run.err.toStdString();
}

const QStringList kCycleRows{QStringLiteral("File > New"), QStringLiteral("File > Quit"), QStringLiteral("Help > About")};
const QStringList kVanishedRows{QStringLiteral("File > New"), QStringLiteral("File > Quit"), QStringLiteral("Help > About")};
constexpr auto kCycleWarning = "a menu lists itself or an element twice";
constexpr auto kDepthWarning = "menus nested deeper than 32 levels were left out";
constexpr auto kVanishedWarning = "a menu item vanished while it was read";

INSTANTIATE_TEST_SUITE_P(
    Trees, HostileTreeJourney,
    testing::Values(
        HostileCase{"CycleGtk", "cycle", "gtk", 0, kCycleRows, {}, kCycleWarning, 3},
        HostileCase{"CycleQt", "cycle", "qt", 0, kCycleRows, {}, kCycleWarning, 3},
        HostileCase{"FanOutGtk", "fanout", "gtk", 0, {kFanOutLeaf, QStringLiteral("Help > About")}, {}, kCycleWarning, 14},
        HostileCase{"FanOutQt", "fanout", "qt", 0, {kFanOutLeaf, QStringLiteral("Help > About")}, {}, kCycleWarning, 14},
        HostileCase{"DeepGtk", "deep", "gtk", 0, {QStringLiteral("File > New"), kDeepest}, {kDeepest + QStringLiteral(" > Down 33")},
                    kDepthWarning, 34},
        HostileCase{"DeepQt", "deep", "qt", 0, {QStringLiteral("File > New"), kDeepest}, {kDeepest + QStringLiteral(" > Down 33")},
                    kDepthWarning, 34},
        HostileCase{"WideQtStopsAtTheTimeBudget", "wide", "qt", 0, {QStringLiteral("File > File item 1")},
                    {QStringLiteral("Menu 20 > Item 20. 1000")}, "reading stopped after 3 s", 20000},
        // Every answer takes 250 ms: a slow application, not a stopped one, however many calls wait on it.
        HostileCase{"SlowQtIsReadUntilTheBudgetNotTakenForStopped", "slow", "qt", 8, {}, {}, "reading stopped after 3 s", 0},
        HostileCase{"VanishingGtk", "vanishing", "gtk", 0, kVanishedRows, {QStringLiteral("File > Doomed")}, kVanishedWarning, 3},
        HostileCase{"VanishingQt", "vanishing", "qt", 0, kVanishedRows, {QStringLiteral("File > Doomed")}, kVanishedWarning, 3}),
    [](const testing::TestParamInfo<HostileCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin::test
