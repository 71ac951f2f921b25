#pragma once

#include <QString>

#include <optional>

namespace tavolin {

// The application a file is opened with. Both fields empty: the desktop's default application for the file.
struct OpenWith
{
    std::optional<QString> bundleIdentifier; // desktop id, e.g. "org.xfce.mousepad"
    std::optional<QString> appName;          // display name, used when the desktop id is unknown
};

// Platform seam: the desktop's workspace as quick open needs it. The shell's implementation launches the
// application's desktop entry (its Exec line, else gio); tests use FakeWorkspace, which records requests.
//
// Threads: main thread only. Failure is returned, never raised; callers may ignore it.
class Workspace
{
public:
    virtual ~Workspace() = default;

    // Asks the desktop to open the file or folder at `path` with `app`. True when the request was handed on
    // (not that the application opened it).
    virtual bool openFile(const QString &path, const OpenWith &app) = 0;
};

} // namespace tavolin
