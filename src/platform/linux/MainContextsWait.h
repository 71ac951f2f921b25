#pragma once

#include <glib.h>

#include <vector>

namespace tavolin {

// One wait over several GLib main contexts and one more file descriptor, as g_main_context_iteration does
// for a single context: each context is prepared and queried, all their descriptors are polled together with
// the extra one, then each context dispatches what became ready. So a thread that serves a task queue (woken
// through that descriptor) also handles its contexts' sources as they come, without periodic wake-ups.
//
// Threads: the one thread that runs the contexts. A context another thread holds is left out of that wait.
class MainContextsWait
{
public:
    // `contexts` are borrowed and outlive this object.
    explicit MainContextsWait(std::vector<GMainContext *> contexts);

    // Blocks until `wakeFd` is readable, a source of a context is ready (a descriptor, a time-out, an idle
    // source) or `maxWaitMs` passed (-1: no limit), dispatches the ready sources, and tells whether `wakeFd`
    // was readable. Never reads `wakeFd`; a negative one is not polled.
    bool waitAndDispatch(int wakeFd, gint maxWaitMs);

private:
    struct Polled
    {
        GMainContext *context = nullptr;
        gint priority = 0;
        size_t firstFd = 0; // into m_fds
        size_t fdCount = 0;
    };

    // Acquires and prepares `context` and appends its descriptors; lowers `timeoutMs` to its deadline.
    bool prepare(GMainContext *context, gint &timeoutMs, Polled &polled);

    std::vector<GMainContext *> m_contexts;
    std::vector<GPollFD> m_fds;    // the wake descriptor first, then each context's
    std::vector<Polled> m_polled;
};

} // namespace tavolin
