#pragma once

#include "common/DesktopEntry.h"
#include "files/Workspace.h"
#include "platform/linux/DesktopExec.h"

#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

namespace tavolin {

// The Workspace of the Linux desktop. A file opens with the target application's desktop entry: its Exec
// line expanded into an argument list (desktopexec::expand) and run directly, never through a shell. The
// entry is found by desktop id (OpenWith::bundleIdentifier, as ProcessIdentity reports it) in the
// application folders, else by its Name= (OpenWith::appName). An entry that runs in a terminal goes
// through `gio launch ENTRY FILE`, which knows the user's terminal. Without an entry, or when the entry takes
// no files, the desktop's default application opens it (`gio open`, else `xdg-open`).
//
// Paths are made absolute first, so a file named like an option ("-rf", "--help") cannot be read as one.
//
// Threads: main thread (the Workspace contract). Launches are detached; nothing waits for the application.
// Failure: false when nothing could be started.
class DesktopWorkspace final : public Workspace
{
public:
    // Starts `command` detached; true when it started.
    using Launcher = std::function<bool(const DesktopCommand &command)>;
    // Whether `program` can be run (a name looked up in PATH, or a path); used for TryExec and the fallbacks.
    using ProgramCheck = std::function<bool(const QString &program)>;

    struct Options
    {
        QStringList applicationDirs; // empty: desktopentry::applicationDirs()
        Launcher launcher;           // empty: QProcess::startDetached
        ProgramCheck programExists;  // empty: QStandardPaths::findExecutable
    };

    DesktopWorkspace();
    explicit DesktopWorkspace(Options options);

    bool openFile(const QString &path, const OpenWith &app) override;

    // Opens a web or mail address (http, https, mailto, file) with the desktop's default handler.
    bool openUrl(const QUrl &url);

    // What openFile would run; none when nothing would (empty path, no handler). For tests and logs.
    std::optional<DesktopCommand> commandForFile(const QString &path, const OpenWith &app) const;

    // The entry for `app`: by desktop id, else by name; none when there is no usable entry (missing,
    // Hidden=true, not an Application, TryExec not installed, malformed).
    std::optional<desktopentry::Entry> findEntry(const OpenWith &app) const;

    // Reads the [Desktop Entry] group of `path` (id given by the caller); none when unusable (see findEntry).
    std::optional<desktopentry::Entry> readEntry(const QString &path, const QString &id) const;

private:
    std::optional<DesktopCommand> defaultHandler(const QString &target) const;
    std::optional<desktopentry::Entry> entryById(const QString &id) const;
    std::optional<desktopentry::Entry> entryByName(const QString &name) const;
    QStringList applicationDirs() const;
    bool programExists(const QString &program) const;

    Options m_options;
};

} // namespace tavolin
