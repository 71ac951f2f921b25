#pragma once

#include "accessibility/ElementSource.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace tavolin {

// Where quick open looks for files: documents named by other applications' windows, the folder of a
// document, and the places it never lists (Trash, hidden folders). Pure functions over the file system and
// the accessibility seam; any thread (the seam's own rules apply to the reads).
namespace filelocations {

// A document attribute as another application reports it ("file:///home/u/a.txt" or "/home/u/a.txt") as a
// clean file URL; none for anything else (other schemes, relative or empty paths, text that does not parse).
std::optional<QUrl> documentFileUrl(const QString &document);

// The document attribute of a window, as a file URL; none when absent or unusable.
std::optional<QUrl> readWindowDocument(ElementSource &source, const ElementRef &window);

// The freedesktop Trash folders that may hold `path`: the home Trash and those of the volume holding it.
// Whether they exist is not checked.
QStringList trashFolders(const QString &path);

// Whether `path` is `folder` itself or lies below it (compared by path components).
bool isInside(const QString &path, const QString &folder);

// The folder to search for a document: its parent folder; none when that lies in a Trash or its path
// starts with "/." (a hidden folder at the root).
std::optional<QUrl> guessFolder(const QUrl &document);

} // namespace filelocations
} // namespace tavolin
