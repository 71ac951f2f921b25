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
