#pragma once

#include "files/BaseJob.h"
#include "files/FileDataSearchUtils.h"
#include "files/RecentDocuments.h"

namespace tavolin {

// "Recent": the files the desktop's recent-files list (recently-used.xbel) records for the application,
// most recently used first, filtered by FileDataSearchUtils. Files that no longer exist are left out.
//
// Threads: members on the main thread; the list is read on the background pool.
class RecentJob final : public BaseJob, public FileDataSearchOption
{
public:
    RecentJob() = default;
    ~RecentJob() override;

    // The desktop's recent-files list of this user; "" when unknown.
    static QString recentFolder() { return recentdocuments::defaultFile(); }
    // How the list names the application: its display name, executable and desktop id.
    static recentdocuments::AppMatch appMatch(const QString &bundle, const AXAppPtr &app);

    // BaseJob and FileDataSearchOption
    std::weak_ptr<QuickOpenJobWatcher> watcher() const override { return m_watcher; }
    void setWatcher(std::weak_ptr<QuickOpenJobWatcher> watcher) override { m_watcher = std::move(watcher); }
    QString group() const override { return QString::fromLatin1(filegroup::kRecent); }
    std::optional<FileTask> initTask() const override { return m_initTask; }
    double threshold() const override { return 0.4; }
    double fuzziness() const override { return 0.2; }
    QList<FileItemDataPtr> all() const override { return m_all; }
    const QString &id() const { return m_id; }

    FileTask setApp(const QString &bundle, const AXAppPtr &app) override;
    FileTask query(const QString &query) override;

    // The rows of the application's recent files in `file`; empty when the list is missing or refused.
    static QList<FileItemDataPtr> loadRecentFile(const QString &file, const recentdocuments::AppMatch &app,
                                                 const FileStep &step);

private:
    std::weak_ptr<QuickOpenJobWatcher> m_watcher;
    QString m_id;
    QList<FileItemDataPtr> m_all;
    std::optional<FileTask> m_initTask;
};

} // namespace tavolin
