#pragma once

#include "accessibility/ElementSource.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavolin {

// Where ProcessIdentity looks.
struct ProcessIdentityOptions
{
    QString procRoot = QStringLiteral("/proc");
    // Folders holding .desktop files, most important first; empty: desktopentry::applicationDirs().
    QStringList applicationDirs;
};

// The running-application identity of a process, from /proc and the desktop's .desktop files:
//   appName           the executable's file name (/proc/PID/exe; /proc/PID/comm when exe is unreadable)
//   bundleIdentifier  the desktop id of the matching .desktop file (e.g. "org.xfce.mousepad"), else appName
//   name, iconName    Name= and Icon= of that file
//   preferredLanguage LANGUAGE (first entry), LC_ALL, LC_MESSAGES or LANG of the process's environment
//   localeDirs        where its gettext catalogs live (its install prefix first), textDomains its own then GTK's
// A .desktop file matches by StartupWMClass (against the window's class), then by desktop id equal to or
// ending in ".appName", then by the program of its Exec line (desktopentry::executableOfExec).
//
// Threads: any; the functions read files only. Failure: none when the process is gone (or a zombie).
class ProcessIdentity
{
public:
    using Options = ProcessIdentityOptions;

    static std::optional<RunningApp> runningApp(int32_t pid, const std::optional<QString> &windowClass = {},
                                                const Options &options = {});
    static std::optional<RunningApp> runningApp(int32_t pid, const std::optional<QString> &windowClass,
                                                const Options &options, const QByteArray &environment);

    // True when the process exists and is not a zombie.
    static bool isAlive(int32_t pid, const QString &procRoot = QStringLiteral("/proc"));

    // The UI language of a NUL-separated environment block; none when unset or "C"/"POSIX".
    static std::optional<QString> languageFromEnvironment(const QByteArray &environment);
};

} // namespace tavolin
