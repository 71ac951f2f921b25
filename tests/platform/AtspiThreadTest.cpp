// The palette's main thread asks the libatspi thread for the focused application at every show, while that
// thread may be busy for seconds reading another application's menus: a bounded ask gives up in time, and
// the answer that comes later is dropped without touching the caller.
#include "AtspiTestThread.h"
#include "platform/linux/AtspiThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

namespace tavolin {
namespace {

using namespace std::chrono;

TEST(AtspiThreadTest, ABoundedAskGivesUpWhileTheThreadIsBusyAndALateAnswerIsDropped)
{
    const std::shared_ptr<AtspiThread> thread = test::atspiTestThread();
    auto release = std::make_shared<std::atomic<bool>>(false);
    thread->post([release] {
        const auto until = steady_clock::now() + seconds(5);
        while (!release->load() && steady_clock::now() < until)
            std::this_thread::sleep_for(milliseconds(5));
    });

    auto ran = std::make_shared<std::atomic<bool>>(false);
    const auto asked = steady_clock::now();
    const std::optional<int> answer = thread->runWithin(milliseconds(150), [ran] {
        ran->store(true);
        return 42;
    });
    const auto waited = duration_cast<milliseconds>(steady_clock::now() - asked);
    EXPECT_FALSE(answer);
    EXPECT_LT(waited.count(), 2000) << "the ask waited for the busy task";

    // Once the thread is free the queued task still runs, in order, and its answer goes nowhere.
    release->store(true);
    EXPECT_EQ(thread->run([] { return 7; }), 7);
    EXPECT_TRUE(ran->load());
    EXPECT_EQ(thread->runWithin(seconds(5), [] { return 3; }), std::optional<int>(3));
}

} // namespace
} // namespace tavolin
