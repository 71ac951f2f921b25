#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tavolin {

// The document a window's title names, for toolkits that expose no document over the accessibility bus
// (GTK 3 text views do not). Titles are free text, so a candidate counts only when it names an existing
// regular file: a title that merely looks like a path ("/ - Files", "Untitled 1 - Mousepad") gives nothing.
//
// Recognised forms, with an optional leading modification mark ("*", "•", "●"):
//   "/home/u/a b.txt - Mousepad"          an absolute path, up to a " - " (or " — ", " – ") separator
//   "~/notes/a.txt - Editor"              the same below the home folder
//   "a b.txt - /home/u/notes - Geany"     a name followed by its folder
//   "a b.txt (/home/u/notes) - gedit"     a name with its folder in parentheses ("~" allowed)
//
// Pure apart from `isFile`; any thread.
namespace windowtitle {

using IsFile = std::function<bool(const QString &absolutePath)>;

// The absolute, cleaned path of the document `title` names; none when no form matches an existing file.
std::optional<QString> documentPath(const QString &title, const QString &homePath, const IsFile &isFile);

// documentPath() against this machine's file system and home folder.
std::optional<QString> documentPath(const QString &title);

} // namespace windowtitle
} // namespace tavolin
