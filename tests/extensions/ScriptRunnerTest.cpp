#include "ExtensionTestSupport.h"
#include "support/FakeNotifier.h"
#include "extensions/ScriptRunner.h"
#include "support/ChildProcess.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

    QString folder() const { return m_root.path() + QStringLiteral("/ext"); }
    QString outside(const QString &name) const { return m_root.path() + QLatin1Char('/') + name; }
    void addScript(const QString &entry, const QByteArray &content, bool executable = false)
    {
        ASSERT_TRUE(test::writeFile(folder() + QLatin1Char('/') + entry, content, executable));
    }
    RunOutcome runAndWait(const QString &entry, const RunContext &context = {})
    {
        QFuture<RunOutcome> future = m_runner->run(QStringLiteral("My Tool"), entry, context);
        if (!test::waitForFinished(future)) {
            ADD_FAILURE() << "the run of " << entry.toStdString() << " did not finish";
            return {};
        }
        return future.result();
    }

    QTemporaryDir m_root;
    FakeNotifier m_notifier;
    std::unique_ptr<ScriptRunner> m_runner;
};

TEST_F(ScriptRunnerTest, FailingShellScriptGivesOneNotificationWithItsStandardError)
{
    addScript(QStringLiteral("fail.sh"), "echo 'disk is full' >&2\nexit 1\n");

    const RunOutcome outcome = runAndWait(QStringLiteral("fail.sh"));

    EXPECT_EQ(outcome.kind, Kind::Failed);
    EXPECT_EQ(outcome.exitCode, 1);
    const auto shown = m_notifier.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("My Tool"));
    EXPECT_EQ(shown[0].text, QStringLiteral("disk is full"));
}

TEST_F(ScriptRunnerTest, SucceedingScriptShowsNothingEvenWithStandardError)
{
    addScript(QStringLiteral("ok.sh"), "echo 'just a warning' >&2\nexit 0\n");

    EXPECT_EQ(runAndWait(QStringLiteral("ok.sh")).kind, Kind::Succeeded);
    EXPECT_TRUE(m_notifier.shown().empty());
}

TEST_F(ScriptRunnerTest, PythonScriptRunsWithPython3InTheExtensionFolder)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    addScript(QStringLiteral("version.py"),
              "import os, sys\n"
              "open('ran.txt', 'w').write('%d %s' % (sys.version_info.major, os.getcwd()))\n");

    EXPECT_EQ(runAndWait(QStringLiteral("version.py")).kind, Kind::Succeeded);

    const QString canonicalFolder = QFileInfo(folder()).canonicalFilePath();
    EXPECT_EQ(QString::fromUtf8(test::readFile(folder() + QStringLiteral("/ran.txt"))),
              QStringLiteral("3 ") + canonicalFolder);
}

TEST_F(ScriptRunnerTest, BundleEntryRunsWithBashFromTheExtensionFolder)
{
    addScript(QStringLiteral("tool.pext/bin/run.sh"), "pwd > where.txt\n");

    EXPECT_EQ(runAndWait(QStringLiteral("tool.pext/bin/run.sh")).kind, Kind::Succeeded);
    EXPECT_EQ(test::readFile(folder() + QStringLiteral("/where.txt")).trimmed(),
              QFileInfo(folder()).canonicalFilePath().toUtf8());
}

struct RefusedEntry
{
    const char *name;
    QString entry; // "%ROOT%" is replaced by the temporary root
};
void PrintTo(const RefusedEntry &row, std::ostream *out) { *out << row.name; }

class RefusedEntryTest : public ScriptRunnerTest, public ::testing::WithParamInterface<RefusedEntry>
{
};

TEST_P(RefusedEntryTest, IsRefusedWithANotificationAndNothingRuns)
{
    // The escape target exists and would leave a marker if it ran.
    const QString marker = outside(QStringLiteral("escaped.txt"));
    ASSERT_TRUE(test::writeFile(outside(QStringLiteral("escape.sh")),
                                QStringLiteral("touch '%1'\n").arg(marker).toUtf8(), true));
    ASSERT_TRUE(QFile::link(outside(QStringLiteral("escape.sh")), folder() + QStringLiteral("/link.sh")));
    ASSERT_TRUE(QFile::link(m_root.path(), folder() + QStringLiteral("/up")));
    QString entry = GetParam().entry;
    entry.replace(QStringLiteral("%ROOT%"), m_root.path());

    const RunOutcome outcome = runAndWait(entry);

    EXPECT_EQ(outcome.kind, Kind::Refused);
    EXPECT_FALSE(QFileInfo::exists(marker));
    const auto shown = m_notifier.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("My Tool"));
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("outside")) || shown[0].text.contains(QStringLiteral("not inside")))
        << shown[0].text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RefusedEntryTest,
    ::testing::Values(RefusedEntry{"ParentEscape", QStringLiteral("../escape.sh")},
                      RefusedEntry{"AbsolutePath", QStringLiteral("%ROOT%/escape.sh")},
                      RefusedEntry{"EscapeThroughSubfolder", QStringLiteral("sub/../../escape.sh")},
                      RefusedEntry{"LinkPointingOut", QStringLiteral("link.sh")},
                      RefusedEntry{"FolderLinkPointingOut", QStringLiteral("up/escape.sh")}),
    [](const auto &info) { return std::string(info.param.name); });

struct StartCase
{
    const char *name;
    QString entry;
    QByteArray content;
    bool executable;
    Kind expected;
    QString messagePart; // the notification must contain it; "" for no notification
};
void PrintTo(const StartCase &row, std::ostream *out) { *out << row.name; }

class StartCaseTest : public ScriptRunnerTest, public ::testing::WithParamInterface<StartCase>
{
};

TEST_P(StartCaseTest, EndingChoosesTheProgram)
{
    const StartCase &c = GetParam();
    if (!c.content.isNull())
        addScript(c.entry, c.content, c.executable);

    const RunOutcome outcome = runAndWait(c.entry);

    EXPECT_EQ(outcome.kind, c.expected);
    const auto shown = m_notifier.shown();
    if (c.messagePart.isEmpty()) {
        EXPECT_TRUE(shown.empty());
    } else {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].text.contains(c.messagePart)) << shown[0].text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Endings, StartCaseTest,
    ::testing::Values(
        StartCase{"AppleScriptNeedsMacOS", QStringLiteral("Files - Copy Path.scpt"), "tell application \"Finder\"",
                  false, Kind::NotStarted, QStringLiteral("AppleScript extensions need macOS")},
        StartCase{"UnknownEndingFailsToStart", QStringLiteral("tool.rb"), "puts 1", true, Kind::NotStarted,
                  QStringLiteral(".rb")},
        StartCase{"NoEndingExecutableRunsItself", QStringLiteral("tool"), "#!/bin/sh\nexit 0\n", true,
                  Kind::Succeeded, QString()},
        StartCase{"NoEndingNotExecutableFails", QStringLiteral("tool"), "#!/bin/sh\nexit 0\n", false,
                  Kind::NotStarted, QStringLiteral("not executable")},
        StartCase{"MissingScriptFails", QStringLiteral("gone.sh"), QByteArray(), false, Kind::NotStarted,
                  QStringLiteral("not found")},
        StartCase{"EmptyEntryFails", QString(), QByteArray(), false, Kind::NotStarted, QStringLiteral("no script")},
        StartCase{"ShellScriptNeedsNoExecutableBit", QStringLiteral("plain.sh"), "exit 0\n", false,
                  Kind::Succeeded, QString()}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScriptRunnerTest, FolderIsNotAScript)
{
    ASSERT_TRUE(QDir().mkpath(folder() + QStringLiteral("/tool.pext")));

    EXPECT_EQ(runAndWait(QStringLiteral("tool.pext")).kind, Kind::NotStarted);
    ASSERT_EQ(m_notifier.shown().size(), 1u);
    EXPECT_TRUE(m_notifier.shown()[0].text.contains(QStringLiteral("not a file")));
}

TEST_F(ScriptRunnerTest, EnvironmentDescribesTheTargetApplication)
{
    addScript(QStringLiteral("env.sh"),
              "printf '%s|%s|%s|%s' \"$TAVOLIN_APP\" \"$TAVOLIN_APP_PID\" \"$TAVOLIN_DOCUMENT\" "
              "\"${TAVOLIN_DOCUMENT+set}\" > env.txt\n");

    RunContext context;
    context.appKey = QStringLiteral("mousepad.app");
    context.appPid = 4242;
    context.document = QStringLiteral("/home/me/notes é.txt");
    ASSERT_EQ(runAndWait(QStringLiteral("env.sh"), context).kind, Kind::Succeeded);
    EXPECT_EQ(QString::fromUtf8(test::readFile(folder() + QStringLiteral("/env.txt"))),
              QStringLiteral("mousepad.app|4242|/home/me/notes é.txt|set"));
}

TEST_F(ScriptRunnerTest, TheDocumentIsReadWhenTheScriptRunsUnlessKnown)
{
    addScript(QStringLiteral("env.sh"), "printf '%s' \"${TAVOLIN_DOCUMENT-unset}\" > env.txt\n");
    int reads = 0;
    RunContext context;
    context.readDocument = [&reads] {
        ++reads;
        return QStringLiteral("/home/me/read at run.txt");
    };
    ASSERT_EQ(runAndWait(QStringLiteral("env.sh"), context).kind, Kind::Succeeded);
    EXPECT_EQ(QString::fromUtf8(test::readFile(folder() + QStringLiteral("/env.txt"))),
              QStringLiteral("/home/me/read at run.txt"));

    context.document = QStringLiteral("/known.txt");
    ASSERT_EQ(runAndWait(QStringLiteral("env.sh"), context).kind, Kind::Succeeded);
    EXPECT_EQ(test::readFile(folder() + QStringLiteral("/env.txt")), QByteArray("/known.txt"));
    EXPECT_EQ(reads, 1);
}

TEST_F(ScriptRunnerTest, UnknownDocumentIsUnsetEvenWhenInherited)
{
    test::ScopedEnv env;
    env.set("TAVOLIN_DOCUMENT", QStringLiteral("/stale/from/parent"));
    addScript(QStringLiteral("env.sh"), "printf '%s|%s' \"${TAVOLIN_DOCUMENT-unset}\" \"${TAVOLIN_APP_PID-unset}\" > env.txt\n");

    RunContext context;
    context.appKey = QStringLiteral("mousepad.app");
    ASSERT_EQ(runAndWait(QStringLiteral("env.sh"), context).kind, Kind::Succeeded);
    EXPECT_EQ(test::readFile(folder() + QStringLiteral("/env.txt")), QByteArray("unset|unset"));
}

struct FailureTextCase
{
    const char *name;
    QByteArray standardError;
    int exitCode;
    QString expected;
};
void PrintTo(const FailureTextCase &row, std::ostream *out) { *out << row.name; }

class FailureTextTest : public ::testing::TestWithParam<FailureTextCase>
{
};

TEST_P(FailureTextTest, DecodesOrFallsBackToTheStatus)
{
    EXPECT_EQ(ScriptRunner::failureText(GetParam().standardError, GetParam().exitCode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FailureTextTest,
    ::testing::Values(FailureTextCase{"Utf8KeptWithoutTrailingNewlines", "Fehler: Datei \xc3\xa4\n\n", 1,
                                      QStringLiteral("Fehler: Datei ä")},
                      FailureTextCase{"InnerNewlinesKept", "line one\nline two\n", 1,
                                      QStringLiteral("line one\nline two")},
                      FailureTextCase{"NotUtf8GivesStatus", "bad \xff\xfe bytes", 3, QStringLiteral("task return 3")},
                      FailureTextCase{"EmptyGivesStatus", "", 2, QStringLiteral("task return 2")},
                      FailureTextCase{"OnlyWhiteSpaceGivesStatus", " \n", 4, QStringLiteral("task return 4")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScriptRunnerTest, HugeStandardErrorIsCutAndDoesNotStallTheChild)
{
    // 400 KiB is far more than a pipe holds: a runner that read only after the exit would hang here.
    addScript(QStringLiteral("noisy.sh"), "for i in $(seq 1 4000); do printf '%0100d\\n' \"$i\" >&2; done\nexit 1\n");

    const RunOutcome outcome = runAndWait(QStringLiteral("noisy.sh"));

    EXPECT_EQ(outcome.kind, Kind::Failed);
    EXPECT_LE(outcome.message.toUtf8().size(), ScriptRunner::kMaxErrorBytes + 8);
    EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("0000")));
    EXPECT_TRUE(outcome.message.endsWith(QStringLiteral("[…]")));
}

TEST_F(ScriptRunnerTest, CrashIsAFailure)
{
    addScript(QStringLiteral("crash.sh"), "echo 'about to die' >&2\nkill -SEGV $$\n");

    const RunOutcome outcome = runAndWait(QStringLiteral("crash.sh"));

    EXPECT_EQ(outcome.kind, Kind::Failed);
    ASSERT_EQ(m_notifier.shown().size(), 1u);
    EXPECT_EQ(m_notifier.shown()[0].text, QStringLiteral("about to die"));
}

TEST_F(ScriptRunnerTest, RunReturnsAtOnceAndDestroyingTheRunnerStopsAHangingScript)
{
    const QString fifo = outside(QStringLiteral("started"));
    ASSERT_TRUE(test::makeFifo(fifo));
    addScript(QStringLiteral("hang.sh"), QStringLiteral("echo up > '%1'\nexec sleep 600\n").arg(fifo).toUtf8());

    QFuture<RunOutcome> future = m_runner->run(QStringLiteral("Hang"), QStringLiteral("hang.sh"), {});
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
    const QString self = QString::number(QCoreApplication::applicationPid());
    int zombies = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        const QByteArray stat = test::readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        // "pid (name) S ppid ..."; the name may hold spaces, so read after the last ')'.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self.toLatin1() && fields[0] == "Z")
            ++zombies;
    }
    return zombies;
}

TEST_F(ScriptRunnerTest, ConcurrentRunsAreAllReapedAndAllReport)
{
    addScript(QStringLiteral("fail.sh"), "echo \"run $1\" >&2\nexit 5\n");
    addScript(QStringLiteral("ok.sh"), "exit 0\n");

    QList<QFuture<RunOutcome>> futures;
    for (int i = 0; i < 6; ++i)
        futures << m_runner->run(QStringLiteral("Run %1").arg(i), QLatin1String(i % 2 ? "ok.sh" : "fail.sh"), {});
    for (auto &future : futures)
        ASSERT_TRUE(test::waitForFinished(future)) << "a run did not finish";

    EXPECT_EQ(m_notifier.shown().size(), 3u);
    EXPECT_EQ(zombieChildren(), 0);
}

TEST_F(ScriptRunnerTest, ARunBeyondTheLimitFailsAtOnceAndSaysSo)
{
    m_runner = std::make_unique<ScriptRunner>(folder(), m_notifier, 2);
    addScript(QStringLiteral("hang.sh"), "exec sleep 600\n");
    m_runner->run(QStringLiteral("Hang 1"), QStringLiteral("hang.sh"), {});
    m_runner->run(QStringLiteral("Hang 2"), QStringLiteral("hang.sh"), {});

    const RunOutcome outcome = runAndWait(QStringLiteral("hang.sh"));

    EXPECT_EQ(outcome.kind, Kind::NotStarted);
    ASSERT_EQ(m_notifier.shown().size(), 1u);
    EXPECT_EQ(m_notifier.shown()[0].title, QStringLiteral("My Tool"));
    EXPECT_TRUE(m_notifier.shown()[0].text.contains(QStringLiteral("2 extension scripts are still running")))
        << m_notifier.shown()[0].text.toStdString();
}

// Child: runs args[1] from extension folder args[0] and prints "done" and how it ended.
TAVOLIN_CHILD_ROLE(run_one_script)
{
    FakeNotifier notifier;
    ScriptRunner runner(args.at(0), notifier);
    QFuture<RunOutcome> future = runner.run(QStringLiteral("Loud"), args.at(1), {});
    future.waitForFinished();
    std::cout << "done " << int(future.result().kind) << std::endl;
    return 0;
}

TEST_F(ScriptRunnerTest, AScriptsStandardOutputIsNotCopiedToOurs)
{
    // 6 MB on standard output, then a normal exit.
    addScript(QStringLiteral("loud.sh"), "head -c 6000000 /dev/zero | tr '\\0' x\nexit 0\n");
    QProcess child;
    child.start(test::childProgram(), test::childArguments(QStringLiteral("run_one_script"),
                                                           {folder(), QStringLiteral("loud.sh")}));
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.readAllStandardOutput(), QByteArray("done 0\n"));
}

} // namespace
} // namespace tavolin
