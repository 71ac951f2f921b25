// The tavolin-menu program under the headless session against the Qt menu fixture: what it lists and ranks,
// that perform has its effect, and its exit codes when something is missing.
#include <gtest/gtest.h>

#include "HeadlessSession.h"
#include "ToolTestSupport.h"

#include "support/WaitFor.h"

#include <QRegularExpression>

#include <csignal>

namespace tavolin::menutool {
namespace {

using test::HeadlessSession;
using test::TestApp;
using namespace Qt::StringLiterals;

ToolRun runTool(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    return runProgram(QStringLiteral(TAVOLIN_MENU_TOOL), arguments, environment);
}

ToolRun listOf(const QString &pid, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    return runTool({"list", "--pid", pid}, environment);
}

class MenuToolIntegrationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!HeadlessSession::get())
            GTEST_SKIP() << HeadlessSession::reason().toStdString();
        m_fixture = TestApp::startFixture();
        ASSERT_TRUE(m_fixture) << "the menu fixture did not start";
        m_pid = QString::number(m_fixture->pid());
        // The fixture registers on the accessibility bus a few hundred milliseconds after it started.
        ToolRun listed;
        ASSERT_TRUE(test::waitFor([&] { return (listed = listOf(m_pid)).code == 0; }, std::chrono::seconds(15)))
            << "exit " << listed.code << ": " << listed.err.toStdString();
        m_list = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    std::unique_ptr<TestApp> m_fixture;
    QString m_pid;
    QStringList m_list;
};

TEST_F(MenuToolIntegrationTest, ListShowsTheFixturesRowsWithShortcutsAndStates)
{
    EXPECT_EQ(m_list.size(), 25) << m_list.join(QLatin1Char('\n')).toStdString();
    for (const char *line : {"File > Save As…\tCtrl+Shift+S", "Edit > Command Palette\tCtrl+Shift+P", "View > Reload\tF5",
                             "Edit > Paste\tCtrl+V\tdisabled", "File > Recent\t\tsubmenu", "File > Recent > More > Gamma", "View > Line Numbers\t\tchecked",
                             "View > Theme > Light\t\tchecked", "View > Word Wrap", "Tools > Zoom In\tCtrl++"})
        EXPECT_TRUE(m_list.contains(QString::fromUtf8(line))) << line;
    EXPECT_EQ(m_list.filter(QRegularExpression(u"^Tools > Run($|\t)"_s)).size(), 2);
}

TEST_F(MenuToolIntegrationTest, PerformHasItsEffect)
{
    ToolRun r = runTool({"perform", "File > Save As...", "--pid", m_pid});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(m_fixture->waitForLogLine(u"triggered File > Save As…"_s));

    r = runTool({"perform", "View > Word Wrap", "--pid", m_pid});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(m_fixture->waitForLogLine(u"triggered View > Word Wrap checked=1"_s));
    const ToolRun after = listOf(m_pid);
    EXPECT_TRUE(after.out.contains(u"View > Word Wrap\t\tchecked\n"_s)) << after.out.toStdString();
}

TEST_F(MenuToolIntegrationTest, PerformReturnsWhileTheCommandsModalDialogIsOpen)
{
    const ToolRun r = runTool({"perform", "Edit > Settings…", "--pid", m_pid});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_TRUE(m_fixture->waitForLogLine(u"dialog opened"_s));
    // A read the fixture answers from inside the dialog's loop after the tool ended: a close the tool caused
    // would have had its turn by then.
    const ToolRun after = listOf(m_pid);
    EXPECT_EQ(after.code, 0) << after.err.toStdString();
    EXPECT_FALSE(m_fixture->logLines().contains(u"dialog closed"_s))
        << m_fixture->logLines().join(QLatin1Char('\n')).toStdString();
}

// What the platform finds missing: the process, its place on the bus, the bus itself. (What a command
// finds wrong with a row is the tool's own logic, tested over the fake source.)
TEST_F(MenuToolIntegrationTest, ErrorsExitWithTheirCodes)
{
    QProcess sleeper; // alive, but not on the accessibility bus
    sleeper.start(u"sleep"_s, {u"30"_s});
    ASSERT_TRUE(sleeper.waitForStarted(5000));
    ToolRun r = listOf(QString::number(sleeper.processId()));
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.err.contains(u"is not on the accessibility bus"_s)) << r.err.toStdString();
    const qint64 gone = sleeper.processId();
    sleeper.kill();
    ASSERT_TRUE(sleeper.waitForFinished(5000)) << "the killed process is still there";
    r = listOf(QString::number(gone));
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.err.contains(u"no such process"_s)) << r.err.toStdString();

    QProcessEnvironment noBus = QProcessEnvironment::systemEnvironment();
    noBus.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/tavolin-bus"_s);
    noBus.remove(u"AT_SPI_BUS_ADDRESS"_s);
    r = listOf(m_pid, noBus);
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains(u"no accessibility bus"_s)) << r.err.toStdString();
}

TEST_F(MenuToolIntegrationTest, MenusEmptyUntilOpenedGetTheirOwnExitCode)
{
    const std::unique_ptr<TestApp> lazy = TestApp::start(QStringLiteral(TAVOLIN_MENU_FIXTURE), {u"--lazy-menus"_s});
    ASSERT_TRUE(lazy);
    ToolRun r;
    ASSERT_TRUE(test::waitFor([&] { return (r = listOf(QString::number(lazy->pid()))).code != 4; }, std::chrono::seconds(15)))
        << "the lazy fixture did not appear on the accessibility bus: " << r.err.toStdString();
    EXPECT_EQ(r.code, 7) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"(pid %1) shows 2 menus but no commands"_s.arg(lazy->pid()))) << r.err.toStdString();
}

TEST_F(MenuToolIntegrationTest, StoppedApplicationGivesABoundedFailure)
{
    ::kill(pid_t(m_fixture->pid()), SIGSTOP);
    const ToolRun r = listOf(m_pid);
    ::kill(pid_t(m_fixture->pid()), SIGCONT);
    EXPECT_NE(r.code, -1) << "the tool hung on a stopped application";
    EXPECT_EQ(r.code, 8) << r.err.toStdString();
}

} // namespace
} // namespace tavolin::menutool
