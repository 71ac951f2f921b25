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

class SingleInstanceTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.path() + QStringLiteral("/tavolin-preferences-test"); }
    QTemporaryDir m_dir;
};

TEST_F(SingleInstanceTest, FirstListensAndASecondProcessForwardsItsArguments)
{
    SingleInstance first(path());
    ASSERT_EQ(first.forwardOrListen({}, QStringLiteral("/")), Start::Listening);
    ASSERT_TRUE(first.isListening());

    QStringList received;
    QString receivedDir;
    QObject::connect(&first, &SingleInstance::messageReceived, [&](const QStringList &args, const QString &dir) {
        received = args;
        receivedDir = dir;
    });
    QProcess child;
    child.start(test::childProgram(),
                test::childArguments(QStringLiteral("prefs_second_start"),
                                     {path(), QStringLiteral("tavolin-preferences://preferences/about"),
                                      QStringLiteral("ünïcode file.pext")}));
    ASSERT_TRUE(test::waitFor([&] { return child.state() == QProcess::NotRunning; }));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(received, (QStringList{QStringLiteral("tavolin-preferences://preferences/about"),
                                     QStringLiteral("ünïcode file.pext")}));
    EXPECT_EQ(receivedDir, QLatin1String("/work/dir"));
}

TEST_F(SingleInstanceTest, GarbageFromAPeerIsDroppedQuitIsHeardAndTheServerGoesOn)
{
    SingleInstance first(path());
    ASSERT_EQ(first.forwardOrListen({}, QStringLiteral("/")), Start::Listening);
    int messages = 0;
    int quits = 0;
    QObject::connect(&first, &SingleInstance::messageReceived, [&] { ++messages; });
    QObject::connect(&first, &SingleInstance::quitRequested, [&] { ++quits; });

    QLocalSocket rogue;
    rogue.connectToServer(path());
    ASSERT_TRUE(rogue.waitForConnected(1000));
    rogue.write("{not json\n");
    QLocalSocket flood;
    flood.connectToServer(path());
    ASSERT_TRUE(flood.waitForConnected(1000));
    flood.write(QByteArray(int(SingleInstance::kMaxMessageBytes) + 10, 'x'));
    flood.flush();

    QProcess child;
    child.start(test::childProgram(),
                test::childArguments(QStringLiteral("prefs_second_start"), {path(), QStringLiteral("ok")}));
    ASSERT_TRUE(test::waitFor([&] { return child.state() == QProcess::NotRunning; }));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(messages, 1);

    QProcess palette;
    palette.start(test::childProgram(), test::childArguments(QStringLiteral("palette_quits"), {path()}));
    ASSERT_TRUE(test::waitFor([&] { return palette.state() == QProcess::NotRunning; }));
    EXPECT_EQ(palette.exitCode(), 0);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(messages, 1);
}

} // namespace
} // namespace tavolin
