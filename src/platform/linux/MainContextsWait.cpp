#include "platform/linux/MainContextsWait.h"

namespace tavolin {
namespace {

constexpr gint kFirstFdCapacity = 8;

// The sooner of two poll time-outs, where -1 means none.
gint sooner(gint a, gint b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return a < b ? a : b;
}

} // namespace

MainContextsWait::MainContextsWait(std::vector<GMainContext *> contexts) : m_contexts(std::move(contexts)) {}

bool MainContextsWait::prepare(GMainContext *context, gint &timeoutMs, Polled &polled)
{
    if (!g_main_context_acquire(context))
        return false;
    polled.context = context;
    if (g_main_context_prepare(context, &polled.priority))
        timeoutMs = 0; // a source is ready already: poll without blocking
    polled.firstFd = m_fds.size();
    gint capacity = kFirstFdCapacity;
    gint contextTimeoutMs = -1;
    for (;;) {
        m_fds.resize(polled.firstFd + size_t(capacity));
        const gint needed = g_main_context_query(context, polled.priority, &contextTimeoutMs,
                                                 m_fds.data() + polled.firstFd, capacity);
        if (needed <= capacity) {
            polled.fdCount = size_t(needed);
            break;
        }
        capacity = needed;
    }
    m_fds.resize(polled.firstFd + polled.fdCount);
    timeoutMs = sooner(timeoutMs, contextTimeoutMs);
    return true;
}

bool MainContextsWait::waitAndDispatch(int wakeFd, gint maxWaitMs)
{
    m_fds.assign(1, GPollFD{wakeFd, G_IO_IN, 0});
    m_polled.clear();
    gint timeoutMs = maxWaitMs;
    for (GMainContext *context : m_contexts) {
        Polled polled;
        if (prepare(context, timeoutMs, polled))
            m_polled.push_back(polled);
    }
    if (g_poll(m_fds.data(), guint(m_fds.size()), timeoutMs) < 0) {
        for (GPollFD &fd : m_fds)
            fd.revents = 0; // interrupted: nothing is known to be ready, the next wait asks again
    }
    for (const Polled &polled : m_polled) {
        if (g_main_context_check(polled.context, polled.priority, m_fds.data() + polled.firstFd, gint(polled.fdCount)))
            g_main_context_dispatch(polled.context);
        g_main_context_release(polled.context);
    }
    return (m_fds.front().revents & G_IO_IN) != 0;
}

} // namespace tavolin
