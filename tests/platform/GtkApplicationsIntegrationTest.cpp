// GTK 3 applications driven for real under the headless session: mousepad's accelerators read and one
// handed to it through the key poster, and geany's check items flipped and read again, whichever way the
// menus are read.
#include "AtspiTestSupport.h"

#include "accessibility/AXUtils.h"
#include "common/Shortcut.h"
#include "platform/linux/X11KeyPoster.h"

#include <QTemporaryDir>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::MenuRow;
using test::TestApp;

class GtkApplicationsIntegrationTest : public test::AtspiSessionTest
{
protected:
    // mousepad, or geany with a configuration of its own (-i: no socket to a running geany); skipped when
    // it is not installed.
    std::unique_ptr<TestApp> startGtkApp(const QString &program, ElementRef &element, std::map<QString, MenuRow> &rows)
    {
        if (!test::installed(program))
            return nullptr;
        const QStringList args = program == u"geany"_s ? QStringList{"-i", "-c", m_config.path()} : QStringList{"--disable-server"};
        return startWithMenus(program, args, element, rows);
    }

    // The windows of `pid`'s application, looked up afresh as the palette does on each call: an element
    // whose read once ran into the time-out (mousepad busy building a window on a loaded machine) fails
    // every later read at once.
    size_t windowCount(qint64 pid)
    {
        const ElementRef element = m_source->applicationForPid(int32_t(pid));
        const auto windows = element ? AXUtils::getAny<ElementList>(*m_source, AXAttribute::Windows, element) : std::nullopt;
        return windows ? windows->size() : 0;
    }

    // Presses `key`'s item and reads the menus again until it shows `checked`.
    void pressAndSee(const ElementRef &element, std::map<QString, MenuRow> &rows, const QString &key, bool checked)
    {
        ASSERT_TRUE(rows.count(key));
        ASSERT_EQ(rows.at(key).item->press(), AXError::Success);
        EXPECT_TRUE(test::waitFor([&] {
            rows = test::readMenuRows(m_source, element);
            return rows.count(key) && rows.at(key).item->checked() == checked;
        }, std::chrono::seconds(5))) << "checked should be " << checked << ", read "
                                     << (rows.count(key) ? test::describe(rows.at(key)) : u"missing"_s).toStdString();
    }

    QTemporaryDir m_config;
};

TEST_F(GtkApplicationsIntegrationTest, MousepadShowsItsAcceleratorsAndAPostedOneOpensASecondWindow)
{
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startGtkApp(u"mousepad"_s, element, rows);
    if (!app && !HasFailure())
        GTEST_SKIP() << "mousepad is not installed";
    ASSERT_TRUE(app);
    EXPECT_GT(m_source->lastReadStats().menuItems, 200);
    for (const auto &[key, shortcut] : {std::pair{"File > New", "Ctrl+N"}, {"File > Save As...", "Ctrl+Shift+S"},
                                        {"View > Fullscreen", "F11"}, {"File > New Window", "Ctrl+Shift+N"}})
        EXPECT_EQ(test::shortcutText(rows, QString::fromUtf8(key)), QString::fromUtf8(shortcut)) << key;

    // The combination as the menu shows it, mapped back to a key the poster sends.
    const std::optional<Shortcut> shortcut = rows.at(u"File > New Window"_s).item->shortcut()->toShortcut();
    ASSERT_TRUE(shortcut);
    ASSERT_TRUE(test::waitFor([&] { return windowCount(app->pid()) == 1; }, std::chrono::seconds(5)))
        << "windows: " << windowCount(app->pid());
    X11KeyPoster poster;
    const Result<void> posted = poster.post(int32_t(app->pid()), *shortcut);
    ASSERT_TRUE(posted.isOk()) << posted.reason().toStdString();
    EXPECT_TRUE(test::waitFor([&] { return windowCount(app->pid()) == 2; }, std::chrono::seconds(5)))
        << "windows: " << windowCount(app->pid());
}

TEST_F(GtkApplicationsIntegrationTest, CachedReadOfGeanySeesACheckItemFlippedThroughTheSource)
{
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startGtkApp(u"geany"_s, element, rows);
    if (!app && !HasFailure())
        GTEST_SKIP() << "geany is not installed";
    ASSERT_TRUE(app);
    const QString key = u"View > Show White Space"_s;
    ASSERT_TRUE(rows.count(key));
    ASSERT_FALSE(rows.at(key).item->checked());
    EXPECT_EQ(m_source->lastReadStats().stoppedByTimeout, false);
    // On, then off again, pressing items read from GetItems (the source's default): each read after a press
    // must see the state the press left, not the one cached.
    pressAndSee(element, rows, key, true);
    pressAndSee(element, rows, key, false);
    // The neighbouring toggles kept theirs.
    EXPECT_TRUE(rows.at(u"View > Show Line Numbers"_s).item->checked());
    EXPECT_FALSE(rows.at(u"View > Show Line Endings"_s).item->checked());
}

class GtkActionReadsTest : public GtkApplicationsIntegrationTest, public testing::WithParamInterface<const char *>
{
};

TEST_P(GtkActionReadsTest, EveryWayOfReadingActionsMapsTheSameRows)
{
    const QString program = QString::fromLatin1(GetParam());
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startGtkApp(program, element, rows);
    if (!app && !HasFailure())
        GTEST_SKIP() << GetParam() << " is not installed";
    ASSERT_TRUE(app);
    const struct
    {
        const char *name;
        AtspiActionReads actions;
        AtspiTreeReads tree;
    } ways[] = {
        {"full actions", AtspiActionReads::Full, AtspiTreeReads::Walk},
        {"action 0 only", AtspiActionReads::Single, AtspiTreeReads::Walk},
        {"pipelined", AtspiActionReads::Pipelined, AtspiTreeReads::Walk},
        {"GetItems", AtspiActionReads::Pipelined, AtspiTreeReads::Items},
    };
    std::map<std::string, std::map<QString, QString>> seen;
    std::map<std::string, std::vector<QString>> order; // every item and submenu, in the menus' order
    for (const auto &way : ways) {
        m_source->setActionReads(way.actions);
        m_source->setTreeReads(way.tree);
        for (const auto &[key, row] : test::readMenuRows(m_source, element, &order[way.name]))
            seen[way.name][key] = test::describe(row);
        const AtspiReadStats stats = m_source->lastReadStats();
        const auto &calls = stats.figures.calls;
        EXPECT_FALSE(stats.stoppedByTimeout) << way.name;
        if (way.actions != AtspiActionReads::Full) {
            // Only the key binding of action 0, once per item at most.
            EXPECT_EQ(calls[int(AtspiCall::ActionCount)], 0) << way.name;
            EXPECT_EQ(calls[int(AtspiCall::ActionName)], 0) << way.name;
            EXPECT_LE(calls[int(AtspiCall::KeyBinding)], stats.menuItems) << way.name;
        }
        if (way.tree == AtspiTreeReads::Items) {
            // One call for the tree, one per menu for its children's order, none object by object.
            EXPECT_EQ(calls[int(AtspiCall::Items)], 1);
            EXPECT_LT(calls[int(AtspiCall::Children)], stats.menuItems / 4);
            EXPECT_EQ(calls[int(AtspiCall::Role)], 0);
        }
    }
    const std::map<QString, QString> &full = seen["full actions"];
    EXPECT_GT(full.size(), 200u);
    const auto withShortcut = std::count_if(full.begin(), full.end(),
                                            [](const auto &entry) { return !entry.second.section('|', 1, 1).isEmpty(); });
    EXPECT_GT(withShortcut, 20) << "shortcuts mapped at all";
    for (const auto &way : ways) {
        EXPECT_EQ(seen[way.name], full) << way.name;
        EXPECT_EQ(order[way.name], order["full actions"]) << way.name;
    }
    // Nothing the application keeps hidden (geany's radio groups hold a hidden "invisible" item).
    for (const auto &[key, text] : full)
        EXPECT_FALSE(key.endsWith(QLatin1String(" > invisible"))) << key.toStdString();

}

INSTANTIATE_TEST_SUITE_P(Applications, GtkActionReadsTest, testing::Values("mousepad", "geany"));

} // namespace
} // namespace tavolin
