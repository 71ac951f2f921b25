#include "platform/linux/MainContextsWait.h"

#include <glib-unix.h>
#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <thread>

namespace tavolin {
namespace {

using namespace std::chrono_literals;

constexpr guint kGuardMs = 5000; // turns a wait that never ends into a failure

// What becomes ready while the thread waits, and in which of the two contexts.
enum class Readiness { Idle, Timeout, DescriptorLater, WakeLater };

struct WaitCase
{
    const char *name;
    Readiness readiness;
    int contextIndex;
};

gboolean markFired(gpointer fired)
{
    *static_cast<bool *>(fired) = true;
    return G_SOURCE_REMOVE;
}

gboolean markDescriptorFired(gint, GIOCondition, gpointer fired)
{
    return markFired(fired);
}

class MainContextsWaitTest : public testing::TestWithParam<WaitCase>
{
protected:
    void SetUp() override
    {
        ASSERT_GE(m_wakeFd, 0);
        ASSERT_EQ(pipe(m_pipe.data()), 0);
    }
    void TearDown() override
    {
        if (m_writer.joinable())
            m_writer.join();
        for (GMainContext *context : m_contexts)
            g_main_context_unref(context);
        close(m_wakeFd);
        close(m_pipe[0]);
        close(m_pipe[1]);
    }

    void attach(GSource *source, int contextIndex, bool *fired)
    {
        g_source_set_callback(source, markFired, fired, nullptr);
        g_source_attach(source, m_contexts[contextIndex]);
        g_source_unref(source);
    }

    // Another thread writes one count to `fd` a while after the wait began.
    void writeLater(int fd)
    {
        m_writer = std::thread([fd] {
            std::this_thread::sleep_for(50ms);
            const uint64_t one = 1;
            EXPECT_EQ(write(fd, &one, sizeof one), ssize_t(sizeof one));
        });
    }

    const int m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::array<int, 2> m_pipe{-1, -1};
    std::array<GMainContext *, 2> m_contexts{g_main_context_new(), g_main_context_new()};
    std::thread m_writer;
};

TEST_P(MainContextsWaitTest, DispatchesWhatBecomesReadyInEitherContextOrReportsTheWake)
{
    const WaitCase &c = GetParam();
    bool fired = false;
    bool guardFired = false;
    attach(g_timeout_source_new(kGuardMs), 0, &guardFired);
    switch (c.readiness) {
    case Readiness::Idle:
        attach(g_idle_source_new(), c.contextIndex, &fired);
        break;
    case Readiness::Timeout:
        attach(g_timeout_source_new(30), c.contextIndex, &fired);
        break;
    case Readiness::DescriptorLater: {
        // An application's socket that receives an event while the thread has no task.
        GSource *source = g_unix_fd_source_new(m_pipe[0], G_IO_IN);
        g_source_set_callback(source, G_SOURCE_FUNC(markDescriptorFired), &fired, nullptr);
        g_source_attach(source, m_contexts[c.contextIndex]);
        g_source_unref(source);
        writeLater(m_pipe[1]);
        break;
    }
    case Readiness::WakeLater:
        writeLater(m_wakeFd);
        break;
    }

    MainContextsWait wait({m_contexts[0], m_contexts[1]});
    bool woken = false;
    while (!fired && !woken && !guardFired)
        woken = wait.waitAndDispatch(m_wakeFd, -1);

    EXPECT_FALSE(guardFired) << "the wait did not end on what became ready";
    EXPECT_EQ(woken, c.readiness == Readiness::WakeLater);
    EXPECT_EQ(fired, c.readiness != Readiness::WakeLater);
}

INSTANTIATE_TEST_SUITE_P(Sources, MainContextsWaitTest,
                         testing::Values(WaitCase{"IdleInFirstContext", Readiness::Idle, 0},
                                         WaitCase{"IdleInSecondContext", Readiness::Idle, 1},
                                         WaitCase{"TimeoutInSecondContext", Readiness::Timeout, 1},
                                         WaitCase{"DescriptorInFirstContextLater", Readiness::DescriptorLater, 0},
                                         WaitCase{"DescriptorInSecondContextLater", Readiness::DescriptorLater, 1},
                                         WaitCase{"WakeDescriptorLater", Readiness::WakeLater, 0}),
                         [](const testing::TestParamInfo<WaitCase> &info) { return std::string(info.param.name); });

TEST(MainContextsWaitLimit, EndsAtTheCallersLimitWhenNothingIsReady)
{
    GMainContext *context = g_main_context_new();
    MainContextsWait wait({context});
    EXPECT_FALSE(wait.waitAndDispatch(-1, 10));
    g_main_context_unref(context);
}

} // namespace
} // namespace tavolin
