// The AT-SPI element source against real applications under the headless session: the tree the reader
// builds from it, presses, and applications that stop or exit while being read.
#include <gtest/gtest.h>

#include "AtspiTestThread.h"
#include "HeadlessSession.h"
#include "MenuRowsRead.h"

#include "accessibility/AXUtils.h"
#include "platform/linux/AccessibilityStatus.h"
#include "platform/linux/AtspiElementSource.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>
#include <QStandardPaths>

#include <algorithm>
#include <csignal>
#include <map>

namespace tavolin {
namespace {

using test::HeadlessSession;
using test::TestApp;

using Row = test::MenuRow;

std::map<QString, Row> readRows(const std::shared_ptr<AtspiElementSource> &source, const ElementRef &app)
{
    return test::readMenuRows(source, app);
}

class AtspiIntegrationTest : public testing::Test
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

    // The application element of `pid` once it registered (applications appear 0.2–0.7 s after start).
    ElementRef waitForApp(qint64 pid)
    {
        ElementRef app;
        test::waitFor([&] { return (app = m_source->applicationForPid(int32_t(pid))) != nullptr; },
                      std::chrono::seconds(10));
        return app;
    }

    std::shared_ptr<AtspiElementSource> m_source;
};

TEST_F(AtspiIntegrationTest, AccessibilityIsTrustedInTheSession)
{
    EXPECT_TRUE(AccessibilityStatus::isEnabled().value_or(false));
    EXPECT_TRUE(m_source->isProcessTrusted());
}

// What the reader keeps of each row (path, shortcut, enabled, checked) and each submenu, in the menus' order.
std::vector<QString> describeInOrder(const std::shared_ptr<AtspiElementSource> &source, const ElementRef &app)
{
    std::vector<QString> order;
    const std::map<QString, Row> rows = test::readMenuRows(source, app, &order);
    std::vector<QString> described;
    for (const QString &key : order) {
        const auto found = rows.find(key);
        if (found == rows.end()) {
            described.push_back(key); // a submenu
            continue;
        }
        const Row &row = found->second;
        const auto shortcut = row.item->shortcut();
        described.push_back(QStringLiteral("%1|%2|%3|%4").arg(key, shortcut ? shortcut->displayText() : QString(),
                                                            row.item->enabled() ? QStringLiteral("enabled") : QString(),
                                                            row.item->checked() ? QStringLiteral("checked") : QString()));
    }
    return described;
}

TEST_F(AtspiIntegrationTest, QtTreeStreamedIsTheTreeReadOneCallAfterTheOther)
{
    // Submenus, shortcuts, disabled and checked items, a title listed twice, and a menu of 30 more items.
    QStringList extra;
    for (int i = 1; i <= 30; ++i)
        extra << QStringLiteral("Extra %1").arg(i);
    auto app = TestApp::startFixture(QStringLiteral("tavolin-menu-fixture"),
                                     {QStringLiteral("--menu"), QStringLiteral("More:") + extra.join(QLatin1Char(','))});
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    // Read whole each way (on a loaded machine the one-by-one walk may run past its read budget).
    const auto readWhole = [&](AtspiWalkCalls calls, AtspiReadStats &stats) {
        m_source->setWalkCalls(calls);
        std::vector<QString> rows;
        for (int attempt = 0; attempt < 3; ++attempt) {
            rows = describeInOrder(m_source, element);
            stats = m_source->lastReadStats();
            if (!m_source->menuReadCuts(element).partial() && !stats.stoppedByTimeout)
                break;
        }
        return rows.empty() ? QString() : QStringList(rows.begin(), rows.end()).join(QLatin1Char('\n'));
    };
    AtspiReadStats reference;
    AtspiReadStats stats;
    const QString oneByOne = readWhole(AtspiWalkCalls::OneByOne, reference);
    const QString streamed = readWhole(AtspiWalkCalls::Streamed, stats);

    EXPECT_EQ(streamed.toStdString(), oneByOne.toStdString());
    EXPECT_FALSE(stats.stoppedByTimeout);
    EXPECT_EQ(stats.nodes, reference.nodes);
    EXPECT_EQ(stats.menuItems, reference.menuItems);
    EXPECT_GT(stats.figures.calls[int(AtspiCall::Streamed)], stats.menuItems) << "the items were read streamed";
    EXPECT_EQ(reference.figures.calls[int(AtspiCall::Streamed)], 0);
    for (const char *row : {"File > Save As…|Ctrl+Shift+S|enabled|", "File > Recent > More > Gamma||enabled|",
                            "View > Line Numbers||enabled|checked", "More > Extra 30||enabled|"})
        EXPECT_TRUE(streamed.split(QLatin1Char('\n')).contains(QString::fromUtf8(row))) << row;
}

TEST_F(AtspiIntegrationTest, StoppedApplicationGivesABoundedReadAndNoHang)
{
    auto app = TestApp::startFixture();
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    ::kill(pid_t(app->pid()), SIGSTOP);
    QElapsedTimer timer;
    timer.start();
    // Everything the palette does on a call: find the application again, read its title and menus.
    const ElementRef again = m_source->applicationForPid(int32_t(app->pid()));
    ASSERT_TRUE(again);
    AXUtils::getAny<QString>(*m_source, AXAttribute::Title, again);
    const std::map<QString, Row> rows = readRows(m_source, again);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(rows.empty());
    ::kill(pid_t(app->pid()), SIGCONT);
}

TEST_F(AtspiIntegrationTest, ApplicationExitingMidReadGivesNoCrash)
{
    for (int round = 0; round < 3; ++round) {
        auto app = TestApp::startFixture();
        ASSERT_TRUE(app);
        const ElementRef element = waitForApp(app->pid());
        ASSERT_TRUE(element);
        const std::map<QString, Row> before = readRows(m_source, element);
        ::kill(pid_t(app->pid()), SIGKILL);
        ASSERT_TRUE(app->process().waitForFinished(5000)) << "the killed fixture is still there";
        // A read of the gone application, and a press of one of its items, fail quietly.
        const std::map<QString, Row> after = readRows(m_source, element);
        EXPECT_LE(after.size(), before.size());
        if (!before.empty()) {
            EXPECT_NE(before.begin()->second.item->press(), AXError::Success);
        }
    }
}

TEST_F(AtspiIntegrationTest, MousepadTreeHasItsCountsPathsAndAccelerators)
{
    const QString mousepad = QStandardPaths::findExecutable(QStringLiteral("mousepad"));
    if (mousepad.isEmpty())
        GTEST_SKIP() << "mousepad is not installed";
    auto app = TestApp::start(mousepad, {QStringLiteral("--disable-server")});
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    // GTK fills its menu bar after the window appears: read until the read shows what is checked below.
    const std::pair<const char *, QString> shortcuts[] = {{"File > New", QStringLiteral("Ctrl+N")},
                                                          {"File > Save As...", QStringLiteral("Ctrl+Shift+S")},
                                                          {"View > Fullscreen", QStringLiteral("F11")}};
    std::map<QString, Row> rows;
    const auto shortcutOf = [&](const char *key) { return test::shortcutText(rows, QString::fromUtf8(key)); };
    test::waitFor([&] {
        rows = readRows(m_source, element);
        return m_source->lastReadStats().menuItems > 200
            && std::all_of(std::begin(shortcuts), std::end(shortcuts),
                           [&](const auto &expected) { return shortcutOf(expected.first) == expected.second; });
    }, std::chrono::seconds(10));
    if (qEnvironmentVariableIsSet("TAVOLIN_DUMP_ROWS"))
        for (const auto &[key, row] : rows)
            std::printf("%s\n", qPrintable(key));
    for (const auto &[key, shortcut] : shortcuts)
        EXPECT_EQ(shortcutOf(key), shortcut) << key;
    EXPECT_GT(m_source->lastReadStats().menuItems, 200);
    std::printf("mousepad: %d menu items, %d nodes, %zu enabled leaves, read in %.1f ms\n",
                m_source->lastReadStats().menuItems, m_source->lastReadStats().nodes, rows.size(),
                m_source->lastReadStats().milliseconds);
}

} // namespace
} // namespace tavolin
