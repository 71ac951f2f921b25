#pragma once

#include <vector>

namespace tavolin {

// Keeps `sockets` open after this process has gone: a child process of their own holds them (and nothing
// else) until every peer has closed its end, that is until the applications at the other ends exit. For a
// connection whose closing must not reach the application while it may still be running a command (see
// AtspiPresser). Returns at once; does nothing for an empty list.
void holdSocketsUntilPeersClose(const std::vector<int> &sockets);

} // namespace tavolin
