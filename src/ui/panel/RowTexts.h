#pragma once

#include "palette/RowData.h"

#include <QString>

namespace tavolin {

// The words the list shows or tells about a row in the user's language.

// A group label ("Recent", "Opened", "File Results", "Update Avaiable") as shown; others unchanged.
QString shownGroup(const QString &group);

// What a screen reader hears after a row's title: its group on a line of its own when it has one, then its
// menu path (or hint, or a file's folder) and its shortcut, which never hold a line break. So a line break
// follows the group, and only the group: a reader of the description tells them apart by it.
QString accessibleRowDescription(const RowData &row, bool fromHistory);

} // namespace tavolin
