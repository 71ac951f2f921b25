// tavolin-menu hands reading a live application to its live reader, found beside it or where it is
// installed: the reader gets the program's own arguments and its exit code is the program's; without a
// reader, live commands fail clearly while rows files are still ranked.
#include <gtest/gtest.h>

#include "ToolTestSupport.h"

#include "tools/LiveReaderPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tavolin::menutool {
namespace {

using namespace Qt::StringLiterals;

// A copy of tavolin-menu alone in a folder of its own, optionally with a stand-in reader beside it.
class LiveReaderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_tool = m_dir.filePath(u"tavolin-menu"_s);
        ASSERT_TRUE(QFile::copy(QStringLiteral(TAVOLIN_MENU_TOOL), m_tool));
    }

    // A reader that prints each argument on a line of its own and exits with 42.
    void addStandInReader(const QString &dir)
    {
        ASSERT_TRUE(QDir().mkpath(dir));
        QFile script(QDir(dir).filePath(u"tavolin-menu-live"_s));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done\nexit 42\n");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }

    QTemporaryDir m_dir;
    QString m_tool;
};

// Beside the program, or under libexec/tavolin for an installed bin/tavolin-menu.
TEST_F(LiveReaderTest, LiveCommandsRunTheReaderWithTheProgramsArgumentsAndExitCode)
{
    QTemporaryDir prefix;
    const QString installed = prefix.filePath(u"bin/tavolin-menu"_s);
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(u"bin"_s)) && QFile::copy(m_tool, installed));
    addStandInReader(prefix.filePath(u"libexec/tavolin"_s));
    addStandInReader(m_dir.path());

    const ToolRun beside = runProgram(m_tool, {"search", "save  as", "--pid", "7"});
    EXPECT_EQ(beside.code, 42) << beside.err.toStdString();
    EXPECT_EQ(beside.out, u"search\nsave  as\n--pid\n7\n"_s);
    EXPECT_TRUE(beside.err.isEmpty()) << beside.err.toStdString();
    const ToolRun fromBin = runProgram(installed, {"list"});
    EXPECT_EQ(fromBin.code, 42) << fromBin.err.toStdString();
    EXPECT_EQ(fromBin.out, u"list\n"_s);
}

TEST_F(LiveReaderTest, WithoutAReaderLiveCommandsFailClearlyAndRowsFilesAreStillRanked)
{
    const ToolRun live = runProgram(m_tool, {"list", "--pid", "1"});
    EXPECT_EQ(live.code, 3);
    EXPECT_TRUE(live.err.startsWith(u"tavolin-menu: cannot read applications: tavolin-menu-live is missing"_s))
        << live.err.toStdString();
    EXPECT_TRUE(live.out.isEmpty());

    QFile rows(m_dir.filePath(u"rows.txt"_s));
    ASSERT_TRUE(rows.open(QIODevice::WriteOnly));
    rows.write("File > Save As...\tCtrl+Shift+S\nView > Zoom In\n");
    rows.close();
    const ToolRun ranked = runProgram(m_tool, {"search", "--rows", rows.fileName(), "save as"});
    EXPECT_EQ(ranked.code, 0) << ranked.err.toStdString();
    EXPECT_TRUE(ranked.out.endsWith(u"\tFile > Save As...\tCtrl+Shift+S\n"_s)) << ranked.out.toStdString();
    EXPECT_EQ(ranked.out.count(u'\n'), 1);

    // Usage errors and help are the program's own.
    EXPECT_EQ(runProgram(m_tool, {"search"}).code, 2);
    EXPECT_EQ(runProgram(m_tool, {"--help"}).code, 0);
}

} // namespace
} // namespace tavolin::menutool
