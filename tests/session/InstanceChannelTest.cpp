// One instance per desktop session over a socket only its user can reach, with real processes.
#include "session/InstanceChannel.h"
#include "session/RuntimeDir.h"
#include "support/ChildProcess.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

#include <csignal>
#include <pwd.h>
#include <sys/stat.h>

namespace tavolin {
namespace {

using namespace std::chrono_literals;
using Start = InstanceChannel::Start;

// Child: a start of the program on channel args[0] with the line args[1]. Exits 0 when it handed the line
// over. Otherwise it prints "listening" (or "no-answer" / "no-channel"), then each line it receives, and
// ends after args[2] lines or 20 s.
TAVOLIN_CHILD_ROLE(instance_start)
{
    InstanceChannel channel(args.at(0), 64);
    const Start start = channel.handOverOrListen(args.at(1).toUtf8());
    if (start == Start::HandedOver)
        return 0;
    if (start != Start::Listening) {
        std::cout << (start == Start::NoAnswer ? "no-answer" : "no-channel") << std::endl;
        return 2;
    }
    std::cout << "listening" << std::endl;
    int expected = args.value(2).toInt();
    QObject::connect(&channel, &InstanceChannel::lineReceived, [&](const QByteArray &line) {
        std::cout << line.toStdString() << std::endl;
        if (--expected == 0)
            QCoreApplication::quit();
    });
    QTimer::singleShot(20s, [] { QCoreApplication::exit(3); });
    return expected > 0 ? QCoreApplication::exec() : 0;
}

// Child: drops to user args[1] (this process runs as root), listens on args[0] and prints what it receives.
TAVOLIN_CHILD_ROLE(other_user_listener)
{
    const uid_t uid = args.at(1).toUInt();
    if (::setgid(uid) != 0 || ::setuid(uid) != 0)
        return 4;
    return tavolinChildRole_instance_start({args.at(0), u"x"_qs, u"1"_qs});
}

class InstanceChannelTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.path() + u"/tavolin-test"_qs; }

    static std::unique_ptr<QProcess> startChild(const QStringList &args, const QString &role = u"instance_start"_qs)
    {
        auto child = std::make_unique<QProcess>();
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(test::childProgram(), test::childArguments(role, args));
        return child;
    }
    static bool finished(QProcess &child, std::chrono::milliseconds bound = 10s)
    {
        return test::waitFor([&] { return child.state() == QProcess::NotRunning; }, bound);
    }
    static bool waitForLine(QProcess &child, const QByteArray &line)
    {
        return test::waitFor([&] {
            while (child.canReadLine())
                if (child.readLine().trimmed() == line)
                    return true;
            return false;
        }, 10s);
    }

    QTemporaryDir m_dir;
};

TEST_F(InstanceChannelTest, AKilledInstanceLeavesNothingThatStopsTheNextWhichGetsTheLineOfASecondStart)
{
    const auto killed = startChild({path(), u"x"_qs, u"1"_qs});
    ASSERT_TRUE(waitForLine(*killed, "listening"));
    ::kill(pid_t(killed->processId()), SIGKILL);
    ASSERT_TRUE(killed->waitForFinished(5000));
    ASSERT_TRUE(QFileInfo::exists(path())) << "the socket file stays after SIGKILL";

    InstanceChannel first(path(), 64);
    ASSERT_EQ(first.handOverOrListen("opened-again"), Start::Listening);
    QList<QByteArray> received;
    QObject::connect(&first, &InstanceChannel::lineReceived, [&](const QByteArray &line) { received.append(line); });

    const auto second = startChild({path(), u"show"_qs});
    ASSERT_TRUE(finished(*second));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(received, QList<QByteArray>{"show"});
    EXPECT_TRUE(first.isAnswering());
}

TEST_F(InstanceChannelTest, SixStartsAtOnceLeaveExactlyOneInstanceThatGetsEveryOtherLine)
{
    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < 6; ++i)
        starts.push_back(startChild({path(), u"start-%1"_qs.arg(i), u"5"_qs}));
    int listeners = 0, handedOver = 0;
    for (const auto &start : starts) {
        ASSERT_TRUE(finished(*start, 30s));
        const QList<QByteArray> lines = start->readAllStandardOutput().trimmed().split('\n');
        if (lines.first() == "listening") {
            ++listeners;
            EXPECT_EQ(lines.size(), 6) << "the instance got every other start's line";
            EXPECT_EQ(start->exitCode(), 0);
        } else {
            handedOver += start->exitCode() == 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(listeners, 1);
    EXPECT_EQ(handedOver, 5);
}

TEST_F(InstanceChannelTest, TheChannelLivesInAFolderOnlyThisUserCanEnter)
{
    const QString channel = InstanceChannel::socketPathFor(u"tavolin"_qs);
    ASSERT_FALSE(channel.isEmpty());
    EXPECT_TRUE(session::isPrivateDir(QFileInfo(channel).absolutePath())) << channel.toStdString();

    InstanceChannel instance(path(), 64);
    ASSERT_EQ(instance.handOverOrListen("x"), Start::Listening);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "the socket itself is closed to others";

    // $XDG_RUNTIME_DIR is used only when it is private; otherwise a private folder of our own.
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const struct { const char *name; mode_t mode; bool usedAsIs; } rows[] = {
        {"private folder is used", 0700, true}, {"folder open to others is not used", 0755, false}, {"unset", 0, false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir runtime;
        if (row.mode) {
            ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), row.mode), 0);
            qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        } else {
            qunsetenv("XDG_RUNTIME_DIR");
        }
        const QString dir = session::privateRuntimeDir();
        qputenv("XDG_RUNTIME_DIR", saved);
        if (saved.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");

        EXPECT_EQ(dir == runtime.path(), row.usedAsIs) << dir.toStdString();
        EXPECT_TRUE(session::isPrivateDir(dir)) << dir.toStdString();
    }
}

// Credentials are checked on both ends: a listener that talks only to another user's peers drops ours, and a
// sender that expects another user sends nothing to ours.
TEST_F(InstanceChannelTest, PeersOfAnotherUserAreDroppedOnBothEnds)
{
    const uid_t otherUser = ::getuid() + 1;
    {
        InstanceChannel strictListener(path(), 64, otherUser);
        ASSERT_EQ(strictListener.handOverOrListen("x"), Start::Listening);
        int received = 0;
        QObject::connect(&strictListener, &InstanceChannel::lineReceived, [&] { ++received; });
        // Served by a child, since this thread runs the listener.
        const auto sender = startChild({path(), u"show"_qs});
        ASSERT_TRUE(finished(*sender, 15s));
        EXPECT_NE(sender->exitCode(), 0) << "the dropped start did not count as handed over";
        EXPECT_EQ(received, 0);
    }
    const auto listener = startChild({path(), u"x"_qs, u"1"_qs});
    ASSERT_TRUE(waitForLine(*listener, "listening"));
    const InstanceChannel strictSender(path(), 64, otherUser);
    EXPECT_FALSE(strictSender.isAnswering());
    EXPECT_FALSE(strictSender.send("show"));
    listener->kill();
    listener->waitForFinished(5000);

    const passwd *nobody = ::getpwnam("nobody");
    if (::getuid() != 0 || !nobody)
        GTEST_SKIP() << "needs root and the user nobody to play a listener of another user";
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
    const QString socket = shared.path() + u"/tavolin-test"_qs;
    const auto other = startChild({socket, QString::number(nobody->pw_uid)}, u"other_user_listener"_qs);
    ASSERT_TRUE(waitForLine(*other, "listening"));
    InstanceChannel start(socket, 64);
    EXPECT_FALSE(start.send("show"));
    EXPECT_FALSE(start.isAnswering());
    other->kill();
    other->waitForFinished(5000);
    EXPECT_EQ(other->readAllStandardOutput().trimmed(), QByteArray()) << "the other user received a line";
}

} // namespace
} // namespace tavolin
