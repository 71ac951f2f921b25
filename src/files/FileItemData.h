#pragma once

#include "palette/RowData.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

class FileItemData;
using FileItemDataPtr = std::shared_ptr<FileItemData>;

// Group names of the quick-open sources, in display order.
namespace filegroup {
inline constexpr auto kOpened = "Opened";
inline constexpr auto kRecent = "Recent";
inline constexpr auto kFileResults = "File Results";
} // namespace filegroup

// A file row of quick open: a file or folder found by one of the sources, shown by name under its group.
//
// Built on any thread, then read and performed on the main thread only (like every row).
class FileItemData : public RowData
{
public:
    // Opens a path ("" for a row without a URL) with the application the list is shown for.
    using Opener = std::function<void(const QString &path)>;

    // A row whose action opens its file (see openDefault).
    FileItemData() : RowData(&FileItemData::openDefault) {}

    // A row for `url` under `group`: title = the last path component, and for a file URL an icon (the theme
    // icon name of the file's type, guessed from its name without reading the file). Other URLs get none.
    static FileItemDataPtr fromURL(const QUrl &url, const QString &group);

    // Titled by whoever makes the row (a note row has no address to name it by); a menu row's is fixed.
    using RowData::setTitle;

    const QString &group() const { return m_group; }
    void setGroup(const QString &group) { m_group = group; }
    const std::optional<QUrl> &url() const { return m_url; }
    // Icon theme name; none when unknown.
    const std::optional<QString> &icon() const { return m_icon; }
    void setIcon(std::optional<QString> icon) { m_icon = std::move(icon); }

    // Set by the provider that lists the row; none: the default action opens nothing.
    void setOpener(Opener opener) { m_opener = std::move(opener); }

    // The default action: hands the row's path (the empty path without a URL) to the opener. True whatever
    // the desktop answers.
    static bool openDefault(RowData &row);

private:
    QString m_group;
    std::optional<QUrl> m_url;
    std::optional<QString> m_icon;
    Opener m_opener;
};

} // namespace tavolin
