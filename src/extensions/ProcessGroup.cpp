#include "ProcessGroup.h"

#include <csignal>
#include <unistd.h>

namespace tavolin::processgroup {

void leadOwnGroup()
{
    ::setpgid(0, 0);
}

bool signalGroup(qint64 group, int signal)
{
    // kill(-1) would reach every process we may signal and kill(-0) our own group: never let a zero or
    // unset id through.
    if (group <= 1 || group == ::getpgrp())
        return false;
    return ::kill(static_cast<pid_t>(-group), signal) == 0;
}

} // namespace tavolin::processgroup
