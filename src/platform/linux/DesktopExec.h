#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tavolin {

// What the Exec line's %i, %c and %k stand for.
struct DesktopExecContext
{
    QString icon;        // Icon= of the entry; %i gives "--icon" and it, or nothing when empty
    QString name;        // Name= of the entry, for %c
    QString desktopFile; // where the entry was read from, for %k
};

// A program and its arguments, run directly (never through a shell).
struct DesktopCommand
{
    QString program;
    QStringList arguments;
    QString workingDir; // empty: the caller's current folder
};

// The Exec key of a desktop entry (freedesktop Desktop Entry Specification, "The Exec key"; its value already
// unescaped by desktopentry::unescapeValue) turned into an argument list. The line is split into arguments
// first (desktopentry::splitExec) and the field codes are expanded afterwards, inside each argument: so
// whatever a file name holds (spaces, quotes, ";", "$(…)", "%f") stays one argument and is never read as
// quoting or as a field code.
//
// Field codes: %f a file path, %u a URL (file: URL with percent escapes for a local file); %F and %U, as an
// argument of their own, all files (paths or URLs), else like %f and %u; %i "--icon" ICON as two
// arguments (nothing without an icon); %c the name; %k the entry's location; %% a "%". The deprecated
// %d %D %n %N %v %m give nothing. An argument that was only a field code and expands to nothing is dropped.
//
// Pure; any thread.
namespace desktopexec {

// Whether the line takes files at all (%f %F %u %U appear as field codes).
bool takesFiles(const QString &exec);

// The command that opens `files` (absolute paths) with the entry. None when the line is malformed, uses an
// unknown field code, or its program is empty or a field code.
std::optional<DesktopCommand> expand(const QString &exec, const QStringList &files, const DesktopExecContext &context);

} // namespace desktopexec
} // namespace tavolin
