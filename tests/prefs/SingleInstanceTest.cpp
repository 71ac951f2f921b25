// One preferences program per user: later starts hand their arguments to the first.
#include "prefs/SingleInstance.h"
#include "support/ChildProcess.h"
#include "support/WaitFor.h"

#include <QLocalSocket>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

QString uniqueName()
{
    return QStringLiteral("tavolin-prefs-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Child: a second start of the program with the given name; exits 0 when the first one took its arguments.
TAVOLIN_CHILD_ROLE(prefs_second_start)
{
    SingleInstance second(args.at(0));
    return second.forwardOrListen(args.mid(1), QStringLiteral("/work/dir")) ? 0 : 1;
}

TEST(SingleInstanceTest, FirstListensAndASecondProcessForwardsItsArguments)
{
    const QString name = uniqueName();
    SingleInstance first(name);
    ASSERT_FALSE(first.forwardOrListen({}, QStringLiteral("/")));
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
                                     {name, QStringLiteral("tavolin-preferences://preferences/about"),
                                      QStringLiteral("ünïcode file.pext")}));
    ASSERT_TRUE(test::waitFor([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received, (QStringList{QStringLiteral("tavolin-preferences://preferences/about"),
                                     QStringLiteral("ünïcode file.pext")}));
    EXPECT_EQ(receivedDir, QLatin1String("/work/dir"));
    ASSERT_TRUE(test::waitFor([&] { return child.state() == QProcess::NotRunning; }));
    EXPECT_EQ(child.exitCode(), 0);
}

TEST(SingleInstanceTest, WithoutAFirstTheStartListens)
{
    SingleInstance only(uniqueName());
    EXPECT_FALSE(only.forwardOrListen({QStringLiteral("x")}, QStringLiteral("/")));
    EXPECT_TRUE(only.isListening());
}

TEST(SingleInstanceTest, GarbageFromAPeerIsDroppedAndTheServerGoesOn)
{
    const QString name = uniqueName();
    SingleInstance first(name);
    ASSERT_FALSE(first.forwardOrListen({}, QStringLiteral("/")));
    int messages = 0;
    QObject::connect(&first, &SingleInstance::messageReceived, [&] { ++messages; });

    QLocalSocket rogue;
    rogue.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    rogue.connectToServer(name);
    ASSERT_TRUE(rogue.waitForConnected(1000));
    rogue.write("{not json\n");
    rogue.write(QByteArray(int(SingleInstance::kMaxMessageBytes) + 10, 'x'));
    rogue.flush();

    SingleInstance second(name);
    EXPECT_TRUE(second.forwardOrListen({QStringLiteral("ok")}, QStringLiteral("/")));
    EXPECT_TRUE(test::waitFor([&] { return messages == 1; }));
    EXPECT_EQ(messages, 1);
}

} // namespace
} // namespace tavolin
