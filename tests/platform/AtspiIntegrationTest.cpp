// The AT-SPI element source against real applications under the headless session: the tree the reader
// builds from it, presses, and applications that stop or exit while being read.
#include "AtspiTestSupport.h"

#include "accessibility/AXUtils.h"
#include "platform/linux/AccessibilityStatus.h"

#include <QElapsedTimer>

#include <csignal>

namespace tavolin {
namespace {

using namespace Qt::StringLiterals;
using test::MenuRow;
using test::TestApp;

class AtspiIntegrationTest : public test::AtspiSessionTest
{
};

TEST_F(AtspiIntegrationTest, AccessibilityIsTrustedInTheSession)
{
    EXPECT_TRUE(AccessibilityStatus::isEnabled().value_or(false));
    EXPECT_TRUE(m_source->isProcessTrusted());
}

// What the reader keeps of each row (path, shortcut, enabled, checked) and each submenu, in the menus' order.
QStringList describeInOrder(const std::shared_ptr<AtspiElementSource> &source, const ElementRef &app)
{
    std::vector<QString> order;
    const std::map<QString, MenuRow> rows = test::readMenuRows(source, app, &order);
    QStringList described;
    for (const QString &key : order) {
        const auto found = rows.find(key);
        if (found == rows.end()) {
            described << key; // a submenu
            continue;
        }
        const AXMenuItem &item = *found->second.item;
        const auto shortcut = item.shortcut();
        described << u"%1|%2|%3|%4"_s.arg(key, shortcut ? shortcut->displayText() : QString(),
                                          item.enabled() ? u"enabled"_s : QString(), item.checked() ? u"checked"_s : QString());
    }
    return described;
}

TEST_F(AtspiIntegrationTest, QtTreeStreamedIsTheTreeReadOneCallAfterTheOther)
{
    // Submenus, shortcuts, disabled and checked items, a title listed twice, and a menu of 30 more items.
    QStringList extra;
    for (int i = 1; i <= 30; ++i)
        extra << u"Extra %1"_s.arg(i);
    auto app = TestApp::startFixture(u"tavolin-menu-fixture"_s, {u"--menu"_s, u"More:"_s + extra.join(u',')});
    ASSERT_TRUE(app);
    const ElementRef element = waitForApp(app->pid());
    ASSERT_TRUE(element);
    // Read whole each way (on a loaded machine the one-by-one walk may run past its read budget).
    const auto readWhole = [&](AtspiWalkCalls calls, AtspiReadStats &stats) {
        m_source->setWalkCalls(calls);
        QStringList rows;
        for (int attempt = 0; attempt < 3; ++attempt) {
            rows = describeInOrder(m_source, element);
            stats = m_source->lastReadStats();
            if (!m_source->menuReadCuts(element).partial() && !stats.stoppedByTimeout)
                break;
        }
        return rows;
    };
    AtspiReadStats reference;
    AtspiReadStats stats;
    const QStringList oneByOne = readWhole(AtspiWalkCalls::OneByOne, reference);
    const QStringList streamed = readWhole(AtspiWalkCalls::Streamed, stats);

    EXPECT_EQ(streamed.join(u'\n').toStdString(), oneByOne.join(u'\n').toStdString());
    EXPECT_FALSE(stats.stoppedByTimeout);
    EXPECT_EQ(stats.nodes, reference.nodes);
    EXPECT_EQ(stats.menuItems, reference.menuItems);
    EXPECT_GT(stats.figures.calls[int(AtspiCall::Streamed)], stats.menuItems) << "the items were read streamed";
    EXPECT_EQ(reference.figures.calls[int(AtspiCall::Streamed)], 0);
    for (const char *row : {"File > Save As…|Ctrl+Shift+S|enabled|", "File > Recent > More > Gamma||enabled|",
                            "View > Line Numbers||enabled|checked", "More > Extra 30||enabled|"})
        EXPECT_TRUE(streamed.contains(QString::fromUtf8(row))) << row;
}

// The Qt fixture, and mousepad (GTK 3) once its menus are filled, stopped or killed while they are read.
class AtspiStoppingTest : public AtspiIntegrationTest, public testing::WithParamInterface<bool>
{
protected:
    std::unique_ptr<TestApp> start(ElementRef &element)
    {
        if (GetParam()) {
            if (!test::installed(u"mousepad"_s))
                return nullptr;
            std::map<QString, MenuRow> rows;
            return startWithMenus(u"mousepad"_s, {u"--disable-server"_s}, element, rows);
        }
        auto app = TestApp::startFixture();
        element = app ? waitForApp(app->pid()) : nullptr;
        return element ? std::move(app) : nullptr;
    }
};

TEST_P(AtspiStoppingTest, StoppedApplicationGivesABoundedReadAndThenFailsAtOnce)
{
    ElementRef element;
    auto app = start(element);
    if (!app && GetParam() && !HasFailure())
        GTEST_SKIP() << "mousepad is not installed";
    ASSERT_TRUE(app);
    ASSERT_EQ(::kill(pid_t(app->pid()), SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    // Everything the palette does on a call: find the application again, read its title and menus.
    const ElementRef again = m_source->applicationForPid(int32_t(app->pid()));
    ASSERT_TRUE(again);
    AXUtils::getAny<QString>(*m_source, AXAttribute::Title, again);
    const std::map<QString, MenuRow> rows = test::readMenuRows(m_source, again);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(rows.empty());
    timer.restart();
    EXPECT_TRUE(test::readMenuRows(m_source, again).empty());
    EXPECT_LT(timer.elapsed(), 100) << "an application known to hang is not asked again";
    ::kill(pid_t(app->pid()), SIGCONT);
}

TEST_P(AtspiStoppingTest, ApplicationExitingBetweenReadsGivesNoCrash)
{
    for (int round = 0; round < (GetParam() ? 1 : 3); ++round) {
        ElementRef element;
        auto app = start(element);
        if (!app && GetParam() && !HasFailure())
            GTEST_SKIP() << "mousepad is not installed";
        ASSERT_TRUE(app);
        const std::map<QString, MenuRow> before = test::readMenuRows(m_source, element);
        ::kill(pid_t(app->pid()), SIGKILL);
        ASSERT_TRUE(app->process().waitForFinished(5000)) << "the killed application is still there";
        // A read of the gone application, and a press of one of its items, fail quietly and soon.
        QElapsedTimer timer;
        timer.start();
        const std::map<QString, MenuRow> after = test::readMenuRows(m_source, element);
        EXPECT_LT(timer.elapsed(), 2000);
        EXPECT_LE(after.size(), before.size());
        if (!before.empty()) {
            EXPECT_NE(before.begin()->second.item->press(), AXError::Success);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Applications, AtspiStoppingTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool> &info) { return info.param ? "Mousepad" : "QtFixture"; });

} // namespace
} // namespace tavolin
