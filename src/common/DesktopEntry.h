#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tavolin {

// Reading the desktop entries (freedesktop Desktop Entry Specification) of the installed applications: the
// one reader both programs use, so the palette and the preferences program see the same applications under
// the same ids and executable names. Pure file reading: any thread.
namespace desktopentry {

// A .desktop file is a few KiB; a larger one is not read.
inline constexpr qint64 kMaxFileSize = 256 * 1024;

// $XDG_DATA_HOME/applications followed by <each of $XDG_DATA_DIRS>/applications, in precedence order.
QStringList applicationDirs();

// The desktop id of the file at `path` below the application folder `dir`: kde/foo.desktop is "kde-foo".
QString idOf(const QString &dir, const QString &path);

// Calls `visit` with each .desktop file below `dirs` and its id, once per id: the first folder holding an
// id decides (a hidden entry there included), as the menu specification says. Each folder's files come in
// path order. Stops when `visit` returns false.
void forEachFile(const QStringList &dirs, const std::function<bool(const QString &path, const QString &id)> &visit);

// The keys of an entry's [Desktop Entry] group the programs use, string escapes resolved (unescapeValue).
// Other groups (actions reuse the key names) are not read; a key given twice keeps its first value; absent
// keys are "" or false.
struct Entry
{
    QString id;   // desktop id, e.g. "org.xfce.mousepad"
    QString path; // the .desktop file; "" when parsed from text
    QString type; // "Application" for a program
    QString name;
    QString icon;
    QString exec;
    QString tryExec;
    QString workingDir; // Path=
    QString wmClass;    // StartupWMClass=
    bool terminal = false;
    bool hidden = false; // Hidden=: the entry is deleted (and masks the id in later folders)
    bool noDisplay = false;
};

// The entry in `text`, with the id given; a text without the group gives an empty entry.
Entry parse(const QString &id, const QByteArray &text);
// The entry of the file at `path`; none when it is missing, unreadable or larger than kMaxFileSize.
std::optional<Entry> read(const QString &path, const QString &id);

// A string value with its escapes (\s \n \t \r \\) resolved; other backslashes are kept for the Exec
// quoting rules.
QString unescapeValue(const QString &raw);

// The arguments of the Exec line `exec` (already unescaped by unescapeValue), field codes still in them:
// double quotes group, inside them \" \` \$ \\ stand for the character, outside them a backslash escapes
// the next character. None when a quote is left open, the line ends in a backslash, or it is absurdly long.
std::optional<QStringList> splitExec(const QString &exec);

// The file name of the program the Exec line `exec` (unescaped, as Entry holds it) starts, "env" and its
// VAR=value and option words skipped: "env LANG=C /usr/bin/gedit %U" starts "gedit". "" when there is none
// or the line is malformed.
QString executableOfExec(const QString &exec);

} // namespace desktopentry
} // namespace tavolin
