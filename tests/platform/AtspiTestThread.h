#pragma once

#include "platform/linux/AtspiThread.h"

#include <memory>

namespace tavolin::test {

// libatspi keeps one connection per process, tied to the thread that opened it: every reader in a test
// program goes through this one thread, made on first use and stopped at exit.
inline std::shared_ptr<AtspiThread> atspiTestThread()
{
    static const std::shared_ptr<AtspiThread> thread = std::make_shared<AtspiThread>();
    return thread;
}

} // namespace tavolin::test
