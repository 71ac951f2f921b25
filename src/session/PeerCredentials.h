#pragma once

#include <optional>

#include <sys/types.h>

namespace tavolin::session {

// The user id of the process at the other end of connected local socket `fd` (SO_PEERCRED); none when the
// kernel does not say.
std::optional<uid_t> peerUid(int fd);

} // namespace tavolin::session
