#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace tavolin {

// Reader of the desktop's list of recently used files (the XBEL file "recently-used.xbel" that GTK and
// other toolkits keep in the user's data folder), for the "Recent" rows of one application.
//
// Strict and bounded: a file that is too large, holds too many bookmarks, or is not well-formed XBEL in
// every part gives no documents at all, never a partial or guessed list. Pure functions; any thread.
namespace recentdocuments {

// How the file names an application: the "name" and "exec" attributes of a bookmark's application entry.
struct AppMatch
{
    QStringList names;  // compared case-insensitively with "name": display name, executable, desktop id
    QString executable; // compared with the program named first in "exec" (without its folder)

    bool matches(const QString &name, const QString &exec) const;
};

struct Limits
{
    qint64 maxBytes = 8 * 1024 * 1024;
    int maxBookmarks = 20'000;
    int maxDocuments = 100; // per application
    int maxDepth = 16;      // element nesting
};

struct Document
{
    QUrl url;
    QDateTime used; // when the application last used it; invalid when the file does not say
};

// The local files the application used, most recently used first (equal or unknown times keep file
// order); none when the text is refused (see above). Only "file:" bookmarks are kept.
std::optional<QList<Document>> parse(const QByteArray &xbel, const AppMatch &app, const Limits &limits = {});

// Reads and parses the file at `path`; none when it is missing, unreadable or refused.
std::optional<QList<Document>> readFile(const QString &path, const AppMatch &app, const Limits &limits = {});

// The file this user's desktop keeps: recently-used.xbel in the generic data folder; "" when unknown.
QString defaultFile();

} // namespace recentdocuments
} // namespace tavolin
