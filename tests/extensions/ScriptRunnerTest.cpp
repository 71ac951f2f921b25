#include "ExtensionTestSupport.h"
#include "extensions/ScriptRunner.h"
#include "support/ChildProcess.h"
#include "support/FakeNotifier.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

namespace tavolin {
namespace {

using test::FakeNotifier;
using Kind = RunOutcome::Kind;
using namespace std::chrono_literals;

// A temporary folder holding the extension folder "ext" and, beside it, files that entries must not reach.
class ScriptRunnerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(folder()));
        m_runner = std::make_unique<ScriptRunner>(folder(), m_notifier);
    }

    QString folder() const { return m_root.path() + u"/ext"_qs; }
    QString outside(const QString &name) const { return m_root.path() + QLatin1Char('/') + name; }
    QByteArray inFolder(const QString &name) const { return test::readFile(folder() + QLatin1Char('/') + name); }
    void addScript(const QString &entry, const QByteArray &content, bool executable = false)
    {
        ASSERT_TRUE(test::writeFile(folder() + QLatin1Char('/') + entry, content, executable));
    }
    RunOutcome runAndWait(const QString &entry, const RunContext &context = {})
    {
        QFuture<RunOutcome> future = m_runner->run(u"My Tool"_qs, entry, context);
        if (!test::waitForFinished(future)) {
            ADD_FAILURE() << "the run of " << entry.toStdString() << " did not finish";
            return {};
        }
        return future.result();
    }
    // The one notification shown since the last call holds `part` (is `part`, when `exact`); none for "".
    void expectNotification(const QString &part, bool exact = false)
    {
        const auto shown = m_notifier.shown();
        ASSERT_EQ(shown.size(), m_seen + (part.isEmpty() ? 0 : 1));
        m_seen = shown.size();
        if (part.isEmpty())
            return;
        EXPECT_EQ(shown.back().title, u"My Tool"_qs);
        EXPECT_TRUE(exact ? shown.back().text == part : shown.back().text.contains(part)) << shown.back().text.toStdString();
    }

    QTemporaryDir m_root;
    FakeNotifier m_notifier;
    std::unique_ptr<ScriptRunner> m_runner;
    size_t m_seen = 0;
};

// The ending chooses the program; a failure shows its standard error, success shows nothing.
TEST_F(ScriptRunnerTest, EachEntryRunsOrSaysWhyNot)
{
    ASSERT_TRUE(QDir().mkpath(folder() + u"/tool.pext"_qs));
    const struct
    {
        const char *name;
        QString entry;
        QByteArray content; // null: no such file is written
        bool executable;
        Kind expected;
        QString message; // the notification: its whole text after a failure, else a part of it; "" for none
        int exitCode = -1; // checked when set
    } rows[] = {
        {"failing shell script", u"fail.sh"_qs, "echo 'disk is full' >&2\nexit 1\n", false, Kind::Failed, u"disk is full"_qs, 1},
        {"succeeding script, even with standard error", u"ok.sh"_qs, "echo 'just a warning' >&2\nexit 0\n", false,
         Kind::Succeeded, QString()},
        {"crash", u"crash.sh"_qs, "echo 'about to die' >&2\nkill -SEGV $$\n", false, Kind::Failed, u"about to die"_qs},
        {"AppleScript needs macOS", u"Files - Copy Path.scpt"_qs, "tell application \"Finder\"", false, Kind::NotStarted,
         u"AppleScript extensions need macOS"_qs},
        {"unknown ending", u"tool.rb"_qs, "puts 1", true, Kind::NotStarted, u".rb"_qs},
        {"no ending, executable, runs itself", u"tool"_qs, "#!/bin/sh\nexit 0\n", true, Kind::Succeeded, QString()},
        {"no ending, not executable", u"tool2"_qs, "#!/bin/sh\nexit 0\n", false, Kind::NotStarted, u"not executable"_qs},
        {"missing script", u"gone.sh"_qs, QByteArray(), false, Kind::NotStarted, u"not found"_qs},
        {"empty entry", QString(), QByteArray(), false, Kind::NotStarted, u"no script"_qs},
        {"shell script needs no executable bit", u"plain.sh"_qs, "exit 0\n", false, Kind::Succeeded, QString()},
        {"a folder is not a script", u"tool.pext"_qs, QByteArray(), false, Kind::NotStarted, u"not a file"_qs},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.content.isNull())
            addScript(row.entry, row.content, row.executable);

        const RunOutcome outcome = runAndWait(row.entry);

        EXPECT_EQ(outcome.kind, row.expected);
        if (row.exitCode >= 0)
            EXPECT_EQ(outcome.exitCode, row.exitCode);
        expectNotification(row.message, row.expected == Kind::Failed);
    }
}

TEST_F(ScriptRunnerTest, EntriesReachingOutsideTheFolderAreRefusedAndNothingRuns)
{
    // The escape target exists and would leave a marker if it ran.
    const QString marker = outside(u"escaped.txt"_qs);
    ASSERT_TRUE(test::writeFile(outside(u"escape.sh"_qs), u"touch '%1'\n"_qs.arg(marker).toUtf8(), true));
    ASSERT_TRUE(QFile::link(outside(u"escape.sh"_qs), folder() + u"/link.sh"_qs));
    ASSERT_TRUE(QFile::link(m_root.path(), folder() + u"/up"_qs));
    const QString rows[] = {u"../escape.sh"_qs, m_root.path() + u"/escape.sh"_qs, u"sub/../../escape.sh"_qs,
                            u"link.sh"_qs /* a link pointing out */, u"up/escape.sh"_qs /* through a folder link */};
    for (const QString &entry : rows) {
        SCOPED_TRACE(entry.toStdString());
        EXPECT_EQ(runAndWait(entry).kind, Kind::Refused);
        EXPECT_FALSE(QFileInfo::exists(marker));
        const auto shown = m_notifier.shown();
        ASSERT_EQ(shown.size(), ++m_seen);
        EXPECT_EQ(shown.back().title, u"My Tool"_qs);
        EXPECT_TRUE(shown.back().text.contains(u"outside"_qs) || shown.back().text.contains(u"not inside"_qs))
            << shown.back().text.toStdString();
    }
}

TEST_F(ScriptRunnerTest, ScriptsRunInTheExtensionFolderWithBashOrPython3)
{
    addScript(u"tool.pext/bin/run.sh"_qs, "pwd > where.txt\n");
    EXPECT_EQ(runAndWait(u"tool.pext/bin/run.sh"_qs).kind, Kind::Succeeded);
    const QString canonicalFolder = QFileInfo(folder()).canonicalFilePath();
    EXPECT_EQ(inFolder(u"where.txt"_qs).trimmed(), canonicalFolder.toUtf8());

    if (QStandardPaths::findExecutable(u"python3"_qs).isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    addScript(u"version.py"_qs, "import os, sys\nopen('ran.txt', 'w').write('%d %s' % (sys.version_info.major, os.getcwd()))\n");
    EXPECT_EQ(runAndWait(u"version.py"_qs).kind, Kind::Succeeded);
    EXPECT_EQ(QString::fromUtf8(inFolder(u"ran.txt"_qs)), u"3 "_qs + canonicalFolder);
}

// The environment describes the target application; the document is read when the script runs unless
// known, and never inherited from our own environment.
TEST_F(ScriptRunnerTest, EnvironmentDescribesTheTargetApplication)
{
    addScript(u"env.sh"_qs, "printf '%s|%s|%s|%s' \"$TAVOLIN_APP\" \"${TAVOLIN_APP_PID-unset}\" \"${TAVOLIN_DOCUMENT-unset}\" "
                            "\"${TAVOLIN_DOCUMENT+set}\" > env.txt\n");
    test::ScopedEnv env;
    env.set("TAVOLIN_DOCUMENT", u"/stale/from/parent"_qs);
    RunContext context;
    context.appKey = u"mousepad.app"_qs;
    const auto expectRun = [&](const QString &expected) {
        ASSERT_EQ(runAndWait(u"env.sh"_qs, context).kind, Kind::Succeeded);
        EXPECT_EQ(QString::fromUtf8(inFolder(u"env.txt"_qs)), expected);
    };
    expectRun(u"mousepad.app|unset|unset|"_qs);

    context.appPid = 4242;
    context.document = u"/home/me/notes é.txt"_qs;
    expectRun(u"mousepad.app|4242|/home/me/notes é.txt|set"_qs);

    int reads = 0;
    context.document.clear();
    context.readDocument = [&reads] {
        ++reads;
        return u"/home/me/read at run.txt"_qs;
    };
    expectRun(u"mousepad.app|4242|/home/me/read at run.txt|set"_qs);
    context.document = u"/known.txt"_qs;
    expectRun(u"mousepad.app|4242|/known.txt|set"_qs);
    EXPECT_EQ(reads, 1);
}

TEST(ScriptRunner, FailureTextDecodesOrFallsBackToTheStatus)
{
    const struct { const char *name; QByteArray standardError; int exitCode; QString expected; } rows[] = {
        {"UTF-8 kept without trailing newlines", "Fehler: Datei \xc3\xa4\n\n", 1, u"Fehler: Datei ä"_qs},
        {"inner newlines kept", "line one\nline two\n", 1, u"line one\nline two"_qs},
        {"not UTF-8 gives the status", "bad \xff\xfe bytes", 3, u"task return 3"_qs},
        {"empty gives the status", "", 2, u"task return 2"_qs},
        {"only white space gives the status", " \n", 4, u"task return 4"_qs},
    };
    for (const auto &row : rows)
        EXPECT_EQ(ScriptRunner::failureText(row.standardError, row.exitCode), row.expected) << row.name;
}

TEST_F(ScriptRunnerTest, HugeStandardErrorIsCutAndDoesNotStallTheChild)
{
    // 400 KiB is far more than a pipe holds: a runner that read only after the exit would hang here.
    addScript(u"noisy.sh"_qs, "for i in $(seq 1 4000); do printf '%0100d\\n' \"$i\" >&2; done\nexit 1\n");

    const RunOutcome outcome = runAndWait(u"noisy.sh"_qs);

    EXPECT_EQ(outcome.kind, Kind::Failed);
    EXPECT_LE(outcome.message.toUtf8().size(), ScriptRunner::kMaxErrorBytes + 8);
    EXPECT_TRUE(outcome.message.startsWith(u"0000"_qs));
    EXPECT_TRUE(outcome.message.endsWith(u"[…]"_qs));
}

TEST_F(ScriptRunnerTest, RunReturnsAtOnceAndDestroyingTheRunnerStopsAHangingScript)
{
    const QString fifo = outside(u"started"_qs);
    ASSERT_TRUE(test::makeFifo(fifo));
    addScript(u"hang.sh"_qs, u"echo up > '%1'\nexec sleep 600\n"_qs.arg(fifo).toUtf8());

    QFuture<RunOutcome> future = m_runner->run(u"Hang"_qs, u"hang.sh"_qs, {});
    const std::optional<QByteArray> signal = test::readFifo(fifo, 10s);
    ASSERT_TRUE(signal) << "the script did not start";
    EXPECT_EQ(signal->trimmed(), QByteArray("up"));
    EXPECT_FALSE(future.isFinished());

    m_runner.reset();

    ASSERT_TRUE(future.isFinished());
    EXPECT_EQ(future.result().kind, Kind::Stopped);
    EXPECT_TRUE(m_notifier.shown().empty());
}

// Children of this process that exited but were never waited for.
int zombieChildren()
{
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    int zombies = 0;
    for (const QString &pid : QDir(u"/proc"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray stat = test::readFile(u"/proc/%1/stat"_qs.arg(pid));
        // "pid (name) S ppid ..."; the name may hold spaces, so read after the last ')'.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        zombies += fields.size() > 1 && fields[1] == self && fields[0] == "Z" ? 1 : 0;
    }
    return zombies;
}

TEST_F(ScriptRunnerTest, ConcurrentRunsAreAllReapedAndAllReport)
{
    addScript(u"fail.sh"_qs, "echo \"run $1\" >&2\nexit 5\n");
    addScript(u"ok.sh"_qs, "exit 0\n");

    QList<QFuture<RunOutcome>> futures;
    for (int i = 0; i < 6; ++i)
        futures << m_runner->run(u"Run %1"_qs.arg(i), QLatin1String(i % 2 ? "ok.sh" : "fail.sh"), {});
    for (auto &future : futures)
        ASSERT_TRUE(test::waitForFinished(future)) << "a run did not finish";

    EXPECT_EQ(m_notifier.shown().size(), 3u);
    EXPECT_EQ(zombieChildren(), 0);
}

TEST_F(ScriptRunnerTest, ARunBeyondTheLimitFailsAtOnceAndSaysSo)
{
    m_runner = std::make_unique<ScriptRunner>(folder(), m_notifier, 2);
    addScript(u"hang.sh"_qs, "exec sleep 600\n");
    m_runner->run(u"Hang 1"_qs, u"hang.sh"_qs, {});
    m_runner->run(u"Hang 2"_qs, u"hang.sh"_qs, {});

    EXPECT_EQ(runAndWait(u"hang.sh"_qs).kind, Kind::NotStarted);
    expectNotification(u"2 extension scripts are still running"_qs);
}

// Child: runs args[1] from extension folder args[0] and prints "done" and how it ended.
TAVOLIN_CHILD_ROLE(run_one_script)
{
    FakeNotifier notifier;
    ScriptRunner runner(args.at(0), notifier);
    QFuture<RunOutcome> future = runner.run(u"Loud"_qs, args.at(1), {});
    future.waitForFinished();
    std::cout << "done " << int(future.result().kind) << std::endl;
    return 0;
}

TEST_F(ScriptRunnerTest, AScriptsStandardOutputIsNotCopiedToOurs)
{
    // 6 MB on standard output, then a normal exit.
    addScript(u"loud.sh"_qs, "head -c 6000000 /dev/zero | tr '\\0' x\nexit 0\n");
    QProcess child;
    child.start(test::childProgram(), test::childArguments(u"run_one_script"_qs, {folder(), u"loud.sh"_qs}));
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.readAllStandardOutput(), QByteArray("done 0\n"));
}

} // namespace
} // namespace tavolin
