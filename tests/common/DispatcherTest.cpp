#include "support/ManualDispatcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace std::chrono_literals;

namespace tavolin {
namespace {

TEST(QtDispatcher, MainWorkRunsLaterOnTheMainThreadInOrder)
{
    QtDispatcher dispatcher;
    std::vector<int> order;
    dispatcher.toMain([&] { order.push_back(1); });
    dispatcher.toMain([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty()); // never inline
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QtDispatcher, BackgroundWorkHopsBackToMain)
{
    QtDispatcher dispatcher;
    QEventLoop loop;
    std::atomic<Qt::HANDLE> workerThread{nullptr};
    Qt::HANDLE deliveredOn = nullptr;
    dispatcher.toBackground([&] {
        workerThread = QThread::currentThreadId();
        dispatcher.toMain([&] {
            deliveredOn = QThread::currentThreadId();
            loop.quit();
        });
    });
    QTimer::singleShot(5s, &loop, &QEventLoop::quit); // bound a broken run
    loop.exec();
    EXPECT_NE(workerThread.load(), QThread::currentThreadId());
    EXPECT_EQ(deliveredOn, QThread::currentThreadId());
}

TEST(ManualDispatcher, DelayedWorkRunsInTimeOrderWhenTheClockPasses)
{
    test::ManualDispatcher dispatcher;
    std::vector<int> order;
    dispatcher.afterDelay(300ms, [&] { order.push_back(3); });
    dispatcher.afterDelay(100ms, [&] {
        order.push_back(1);
        dispatcher.toMain([&] { order.push_back(2); });
    });
    dispatcher.advance(99ms);
    EXPECT_TRUE(order.empty());
    dispatcher.advance(1ms);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    dispatcher.advance(1s);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(dispatcher.pendingDelayed(), 0u);
}

} // namespace
} // namespace tavolin
