#include "session/PeerCredentials.h"

#include <sys/socket.h>

namespace tavolin::session {

std::optional<uid_t> peerUid(int fd)
{
    struct ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof(credentials))
        return std::nullopt;
    return credentials.uid;
}

} // namespace tavolin::session
