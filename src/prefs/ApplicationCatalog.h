#pragma once

#include "common/DesktopEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tavolin {

// An installed application as its .desktop file describes it.
struct DesktopApp
{
    QString desktopId;  // "org.xfce.mousepad": the file's id without ".desktop"; the app rules' identifier
    QString name;       // "Mousepad": shown to people
    QString executable; // "mousepad": file name of the program Exec starts
    QString icon;       // theme icon name or absolute path; may be ""

    // The key extensions and menu rules are stored under: the executable name + ".app".
    QString key() const { return executable + QStringLiteral(".app"); }
    bool operator==(const DesktopApp &other) const = default;
};

// Reads the installed applications from the XDG application folders (through desktopentry, as the palette
// does). Pure file reading: any thread.
namespace ApplicationCatalog {

// The launchable applications found in `dirs` (earlier folders win for the same desktop id), sorted by name
// case-insensitively. Entries that are hidden, not of Type=Application or without a usable Exec are left
// out; unreadable or malformed files are skipped.
QList<DesktopApp> installedApplications(const QStringList &dirs = desktopentry::applicationDirs());

// An application for a program chosen by path ("Others…"): the installed application that starts a program
// of that file name, so a rule carries the desktop id the palette identifies it by; else the file name
// serves as id, name and executable (the palette's identifier for programs without a desktop entry).
DesktopApp fromExecutablePath(const QString &path, const QList<DesktopApp> &installed);

} // namespace ApplicationCatalog
} // namespace tavolin
