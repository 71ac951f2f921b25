// GTK 3 applications driven for real under the headless session: a key combination handed to mousepad
// through the key poster, and a check item of geany flipped and read again through one element source.
#include <gtest/gtest.h>

#include "AtspiTestThread.h"
#include "HeadlessSession.h"
#include "MenuRowsRead.h"

#include "accessibility/AXUtils.h"
#include "common/Shortcut.h"
#include "platform/linux/AtspiElementSource.h"
#include "platform/linux/X11KeyPoster.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>

namespace tavolin {
namespace {

using test::HeadlessSession;
using test::MenuRow;
using test::TestApp;

// What the reader keeps of a row, as text: compared between ways of reading.
QString describe(const MenuRow &row)
{
    const auto shortcut = row.item->shortcut();
    return QStringLiteral("%1|%2|%3").arg(row.path, shortcut ? shortcut->toString() : QString(),
                                          row.item->checked() ? QStringLiteral("checked") : QString());
}

// Every row of `rows` described, keyed by its path.
std::map<QString, QString> describeAll(const std::map<QString, MenuRow> &rows)
{
    std::map<QString, QString> described;
    for (const auto &[key, row] : rows)
        described[key] = describe(row);
    return described;
}

class GtkApplicationsIntegrationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!HeadlessSession::get())
            GTEST_SKIP() << HeadlessSession::reason().toStdString();
        m_source = std::make_shared<AtspiElementSource>(test::atspiTestThread());
        if (!m_source->isReady())
            GTEST_SKIP() << "the accessibility bus did not answer";
    }

    // Starts `program` and waits until its menu bar is filled; null when it is not installed, and a failure
    // as well when it did not come up with its menus.
    std::unique_ptr<TestApp> startWithMenus(const QString &program, const QStringList &args, ElementRef &element,
                                            std::map<QString, MenuRow> &rows)
    {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return nullptr;
        auto app = TestApp::start(program, args);
        if (!app)
            return nullptr;
        test::waitFor([&] { return (element = m_source->applicationForPid(int32_t(app->pid()))) != nullptr; },
                      std::chrono::seconds(10));
        if (!element) {
            ADD_FAILURE() << program.toStdString() << " never appeared on the accessibility bus";
            return nullptr;
        }
        // GTK fills its menu bar after the window appears, and its items' shortcuts and states after that:
        // the menus are filled once two reads in a row give the same rows.
        std::map<QString, QString> previous;
        const bool settled = test::waitFor([&] {
            rows = test::readMenuRows(m_source, element);
            std::map<QString, QString> described = describeAll(rows);
            const bool same = rows.size() > 100 && described == previous;
            previous = std::move(described);
            return same;
        }, std::chrono::seconds(10));
        if (!settled) {
            ADD_FAILURE() << program.toStdString() << "'s menus did not settle: " << rows.size() << " rows read";
            return nullptr;
        }
        if (qEnvironmentVariableIsSet("TAVOLIN_DUMP_ROWS")) {
            for (const auto &[key, row] : rows)
                std::printf("%s%s\n", qPrintable(key), row.item->checked() ? "  [checked]" : "");
        }
        return app;
    }

    // mousepad, or geany with a configuration of its own in `config` (-i: no socket to a running geany).
    std::unique_ptr<TestApp> startGtkApp(const QString &program, const QTemporaryDir &config, ElementRef &element,
                                         std::map<QString, MenuRow> &rows)
    {
        const QStringList args = program == QLatin1String("geany")
            ? QStringList{QStringLiteral("-i"), QStringLiteral("-c"), config.path()}
            : QStringList{QStringLiteral("--disable-server")};
        return startWithMenus(program, args, element, rows);
    }

    // The windows of `pid`'s application, looked up afresh as the palette does on each call: an element
    // whose read once ran into the time-out (mousepad busy building a window on a loaded machine) fails
    // every later read at once.
    size_t windowCount(qint64 pid)
    {
        const ElementRef element = m_source->applicationForPid(int32_t(pid));
        if (!element)
            return 0;
        const auto windows = AXUtils::getAny<ElementList>(*m_source, AXAttribute::Windows, element);
        return windows ? windows->size() : 0;
    }

    std::shared_ptr<AtspiElementSource> m_source;
};

TEST_F(GtkApplicationsIntegrationTest, PostedNewWindowShortcutOpensASecondMousepadWindow)
{
    if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
        GTEST_SKIP() << "mousepad is not installed";
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startWithMenus(QStringLiteral("mousepad"), {QStringLiteral("--disable-server")}, element, rows);
    ASSERT_TRUE(app);
    ASSERT_TRUE(rows.count(QStringLiteral("File > New Window")));
    // The combination as the menu shows it, mapped back to a key the poster sends.
    const std::optional<KeyData> shown = rows.at(QStringLiteral("File > New Window")).item->shortcut();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->displayText(), QStringLiteral("Ctrl+Shift+N"));
    const std::optional<Shortcut> shortcut = shown->toShortcut();
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
    if (QStandardPaths::findExecutable(QStringLiteral("geany")).isEmpty())
        GTEST_SKIP() << "geany is not installed";
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startGtkApp(QStringLiteral("geany"), config, element, rows);
    ASSERT_TRUE(app);
    const QString key = QStringLiteral("View > Show White Space");
    ASSERT_TRUE(rows.count(key));
    ASSERT_FALSE(rows.at(key).item->checked());
    EXPECT_EQ(m_source->lastReadStats().stoppedByTimeout, false);

    // On, then off again: each read after a press must see the state the press left, not the one cached.
    for (const bool expected : {true, false}) {
        ASSERT_EQ(rows.at(key).item->press(), AXError::Success);
        const bool seen = test::waitFor(
            [&] {
                rows = test::readMenuRows(m_source, element);
                return rows.count(key) && rows.at(key).item->checked() == expected;
            },
            std::chrono::seconds(5));
        ASSERT_TRUE(rows.count(key)) << "the row is missing after the press";
        EXPECT_TRUE(seen) << "checked should be " << expected << ", read " << rows.at(key).item->checked();
    }
    // The neighbouring toggles kept theirs.
    EXPECT_TRUE(rows.at(QStringLiteral("View > Show Line Numbers")).item->checked());
    EXPECT_FALSE(rows.at(QStringLiteral("View > Show Line Endings")).item->checked());
}

class GtkActionReadsTest : public GtkApplicationsIntegrationTest, public testing::WithParamInterface<const char *>
{
};

TEST_P(GtkActionReadsTest, EveryWayOfReadingActionsMapsTheSameRows)
{
    const QString program = QString::fromLatin1(GetParam());
    if (QStandardPaths::findExecutable(program).isEmpty())
        GTEST_SKIP() << program.toStdString() << " is not installed";
    QTemporaryDir config;
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startGtkApp(program, config, element, rows);
    ASSERT_TRUE(app);
    struct Way
    {
        const char *name;
        AtspiActionReads actions;
        AtspiTreeReads tree;
    };
    const Way ways[] = {
        {"full actions", AtspiActionReads::Full, AtspiTreeReads::Walk},
        {"action 0 only", AtspiActionReads::Single, AtspiTreeReads::Walk},
        {"pipelined", AtspiActionReads::Pipelined, AtspiTreeReads::Walk},
        {"GetItems", AtspiActionReads::Pipelined, AtspiTreeReads::Items},
    };
    std::map<std::string, std::map<QString, QString>> seen;
    std::map<std::string, std::vector<QString>> order; // every item and submenu, in the menus' order
    for (const Way &way : ways) {
        m_source->setActionReads(way.actions);
        m_source->setTreeReads(way.tree);
        for (const auto &[key, row] : test::readMenuRows(m_source, element, &order[way.name]))
            seen[way.name][key] = describe(row);
        const AtspiReadStats stats = m_source->lastReadStats();
        EXPECT_FALSE(stats.stoppedByTimeout) << way.name;
        if (way.actions != AtspiActionReads::Full) {
            // Only the key binding of action 0, once per item at most.
            EXPECT_EQ(stats.figures.calls[int(AtspiCall::ActionCount)], 0) << way.name;
            EXPECT_EQ(stats.figures.calls[int(AtspiCall::ActionName)], 0) << way.name;
            EXPECT_LE(stats.figures.calls[int(AtspiCall::KeyBinding)], stats.menuItems) << way.name;
        }
        if (way.tree == AtspiTreeReads::Items) {
            // One call for the tree, one per menu for its children's order, none object by object.
            EXPECT_EQ(stats.figures.calls[int(AtspiCall::Items)], 1);
            EXPECT_LT(stats.figures.calls[int(AtspiCall::Children)], stats.menuItems / 4);
            EXPECT_EQ(stats.figures.calls[int(AtspiCall::Role)], 0);
        }
    }
    const std::map<QString, QString> &full = seen["full actions"];
    EXPECT_GT(full.size(), 200u);
    const auto withShortcut = std::count_if(full.begin(), full.end(),
                                            [](const auto &entry) { return !entry.second.section('|', 1, 1).isEmpty(); });
    EXPECT_GT(withShortcut, 20) << "shortcuts mapped at all";
    for (const Way &way : ways) {
        EXPECT_EQ(seen[way.name], full) << way.name;
        EXPECT_EQ(order[way.name], order["full actions"]) << way.name;
    }
    // Nothing the application keeps hidden (geany's radio groups hold a hidden "invisible" item).
    for (const auto &[key, text] : full)
        EXPECT_FALSE(key.endsWith(QLatin1String(" > invisible"))) << key.toStdString();

    // Presses reach items read from GetItems: flip a toggle there and read it back flipped.
    if (program == QLatin1String("geany")) {
        const QString key = QStringLiteral("View > Show White Space");
        rows = test::readMenuRows(m_source, element);
        ASSERT_TRUE(rows.count(key));
        const bool before = rows.at(key).item->checked();
        ASSERT_EQ(rows.at(key).item->press(), AXError::Success);
        EXPECT_TRUE(test::waitFor(
            [&] {
                rows = test::readMenuRows(m_source, element);
                return rows.count(key) && rows.at(key).item->checked() != before;
            },
            std::chrono::seconds(5)))
            << "checked should be " << !before << ", read "
            << (rows.count(key) ? describe(rows.at(key)) : QStringLiteral("missing")).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Applications, GtkActionReadsTest, testing::Values("mousepad", "geany"));

TEST_F(GtkApplicationsIntegrationTest, StoppedGtkApplicationGivesABoundedReadAndThenFailsAtOnce)
{
    QTemporaryDir config;
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startGtkApp(QStringLiteral("mousepad"), config, element, rows);
    if (!app)
        GTEST_SKIP() << "mousepad did not start with its menus";
    ASSERT_EQ(::kill(pid_t(app->pid()), SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    // What the palette does on a call: the application again, its title and its menus.
    const ElementRef again = m_source->applicationForPid(int32_t(app->pid()));
    ASSERT_TRUE(again);
    const qint64 findMs = timer.elapsed();
    AXUtils::getAny<QString>(*m_source, AXAttribute::Title, again);
    test::readMenuRows(m_source, again);
    const qint64 firstMs = timer.elapsed();
    std::printf("stopped GTK application: found in %lld ms, first read %lld ms in all\n", findMs, firstMs);
    EXPECT_LT(firstMs, 2000);
    timer.restart();
    EXPECT_TRUE(test::readMenuRows(m_source, again).empty());
    EXPECT_LT(timer.elapsed(), 100) << "an application known to hang is not asked again";
    ::kill(pid_t(app->pid()), SIGCONT);
}

TEST_F(GtkApplicationsIntegrationTest, GtkApplicationExitingBetweenReadsGivesNoCrash)
{
    QTemporaryDir config;
    ElementRef element;
    std::map<QString, MenuRow> rows;
    auto app = startGtkApp(QStringLiteral("mousepad"), config, element, rows);
    if (!app)
        GTEST_SKIP() << "mousepad did not start with its menus";
    ::kill(pid_t(app->pid()), SIGKILL);
    ASSERT_TRUE(app->process().waitForFinished(5000)) << "the killed mousepad is still there";
    QElapsedTimer timer;
    timer.start();
    const std::map<QString, MenuRow> after = test::readMenuRows(m_source, element);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_LE(after.size(), rows.size());
    EXPECT_NE(rows.begin()->second.item->press(), AXError::Success);
}

} // namespace
} // namespace tavolin
