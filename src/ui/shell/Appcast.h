#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace tavolin {

// One release offered by an update feed: an RSS item with the updater's version attributes, either on its
// <enclosure> (sparkle:version, sparkle:shortVersionString, url) or as child elements.
struct AppcastItem
{
    QString version;        // compared against the running version
    QString displayVersion; // shown to the user and stored as "skippedVersion"; the version when absent
    QString title;
    QUrl downloadUrl; // the enclosure's url, else the item's <link>; may be empty
    QUrl notesUrl;    // sparkle:releaseNotesLink; may be empty
};

namespace appcast {

// Feeds larger than this are not read.
inline constexpr qsizetype kMaxFeedBytes = 1024 * 1024;
inline constexpr int kMaxItems = 500;

// The newest item of an RSS feed (highest version), skipping items without a version. None when the text
// is not a well-formed feed, is larger than kMaxFeedBytes, or has no versioned item. Pure; any thread.
std::optional<AppcastItem> newestItem(const QByteArray &feed);

// Orders two version texts the way release numbers are read: numbers compare by value ("1.10" > "1.9"),
// missing trailing parts are zero ("1.0" == "1.0.0"), and a text part after the common prefix marks a
// pre-release ("1.0b1" < "1.0", "1.0" < "1.0.1"). Negative, zero or positive like strcmp. Pure.
int compareVersions(const QString &a, const QString &b);

} // namespace appcast
} // namespace tavolin
