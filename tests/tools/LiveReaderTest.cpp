// tavolin-menu hands reading a live application to its live reader, found beside it or where it is
// installed: the reader gets the program's own arguments and its exit code is the program's; without a
// reader, live commands fail clearly while rows files are still ranked.
#include <gtest/gtest.h>

#include "tools/LiveReaderPlatform.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace tavolin::menutool {
namespace {

struct ToolRun
{
    int code = -1;
    QString out;
    QString err;
};

ToolRun runProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForStarted(5000) || !process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(2000);
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A copy of tavolin-menu alone in a folder of its own, optionally with a stand-in reader beside it.
class LiveReaderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_tool = m_dir.filePath(QStringLiteral("tavolin-menu"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TAVOLIN_MENU_TOOL), m_tool));
    }

    // A reader that prints each argument on a line of its own and exits with 42.
    void addStandInReader(const QString &dir)
    {
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile script(QDir(dir).filePath(QStringLiteral("tavolin-menu-live")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done\nexit 42\n");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }

    QTemporaryDir m_dir;
    QString m_tool;
};

TEST_F(LiveReaderTest, LiveCommandsRunTheReaderWithTheProgramsArgumentsAndExitCode)
{
    addStandInReader(m_dir.path());
    const ToolRun run = runProgram(m_tool, {QStringLiteral("search"), QStringLiteral("save  as"), QStringLiteral("--pid"), QStringLiteral("7")});
    EXPECT_EQ(run.code, 42) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("search\nsave  as\n--pid\n7\n"));
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST_F(LiveReaderTest, TheInstalledReaderIsFoundFromBin)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("bin"))));
    const QString tool = prefix.filePath(QStringLiteral("bin/tavolin-menu"));
    ASSERT_TRUE(QFile::copy(m_tool, tool));
    addStandInReader(prefix.filePath(QStringLiteral("libexec/tavolin")));
    const ToolRun run = runProgram(tool, {QStringLiteral("list")});
    EXPECT_EQ(run.code, 42) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("list\n"));
}

TEST_F(LiveReaderTest, WithoutAReaderLiveCommandsFailClearlyAndRowsFilesAreStillRanked)
{
    const ToolRun live = runProgram(m_tool, {QStringLiteral("list"), QStringLiteral("--pid"), QStringLiteral("1")});
    EXPECT_EQ(live.code, 3);
    EXPECT_TRUE(live.err.startsWith(QStringLiteral("tavolin-menu: cannot read applications: tavolin-menu-live is missing")))
        << live.err.toStdString();
    EXPECT_TRUE(live.out.isEmpty());

    QFile rows(m_dir.filePath(QStringLiteral("rows.txt")));
    ASSERT_TRUE(rows.open(QIODevice::WriteOnly));
    rows.write("File > Save As...\tCtrl+Shift+S\nView > Zoom In\n");
    rows.close();
    const ToolRun ranked = runProgram(m_tool, {QStringLiteral("search"), QStringLiteral("--rows"), rows.fileName(), QStringLiteral("save as")});
    EXPECT_EQ(ranked.code, 0) << ranked.err.toStdString();
    EXPECT_TRUE(ranked.out.endsWith(QStringLiteral("\tFile > Save As...\tCtrl+Shift+S\n"))) << ranked.out.toStdString();
    EXPECT_EQ(ranked.out.count(u'\n'), 1);

    // Usage errors and help are the program's own.
    EXPECT_EQ(runProgram(m_tool, {QStringLiteral("search")}).code, 2);
    EXPECT_EQ(runProgram(m_tool, {QStringLiteral("--help")}).code, 0);
}

} // namespace
} // namespace tavolin::menutool
