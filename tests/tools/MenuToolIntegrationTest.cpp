// The tavolin-menu program under the headless session against the Qt menu fixture: what it lists and ranks,
// that perform has its effect, and its exit codes when something is missing.
#include <gtest/gtest.h>

#include "HeadlessSession.h"

#include "support/WaitFor.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <csignal>

namespace tavolin::menutool {
namespace {

using test::HeadlessSession;
using test::TestApp;

struct ToolRun
{
    int code = -1;
    QString out;
    QString err;
};

// Runs tavolin-menu to its end (bounded: a hang is a failure, code -1).
ToolRun runTool(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAVOLIN_MENU_TOOL), arguments);
    ToolRun run;
    if (!process.waitForStarted(5000) || !process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(2000);
        run.err = QStringLiteral("did not finish");
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
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
        const bool registered = test::waitFor([&] {
            listed = runTool({QStringLiteral("list"), QStringLiteral("--pid"), m_pid});
            return listed.code == 0;
        }, std::chrono::seconds(15));
        ASSERT_TRUE(registered) << "exit " << listed.code << ": " << listed.err.toStdString();
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
                             "Edit > Paste\tCtrl+V\tdisabled",
                             "File > Recent\t\tsubmenu", "File > Recent > More > Gamma", "View > Line Numbers\t\tchecked",
                             "View > Theme > Light\t\tchecked", "View > Word Wrap", "Tools > Zoom In\tCtrl++"})
        EXPECT_TRUE(m_list.contains(QString::fromUtf8(line))) << line;
    EXPECT_EQ(m_list.filter(QRegularExpression(QStringLiteral("^Tools > Run($|\t)"))).size(), 2);
}

TEST_F(MenuToolIntegrationTest, PerformHasItsEffect)
{
    ToolRun r = runTool({QStringLiteral("perform"), QStringLiteral("File > Save As..."), QStringLiteral("--pid"), m_pid});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(m_fixture->waitForLogLine(QStringLiteral("triggered File > Save As…")));

    r = runTool({QStringLiteral("perform"), QStringLiteral("View > Word Wrap"), QStringLiteral("--pid"), m_pid});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(m_fixture->waitForLogLine(QStringLiteral("triggered View > Word Wrap checked=1")));
    const ToolRun after = runTool({QStringLiteral("list"), QStringLiteral("--pid"), m_pid});
    EXPECT_TRUE(after.out.contains(QStringLiteral("View > Word Wrap\t\tchecked\n"))) << after.out.toStdString();
}

TEST_F(MenuToolIntegrationTest, PerformReturnsWhileTheCommandsModalDialogIsOpen)
{
    const ToolRun r = runTool({QStringLiteral("perform"), QStringLiteral("Edit > Settings…"), QStringLiteral("--pid"), m_pid});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_TRUE(m_fixture->waitForLogLine(QStringLiteral("dialog opened")));
    // A read the fixture answers from inside the dialog's loop after the tool ended: a close the tool caused
    // would have had its turn by then.
    const ToolRun after = runTool({QStringLiteral("list"), QStringLiteral("--pid"), m_pid});
    EXPECT_EQ(after.code, 0) << after.err.toStdString();
    EXPECT_FALSE(m_fixture->logLines().contains(QStringLiteral("dialog closed")))
        << m_fixture->logLines().join(QLatin1Char('\n')).toStdString();
}

// What the platform finds missing: the process, its place on the bus, the bus itself. (What a command
// finds wrong with a row is the tool's own logic, tested over the fake source.)
TEST_F(MenuToolIntegrationTest, ErrorsExitWithTheirCodes)
{
    ToolRun r;
    QProcess sleeper; // alive, but not on the accessibility bus
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.waitForStarted(5000));
    r = runTool({QStringLiteral("list"), QStringLiteral("--pid"), QString::number(sleeper.processId())});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.err.contains(QStringLiteral("is not on the accessibility bus"))) << r.err.toStdString();
    const qint64 gone = sleeper.processId();
    sleeper.kill();
    ASSERT_TRUE(sleeper.waitForFinished(5000)) << "the killed process is still there";
    r = runTool({QStringLiteral("list"), QStringLiteral("--pid"), QString::number(gone)});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no such process"))) << r.err.toStdString();

    QProcessEnvironment noBus = QProcessEnvironment::systemEnvironment();
    noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/tavolin-bus"));
    noBus.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
    r = runTool({QStringLiteral("list"), QStringLiteral("--pid"), m_pid}, noBus);
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no accessibility bus"))) << r.err.toStdString();
}

TEST_F(MenuToolIntegrationTest, MenusEmptyUntilOpenedGetTheirOwnExitCode)
{
    const std::unique_ptr<TestApp> lazy =
        TestApp::start(QStringLiteral(TAVOLIN_MENU_FIXTURE), {QStringLiteral("--lazy-menus")});
    ASSERT_TRUE(lazy);
    const QStringList list{QStringLiteral("list"), QStringLiteral("--pid"), QString::number(lazy->pid())};
    ToolRun r;
    ASSERT_TRUE(test::waitFor([&] {
        r = runTool(list);
        return r.code != 4;
    }, std::chrono::seconds(15))) << "the lazy fixture did not appear on the accessibility bus: " << r.err.toStdString();
    EXPECT_EQ(r.code, 7) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("(pid %1) shows 2 menus but no commands").arg(lazy->pid())))
        << r.err.toStdString();
}

TEST_F(MenuToolIntegrationTest, StoppedApplicationGivesABoundedFailure)
{
    ::kill(pid_t(m_fixture->pid()), SIGSTOP);
    const ToolRun r = runTool({QStringLiteral("list"), QStringLiteral("--pid"), m_pid});
    ::kill(pid_t(m_fixture->pid()), SIGCONT);
    EXPECT_NE(r.code, -1) << "the tool hung on a stopped application";
    EXPECT_EQ(r.code, 8) << r.err.toStdString();
}

} // namespace
} // namespace tavolin::menutool
