#include "common/QuitOnSignal.h"

#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <iostream>

namespace tavolin::test {
namespace {

// Child: runs the event loop like the program does and says whether it came back through the ordinary quit.
TAVOLIN_CHILD_ROLE(quit_on_signal)
{
    if (!quitOnTerminationSignals())
        return 3;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { std::cout << "about to quit" << std::endl; });
    QTimer::singleShot(0, [] { std::cout << "ready" << std::endl; });
    QTimer::singleShot(std::chrono::seconds(30), [] { QCoreApplication::exit(4); });
    return QCoreApplication::exec();
}

TEST(QuitOnSignalTest, TheSignalEndsTheEventLoopThroughTheOrdinaryQuit)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        QProcess child;
        child.start(childProgram(), childArguments(u"quit_on_signal"_qs));
        ASSERT_TRUE(child.waitForStarted(5000));
        while (!child.readAllStandardOutput().contains("ready"))
            ASSERT_TRUE(child.waitForReadyRead(10000)) << "the child never started its event loop";

        ASSERT_EQ(::kill(pid_t(child.processId()), signal), 0);
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << "killed by the signal instead of quitting";
        EXPECT_EQ(child.exitCode(), 0);
        EXPECT_TRUE(child.readAllStandardOutput().contains("about to quit"));
    }
}

} // namespace
} // namespace tavolin::test
