#pragma once

#include "files/BaseJob.h"
#include "files/FileDataSearchUtils.h"
#include "files/RecentDocuments.h"

namespace tavolin {

// "Recent": the files the desktop's recent-files list (recently-used.xbel) records for the application,
// most recently used first, filtered by FileDataSearchUtils. Files that no longer exist are left out.
//
// Threads: members on the main thread; the list is read on the background pool.
class RecentJob final : public FilteredJob
{
public:
    explicit RecentJob(Dispatcher &dispatcher) : FilteredJob(dispatcher) {}

    // The desktop's recent-files list of this user; "" when unknown.
    static QString recentFolder() { return recentdocuments::defaultFile(); }
    // How the list names the application: its display name, executable and desktop id.
    static recentdocuments::AppMatch appMatch(const QString &bundle, const AXAppPtr &app);

    // BaseJob
    QString group() const override { return QString::fromLatin1(filegroup::kRecent); }
    const QString &id() const { return m_id; }

    FileTask setApp(const QString &bundle, const AXAppPtr &app) override;

    // The rows of the application's recent files in `file`; empty when the list is missing or refused.
    static QList<FileItemDataPtr> loadRecentFile(const QString &file, const recentdocuments::AppMatch &app,
                                                 const FileStep &step);

private:
    QString m_id;
};

} // namespace tavolin
