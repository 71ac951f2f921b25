#include "files/RecentJob.h"

#include "common/Log.h"

#include <QFileInfo>

namespace tavolin {

recentdocuments::AppMatch RecentJob::appMatch(const QString &bundle, const AXAppPtr &app)
{
    recentdocuments::AppMatch match;
    if (!bundle.isEmpty())
        match.names << bundle;
    if (app) {
        if (app->name())
            match.names << *app->name();
        if (app->appName()) {
            match.names << *app->appName();
            match.executable = *app->appName();
        }
    }
    return match;
}

FileTask RecentJob::setApp(const QString &bundle, const AXAppPtr &app)
{
    m_id = bundle;
    // Emptied at once: rows of the previous application must not answer a query for this one.
    setAll({});
    const QString file = recentFolder();
    const recentdocuments::AppMatch match = appMatch(bundle, app);
    return startInit<RecentJob, QList<FileItemDataPtr>>(
        [file, match](const FileStep &step) -> std::optional<QList<FileItemDataPtr>> {
            QList<FileItemDataPtr> rows = loadRecentFile(file, match, step);
            if (step.isCancelled())
                return std::nullopt;
            return rows;
        },
        [](RecentJob &job, QList<FileItemDataPtr> &&rows) { job.setAll(std::move(rows)); });
}

QList<FileItemDataPtr> RecentJob::loadRecentFile(const QString &file, const recentdocuments::AppMatch &app,
                                                 const FileStep &step)
{
    QList<FileItemDataPtr> rows;
    if (file.isEmpty() || (app.names.isEmpty() && app.executable.isEmpty()))
        return rows;
    const std::optional<QList<recentdocuments::Document>> documents = recentdocuments::readFile(file, app);
    if (!documents)
        return rows;
    for (const recentdocuments::Document &document : *documents) {
        if (step.isCancelled())
            return {};
        // A file deleted or moved since is not offered: opening it could only fail.
        if (!QFileInfo::exists(document.url.toLocalFile()))
            continue;
        rows.push_back(FileItemData::fromURL(document.url, QString::fromLatin1(filegroup::kRecent)));
    }
    log::debug(QStringLiteral("loadRecentFile Done!"));
    return rows;
}

} // namespace tavolin
