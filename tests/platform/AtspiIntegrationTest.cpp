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
#include <future>
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

TEST_F(AtspiIntegrationTest, QtFixtureTreeMatchesWhatTheApplicationShows)
{
    auto app = TestApp::startFixture();
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    const std::map<QString, Row> rows = readRows(m_source, element);
    if (qEnvironmentVariableIsSet("TAVOLIN_DUMP_ROWS"))
        for (const auto &[key, row] : rows)
            std::printf("%s\n", qPrintable(key));
    if (qEnvironmentVariableIsSet("TAVOLIN_DUMP_ROWS"))
        std::printf("stats: %d nodes %d items failed=%d\n", m_source->lastReadStats().nodes,
                    m_source->lastReadStats().menuItems, int(m_source->lastReadStats().stoppedByTimeout));

    const auto shortcutOf = [&](const char *key) { return test::shortcutText(rows, QString::fromUtf8(key)); };
    EXPECT_EQ(shortcutOf("Edit > Command Palette"), QStringLiteral("Ctrl+Shift+P"));
    EXPECT_EQ(shortcutOf("File > Save As…"), QStringLiteral("Ctrl+Shift+S"));
    EXPECT_EQ(shortcutOf("View > Reload"), QStringLiteral("F5"));
    EXPECT_EQ(shortcutOf("File > Reload"), QString()); // no shortcut, and its mnemonic is none either
    EXPECT_EQ(shortcutOf("File > Recent > More > Gamma"), QString());
    EXPECT_TRUE(rows.count(QStringLiteral("File > Recent > More > Gamma")));
    EXPECT_FALSE(rows.count(QStringLiteral("Edit > Paste"))) << "the disabled item is dropped";
    EXPECT_TRUE(rows.at(QStringLiteral("View > Line Numbers")).item->checked());
    EXPECT_FALSE(rows.at(QStringLiteral("View > Word Wrap")).item->checked());
    EXPECT_TRUE(rows.at(QStringLiteral("View > Theme > Light")).item->checked());
    // 21 enabled leaves; the two "Run" items share one key here.
    EXPECT_EQ(rows.size(), 20u);
    EXPECT_EQ(m_source->lastReadStats().stoppedByTimeout, false);
}

TEST_F(AtspiIntegrationTest, PressFlipsACheckStateAndReturnsAtOnceWhenADialogOpens)
{
    auto app = TestApp::startFixture();
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    const QString wrap = QStringLiteral("View > Word Wrap");
    std::map<QString, Row> rows = readRows(m_source, element);
    ASSERT_TRUE(rows.count(wrap));
    EXPECT_EQ(rows.at(wrap).item->press(), AXError::Success);
    EXPECT_TRUE(app->waitForLogLine(QStringLiteral("triggered View > Word Wrap checked=1")));
    // The log line is written in the slot; a cached read learns the new state from the application's
    // state-change event, which may come after it.
    EXPECT_TRUE(test::waitFor([&] {
        rows = readRows(m_source, element);
        return rows.count(wrap) && rows.at(wrap).item->checked();
    }, std::chrono::seconds(5))) << "View > Word Wrap read " << (rows.count(wrap) ? "unchecked" : "missing");
    ASSERT_TRUE(rows.count(QStringLiteral("Edit > Settings…")));

    QElapsedTimer timer;
    timer.start();
    auto outcome = std::make_shared<std::promise<AXError>>();
    std::future<AXError> answered = outcome->get_future();
    EXPECT_EQ(rows.at(QStringLiteral("Edit > Settings…")).item->press([outcome](AXError value) { outcome->set_value(value); }),
              AXError::Success);
    EXPECT_LT(timer.elapsed(), 200);
    EXPECT_TRUE(app->waitForLogLine(QStringLiteral("dialog opened")));
    // The press reached the item, though its reply waits for the dialog to close.
    ASSERT_EQ(answered.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    EXPECT_EQ(answered.get(), AXError::Success);
    // Reading goes on while the dialog holds the application's reply to the press.
    EXPECT_FALSE(readRows(m_source, element).empty());
    EXPECT_FALSE(app->logLines().contains(QStringLiteral("dialog closed")));
}

TEST_F(AtspiIntegrationTest, PressOfAnItemTheApplicationDestroyedReportsItGone)
{
    auto app = TestApp::startFixture();
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    const std::map<QString, Row> rows = readRows(m_source, element);
    ASSERT_TRUE(rows.count(QStringLiteral("File > Recent > Alpha")) && rows.count(QStringLiteral("File > Reload")));
    // Reload replaces the Recent items: the Alpha read above is gone, a new one stands in its place.
    ASSERT_EQ(rows.at(QStringLiteral("File > Reload")).item->press(), AXError::Success);
    ASSERT_TRUE(app->waitForLogLine(QStringLiteral("triggered File > Reload")));
    const auto pressOf = [](const Row &row) {
        auto outcome = std::make_shared<std::promise<AXError>>();
        std::future<AXError> answered = outcome->get_future();
        const AXError sent = row.item->press([outcome](AXError value) { outcome->set_value(value); });
        if (sent != AXError::Success)
            return sent;
        return answered.wait_for(std::chrono::seconds(3)) == std::future_status::ready ? answered.get()
                                                                                       : AXError::NoValue;
    };
    EXPECT_EQ(pressOf(rows.at(QStringLiteral("File > Recent > Alpha"))), AXError::InvalidElement);
    EXPECT_FALSE(app->logLines().contains(QStringLiteral("triggered File > Recent > Alpha")));
    const std::map<QString, Row> again = readRows(m_source, element);
    ASSERT_TRUE(again.count(QStringLiteral("File > Recent > Alpha")));
    EXPECT_EQ(pressOf(again.at(QStringLiteral("File > Recent > Alpha"))), AXError::Success);
    EXPECT_TRUE(app->waitForLogLine(QStringLiteral("triggered File > Recent > Alpha")));
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
