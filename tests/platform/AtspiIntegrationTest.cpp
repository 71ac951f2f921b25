// The AT-SPI element source against real applications under the headless session: the tree the reader
// builds from it, presses, and applications that stop or exit while being read.
#include <gtest/gtest.h>

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
        m_source = std::make_shared<AtspiElementSource>();
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

// What the reader keeps of each row (path, shortcut, enabled, checked), in the menus' order.
std::vector<QString> describeInOrder(const std::shared_ptr<AtspiElementSource> &source, const ElementRef &app)
{
    std::vector<QString> order;
    const std::map<QString, Row> rows = test::readMenuRows(source, app, &order);
    std::vector<QString> described;
    for (const QString &key : order) {
        const Row &row = rows.at(key);
        const auto shortcut = row.item->shortcut();
        described.push_back(QStringLiteral("%1|%2|%3|%4").arg(key, shortcut ? shortcut->toString() : QString(),
                                                            row.item->enabled() ? QStringLiteral("enabled") : QString(),
                                                            row.item->checked() ? QStringLiteral("checked") : QString()));
    }
    return described;
}

TEST_F(AtspiIntegrationTest, QtTreeStreamedIsTheTreeReadOneCallAfterTheOther)
{
    // Submenus, shortcuts, disabled and checked items, a title listed twice, and a menu of 60 more items.
    QStringList extra;
    for (int i = 1; i <= 60; ++i)
        extra << QStringLiteral("Extra %1").arg(i);
    auto app = TestApp::startFixture(QStringLiteral("tavolin-menu-fixture"),
                                     {QStringLiteral("--menu"), QStringLiteral("More:") + extra.join(QLatin1Char(','))});
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    m_source->setWalkCalls(AtspiWalkCalls::OneByOne);
    const std::vector<QString> oneByOne = describeInOrder(m_source, element);
    const AtspiReadStats reference = m_source->lastReadStats();
    m_source->setWalkCalls(AtspiWalkCalls::Streamed);
    const std::vector<QString> streamed = describeInOrder(m_source, element);
    const AtspiReadStats stats = m_source->lastReadStats();

    EXPECT_GT(oneByOne.size(), 80u);
    EXPECT_EQ(streamed, oneByOne);
    EXPECT_FALSE(stats.stoppedByTimeout);
    EXPECT_EQ(stats.nodes, reference.nodes);
    EXPECT_EQ(stats.menuItems, reference.menuItems);
    EXPECT_GT(stats.figures.calls[int(AtspiCall::Streamed)], stats.menuItems) << "the items were read streamed";
    EXPECT_EQ(reference.figures.calls[int(AtspiCall::Streamed)], 0);
    const auto has = [&](const QString &row) { return std::find(streamed.begin(), streamed.end(), row) != streamed.end(); };
    EXPECT_TRUE(has(QStringLiteral("File > Save As…|Ctrl+Shift+S|enabled|")));
    EXPECT_TRUE(has(QStringLiteral("File > Recent > More > Gamma||enabled|")));
    EXPECT_TRUE(has(QStringLiteral("Edit > Paste|Ctrl+V||")));
    EXPECT_TRUE(has(QStringLiteral("More > Extra 60||enabled|")));
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
