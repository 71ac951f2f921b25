// One preferences program per desktop session: later starts hand their arguments to the first, and the
// palette's "quit" reaches it.
#include "prefs/SingleInstance.h"
#include "support/ChildProcess.h"
#include "support/WaitFor.h"

#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using Start = InstanceChannel::Start;

// Child: a second start of the program on channel args[0]; exits 0 when the first one took its arguments.
TAVOLIN_CHILD_ROLE(prefs_second_start)
{
    SingleInstance second(args.at(0));
    return second.forwardOrListen(args.mid(1), QStringLiteral("/work/dir")) == Start::HandedOver ? 0 : 1;
}

// Child: what the palette does when it quits: asks the preferences program on channel args[0] to quit.
TAVOLIN_CHILD_ROLE(palette_quits)
{
    return InstanceChannel(args.at(0), 0).send(InstanceChannel::kQuit) ? 0 : 1;
}

// Runs a child role and returns its exit code, the event loop running meanwhile so that the server answers.
int runChild(const char *role, const QStringList &args)
{
    QProcess child;
    child.start(test::childProgram(), test::childArguments(QString::fromLatin1(role), args));
    EXPECT_TRUE(test::waitFor([&] { return child.state() == QProcess::NotRunning; })) << role;
    return child.exitCode();
}

TEST(SingleInstanceTest, ASecondStartForwardsItsArgumentsGarbageIsDroppedAndQuitIsHeard)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/tavolin-preferences-test");
    SingleInstance first(path);
    ASSERT_EQ(first.forwardOrListen({}, QStringLiteral("/")), Start::Listening);
    ASSERT_TRUE(first.isListening());
    QList<QStringList> received;
    int quits = 0;
    QObject::connect(&first, &SingleInstance::messageReceived, [&](const QStringList &args, const QString &from) {
        received << (args + QStringList{from});
    });
    QObject::connect(&first, &SingleInstance::quitRequested, [&] { ++quits; });

    QLocalSocket rogue;
    rogue.connectToServer(path);
    ASSERT_TRUE(rogue.waitForConnected(1000));
    rogue.write("{not json\n");
    QLocalSocket flood;
    flood.connectToServer(path);
    ASSERT_TRUE(flood.waitForConnected(1000));
    flood.write(QByteArray(int(SingleInstance::kMaxMessageBytes) + 10, 'x'));
    flood.flush();

    const QStringList args{u"tavolin-preferences://preferences/about"_qs, u"ünïcode file.pext"_qs};
    EXPECT_EQ(runChild("prefs_second_start", QStringList{path} + args), 0);
    EXPECT_EQ(received, QList<QStringList>{args + QStringList{u"/work/dir"_qs}});
    EXPECT_EQ(runChild("palette_quits", {path}), 0);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(received.size(), 1);
}

} // namespace
} // namespace tavolin
