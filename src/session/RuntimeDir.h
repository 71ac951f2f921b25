#pragma once

#include <QString>

namespace tavolin::session {

// A folder only this user can enter, for sockets and locks that must not be reachable by others:
// $XDG_RUNTIME_DIR when it is a real folder (not a link) of this user that nobody else may enter; otherwise
// /tmp/tavolin-<uid>, made with mode 0700 and checked the same way (a folder of that name owned by someone
// else is never used). Empty when neither is private: callers then have no channel (and say so).
// Any thread.
QString privateRuntimeDir();

// Whether `path` is a folder (not a link to one) owned by this user with no access for group or others.
bool isPrivateDir(const QString &path);

} // namespace tavolin::session
