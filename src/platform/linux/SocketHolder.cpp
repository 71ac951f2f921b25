#include "platform/linux/SocketHolder.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace tavolin {
namespace {

// In the child of a threaded process: only async-signal-safe calls from here on.
[[noreturn]] void holdInChild(const std::vector<int> &sockets, pollfd *polls, size_t count)
{
    rlimit limit{};
    const int highest = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? int(limit.rlim_cur) : 65536;
    for (int fd = 0; fd < highest; ++fd) {
        if (std::find(sockets.begin(), sockets.end(), fd) == sockets.end())
            close(fd); // the caller's pipes and terminal must not wait for this process
    }
    size_t open = count;
    char sink[256];
    while (open > 0) {
        if (poll(polls, count, -1) < 0)
            continue;
        for (size_t i = 0; i < count; ++i) {
            if (polls[i].fd < 0 || polls[i].revents == 0)
                continue;
            // Data is read and dropped; an end of file or an error is the peer closing.
            if ((polls[i].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 || read(polls[i].fd, sink, sizeof sink) <= 0) {
                close(polls[i].fd);
                polls[i].fd = -1;
                --open;
            }
        }
    }
    _exit(0);
}

} // namespace

void holdSocketsUntilPeersClose(const std::vector<int> &sockets)
{
    if (sockets.empty())
        return;
    // Prepared before the fork: the child allocates nothing.
    std::vector<pollfd> polls;
    polls.reserve(sockets.size());
    for (int fd : sockets)
        polls.push_back(pollfd{fd, POLLIN, 0});
    // A grandchild, so nobody has to reap it: the child exits at once and is waited for here.
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        signal(SIGHUP, SIG_IGN);
        if (fork() == 0)
            holdInChild(sockets, polls.data(), polls.size());
        _exit(0);
    }
    if (child > 0)
        waitpid(child, nullptr, 0);
}

} // namespace tavolin
