#include "ExtensionTestSupport.h"
#include "extensions/ScriptRunner.h"
#include "support/FakeNotifier.h"
#include "support/WaitFor.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <utility>

namespace tavolin {
namespace {

// The state letter of `pid` from /proc ('\0' when there is no such process) and its name.
std::pair<char, QByteArray> stateOf(qint64 pid)
{
    const QByteArray stat = pid > 1 ? test::readFile(u"/proc/%1/stat"_qs.arg(pid)) : QByteArray();
    // "pid (name) S ..."; the name may hold spaces, so read around the last ')'.
    const qsizetype open = stat.indexOf('('), close = stat.lastIndexOf(')');
    if (open < 0 || close < open || stat.size() <= close + 2)
        return {'\0', {}};
    return {stat.at(close + 2), stat.mid(open + 1, close - open - 1)};
}

// Whether `pid` still runs; one that exited and waits for whoever inherited it to reap it does not.
bool isRunning(qint64 pid)
{
    const char state = stateOf(pid).first;
    return state != '\0' && state != 'Z';
}

// Each script leaves a `sleep 300` behind and writes its pid to the file "left" beside the extension folder,
// the way a script starts a helper or a daemon and forgets it.
struct LeftBehind
{
    const char *name;
    const char *script;
    bool quitWhileRunning; // the palette quits (the runner is destroyed) while the script still runs
};

const LeftBehind kLeftBehind[] = {
    {"BackgroundJobOfAScriptThatSucceeds", "sleep 300 >/dev/null 2>&1 &\necho $! > ../left\nexit 0\n", false},
    {"BackgroundJobOfAScriptThatFails", "sleep 300 >/dev/null 2>&1 &\necho $! > ../left\necho no >&2\nexit 3\n", false},
    {"BackgroundJobHoldingStandardError", "sleep 300 &\necho $! > ../left\nexit 0\n", false},
    {"DoubleForkedDaemon", "( sleep 300 >/dev/null 2>&1 & echo $! > ../left.tmp; mv ../left.tmp ../left ) &\nwait\n", false},
    {"JobThatIgnoresTerm",
     "( trap '' TERM; echo $BASHPID > ../left.tmp; mv ../left.tmp ../left; exec sleep 300 ) >/dev/null 2>&1 &\n"
     "while [ ! -e ../left ]; do sleep 0.01; done\nexit 0\n",
     false},
    {"JobOfAScriptStillRunningWhenThePaletteQuits",
     "sleep 300 >/dev/null 2>&1 &\necho $! > ../left.tmp\nmv ../left.tmp ../left\nexec sleep 600\n", true},
};

class ScriptProcessGroupTest : public ::testing::TestWithParam<LeftBehind>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid() && QDir().mkpath(m_root.filePath(u"ext"_qs)));
        m_runner = std::make_unique<ScriptRunner>(m_root.filePath(u"ext"_qs), m_notifier);
    }
    void TearDown() override
    {
        // A failed run must not leave its sleep behind for the rest of the suite; it is ours, by its pid.
        const auto [state, name] = stateOf(m_left);
        if (state != '\0' && state != 'Z' && (name == "sleep" || name == "bash"))
            ::kill(static_cast<pid_t>(m_left), SIGKILL);
    }

    QTemporaryDir m_root;
    test::FakeNotifier m_notifier;
    std::unique_ptr<ScriptRunner> m_runner;
    qint64 m_left = 0;
};

TEST_P(ScriptProcessGroupTest, WhatTheScriptLeftRunningEndsWithTheRun)
{
    ASSERT_TRUE(test::writeFile(m_root.filePath(u"ext/leave.sh"_qs), GetParam().script));

    QFuture<RunOutcome> future = m_runner->run(u"Leave"_qs, u"leave.sh"_qs, {});
    ASSERT_TRUE(test::waitFor([&] { return QFileInfo::exists(m_root.filePath(u"left"_qs)); }))
        << "the script never wrote the pid of what it left running";
    m_left = test::readFile(m_root.filePath(u"left"_qs)).trimmed().toLongLong();
    if (GetParam().quitWhileRunning) {
        ASSERT_TRUE(isRunning(m_left));
        ASSERT_FALSE(future.isFinished());
        m_runner.reset();
        ASSERT_TRUE(future.isFinished());
        EXPECT_EQ(future.result().kind, RunOutcome::Kind::Stopped);
    } else {
        ASSERT_TRUE(test::waitForFinished(future)) << "the run did not end when its script exited";
    }

    EXPECT_TRUE(test::waitFor([&] { return !isRunning(m_left); }, std::chrono::seconds(10)))
        << "sleep " << m_left << " outlived the run";
}

INSTANTIATE_TEST_SUITE_P(Runs, ScriptProcessGroupTest, ::testing::ValuesIn(kLeftBehind),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tavolin
