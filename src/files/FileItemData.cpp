#include "files/FileItemData.h"

#include <QMimeDatabase>

namespace tavolin {
namespace {

// "/home/u/notes/" names the folder "notes", not "".
QString lastPathComponent(const QUrl &url)
{
    QString path = url.path();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.section(QLatin1Char('/'), -1);
}

} // namespace

FileItemDataPtr FileItemData::fromURL(const QUrl &url, const QString &group)
{
    auto row = std::make_shared<FileItemData>();
    row->m_url = url;
    row->setTitle(lastPathComponent(url));
    row->m_group = group;
    if (url.isLocalFile()) {
        // By name only: reading every listed file's content to guess its type would be far too slow.
        static const QMimeDatabase mimes;
        const QMimeType type = mimes.mimeTypeForFile(url.toLocalFile(), QMimeDatabase::MatchExtension);
        row->m_icon = type.iconName();
    }
    return row;
}

bool FileItemData::openDefault(RowData &row)
{
    const auto *file = dynamic_cast<const FileItemData *>(&row);
    if (!file || !file->m_opener)
        return true;
    QString path;
    if (file->url())
        path = file->url()->isLocalFile() ? file->url()->toLocalFile() : file->url()->path();
    file->m_opener(path);
    return true;
}

} // namespace tavolin
