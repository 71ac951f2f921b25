#include "files/FileLocations.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <unistd.h>

namespace tavolin::filelocations {
namespace {

// A path longer than any file system allows is not a document name but noise (or an attack on the reader).
constexpr qsizetype kMaxPathLength = 4096;

} // namespace

std::optional<QUrl> documentFileUrl(const QString &document)
{
    const QString text = document.trimmed();
    if (text.isEmpty() || text.size() > kMaxPathLength || text.contains(QChar(0)))
        return std::nullopt;
    QString path;
    if (text.startsWith(QLatin1Char('/'))) {
        path = text;
    } else {
        const QUrl url(text, QUrl::StrictMode);
        // A host names another machine's share, not a file here.
        const bool otherHost = !url.host().isEmpty() && url.host() != QLatin1String("localhost");
        if (!url.isValid() || !url.isLocalFile() || otherHost)
            return std::nullopt;
        path = url.toLocalFile();
    }
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return std::nullopt;
    path = QDir::cleanPath(path);
    if (path == QLatin1String("/"))
        return std::nullopt;
    return QUrl::fromLocalFile(path);
}

std::optional<QUrl> readWindowDocument(ElementSource &source, const ElementRef &window)
{
    if (!window)
        return std::nullopt;
    AXValue value;
    if (source.copyAttributeValue(window, AXAttribute::Document, value) != AXError::Success)
        return std::nullopt;
    const QString *document = std::get_if<QString>(&value);
    return document ? documentFileUrl(*document) : std::nullopt;
}

QStringList trashFolders(const QString &path)
{
    QStringList out;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!dataHome.isEmpty())
        out << QDir::cleanPath(dataHome + QLatin1String("/Trash"));
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    if (volume.isValid()) {
        const QString root = QDir::cleanPath(volume.rootPath());
        const QString uid = QString::number(::getuid());
        const QString base = root == QLatin1String("/") ? QString() : root;
        out << base + QLatin1String("/.Trash/") + uid << base + QLatin1String("/.Trash-") + uid;
    }
    return out;
}

bool isInside(const QString &path, const QString &folder)
{
    const QString p = QDir::cleanPath(path);
    const QString f = QDir::cleanPath(folder);
    if (f.isEmpty())
        return false;
    if (p == f || f == QLatin1String("/"))
        return true;
    return p.startsWith(f) && p.at(f.size()) == QLatin1Char('/');
}

std::optional<QUrl> guessFolder(const QUrl &document)
{
    if (!document.isLocalFile())
        return std::nullopt;
    const QString path = QDir::cleanPath(document.toLocalFile());
    const QString folder = QFileInfo(path).path();
    if (folder.startsWith(QLatin1String("/.")))
        return std::nullopt;
    // Also by the resolved path: a Trash reached through a symbolic link is still the Trash.
    const QString resolved = QFileInfo(folder).canonicalFilePath();
    for (const QString &trash : trashFolders(path)) {
        const QString resolvedTrash = QFileInfo(trash).canonicalFilePath();
        if (isInside(path, trash) || (!resolved.isEmpty() && isInside(resolved, trash))
            || (!resolved.isEmpty() && !resolvedTrash.isEmpty() && isInside(resolved, resolvedTrash)))
            return std::nullopt;
    }
    return QUrl::fromLocalFile(folder);
}

} // namespace tavolin::filelocations
