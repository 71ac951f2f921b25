// The palette over a peer serving hostile menu trees on the accessibility bus (tests/fixtures/HostilePeer.cpp) from
// a window of its own, so it is the focused application: a menu that lists itself (read GTK's whole-tree way and
// Qt's node-by-node way), a menu listing the next ten times over twelve levels, and 20,000 items in 20 menus. The
// palette stays up, lists each command once, performs only the one chosen, and its memory stays bounded.
#include "EndToEndTest.h"
#include "HostilePeerRun.h"

#include <QFile>
#include <QJsonArray>

namespace tavolin::test {
namespace {

// A field of /proc/PID/status in kB ("VmRSS", "VmHWM"), -1 when it cannot be read.
qint64 statusKb(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Far above what the palette holds over a real application (about 40 MB here) or over 20,000 items (about
// 105 MB), far below what one menu read once per path of a 10^12-path tree, or 50,000 times, would take.
constexpr qint64 kResidentBoundKb = 200 * 1024;

struct PaletteOverHostileCase
{
    const char *name;
    const char *tree;
    const char *toolkit;
    QStringList listed; // rows the panel lists once the menus are read
    QString query;      // typed: exactly one row answers it
    QString row;        // that row
    QString performed;  // the path the peer sees pressed
    const char *logged; // a line of the palette's log naming the limit reached; null: none
};

void PrintTo(const PaletteOverHostileCase &c, std::ostream *os) { *os << c.name; }

class PaletteOverHostileTree : public EndToEndTest, public testing::WithParamInterface<PaletteOverHostileCase>
{
};

TEST_P(PaletteOverHostileTree, StaysUpListsEachCommandOnceAndPerformsOnlyTheChosenOne)
{
    const PaletteOverHostileCase &c = GetParam();
    HostilePeerRun peer(QString::fromLatin1(c.tree), QString::fromLatin1(c.toolkit), HostilePeerRun::Window::Open);
    ASSERT_TRUE(peer.ready()) << "the hostile peer did not register on the accessibility bus";
    const std::optional<QString> window = waitForWindowOf(peer.pid());
    ASSERT_TRUE(window) << "the hostile peer showed no window";
    ASSERT_TRUE(waitFor([&] { return PanelProbe::frameCount(peer.pid()) == 1; }, 15s))
        << "the hostile peer is not on the accessibility desktop";
    // No rule for the peer: the panel shows once every menu was read, so it shows only when the reading ends.
    const std::unique_ptr<PaletteRun> palette = startPalette(settingsWithFixtureRule(QString()));
    ASSERT_TRUE(palette);

    std::optional<PanelContent> content = openOver(*palette, *window, [&](const PanelContent &panel) {
        return std::all_of(c.listed.begin(), c.listed.end(), [&](const QString &row) { return panel.rows.contains(row); });
    }, 20s);
    ASSERT_TRUE(content) << "expected " << c.listed.join(QStringLiteral(", ")).toStdString() << " listed; the panel shows:\n"
                         << panelNow(*palette) << "\n" << palette->log().right(3000).toStdString();

    ASSERT_TRUE(type(c.query));
    content = waitForPanel(*palette, [&](const PanelContent &panel) {
        return panel.input == c.query && panel.selected == 0 && panel.rows.value(0) == c.row;
    });
    ASSERT_TRUE(content) << "expected " << c.row.toStdString() << " first and selected; the panel shows:\n"
                         << panelNow(*palette);
    EXPECT_EQ(content->rows.count(c.row), 1) << describe(content).toStdString();

    ASSERT_TRUE(pressReturn());
    EXPECT_TRUE(waitFor([&] { return !peer.performed().isEmpty(); }, 10s)) << palette->log().right(3000).toStdString();
    EXPECT_EQ(peer.performed(), QStringList{c.performed});
    if (c.logged) {
        EXPECT_TRUE(palette->waitForLog(QString::fromUtf8(c.logged))) << palette->log().right(3000).toStdString();
    }

    const qint64 peakKb = statusKb(palette->pid(), "VmHWM");
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, kResidentBoundKb) << "the palette's peak resident memory";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

using WideHostileTree = EndToEndTest;

// Served ("allow"), a tree of 20,000 items lists its first menu while the others are still being read: the
// first rows need not wait for the last menu.
TEST_F(WideHostileTree, FirstMenuIsListedBeforeTheReadingEnds)
{
    HostilePeerRun peer(QStringLiteral("wide"), QStringLiteral("qt"), HostilePeerRun::Window::Open);
    ASSERT_TRUE(peer.ready()) << "the hostile peer did not register on the accessibility bus";
    const std::optional<QString> window = waitForWindowOf(peer.pid());
    ASSERT_TRUE(window) << "the hostile peer showed no window";
    ASSERT_TRUE(waitFor([&] { return PanelProbe::frameCount(peer.pid()) == 1; }, 15s))
        << "the hostile peer is not on the accessibility desktop";
    QJsonObject settings = settingsWithFixtureRule(QString());
    settings.insert(QStringLiteral("palette_rule_app"),
                    QJsonArray{QJsonValue(QJsonArray{QStringLiteral("tavolin-hostile-peer"), QStringLiteral("allow"),
                                                     QStringLiteral("Hostile")})});
    const std::unique_ptr<PaletteRun> palette = startPalette(settings);
    ASSERT_TRUE(palette);

    const std::optional<PanelContent> content = openOver(*palette, *window, [](const PanelContent &panel) {
        return panel.rows.contains(QStringLiteral("File item 1"));
    }, 20s);
    ASSERT_TRUE(content) << panelNow(*palette) << "\n" << palette->log().right(3000).toStdString();
    const QString end = QStringLiteral("menu items of Hostile");
    ASSERT_TRUE(palette->waitForLog(end)) << palette->log().right(3000).toStdString();
    const QString log = palette->log();
    const qsizetype firstMenu = log.indexOf(QStringLiteral("menu group 0 ready"));
    EXPECT_GE(firstMenu, 0) << log.right(3000).toStdString();
    EXPECT_LT(firstMenu, log.indexOf(end)) << "the first menu was listed only once every menu was read:\n"
                                           << log.right(3000).toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

const QString kFanOutPath = [] {
    QStringList path{QStringLiteral("File")};
    for (int level = 1; level <= 12; ++level)
        path << QStringLiteral("Level %1").arg(level);
    return (path << QStringLiteral("Leaf")).join(QStringLiteral(" > "));
}();

constexpr auto kCycleLine = "a menu lists itself or an element twice";

INSTANTIATE_TEST_SUITE_P(
    Trees, PaletteOverHostileTree,
    testing::Values(
        PaletteOverHostileCase{"CycleGtk", "cycle", "gtk", {QStringLiteral("New"), QStringLiteral("Quit"), QStringLiteral("About")},
                               QStringLiteral("new"), QStringLiteral("New"), QStringLiteral("File > New"), kCycleLine},
        PaletteOverHostileCase{"CycleQt", "cycle", "qt", {QStringLiteral("New"), QStringLiteral("Quit"), QStringLiteral("About")},
                               QStringLiteral("quit"), QStringLiteral("Quit"), QStringLiteral("File > Quit"), kCycleLine},
        PaletteOverHostileCase{"FanOutGtk", "fanout", "gtk", {QStringLiteral("Leaf"), QStringLiteral("About")},
                               QStringLiteral("leaf"), QStringLiteral("Leaf"), kFanOutPath, kCycleLine},
        PaletteOverHostileCase{"FanOutQt", "fanout", "qt", {QStringLiteral("Leaf"), QStringLiteral("About")},
                               QStringLiteral("leaf"), QStringLiteral("Leaf"), kFanOutPath, kCycleLine},
        // Read GTK's way: 20,000 key bindings asked of one application on one connection.
        PaletteOverHostileCase{"WideGtk", "wide", "gtk", {QStringLiteral("File item 1")}, QStringLiteral("file item 1000"),
                               QStringLiteral("File item 1000"), QStringLiteral("File > File item 1000"), nullptr}),
    [](const testing::TestParamInfo<PaletteOverHostileCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin::test
