#pragma once

#include "accessibility/ElementSource.h"
#include "files/BaseJob.h"
#include "files/FileDataSearchUtils.h"

namespace tavolin {

// "Opened": the documents shown in the application's windows, read through the accessibility seam (each
// window's document attribute), then filtered by FileDataSearchUtils.
//
// Threads: members on the main thread; the windows are read on the background pool (or on the main thread
// when the source reads only there).
class OpenedJob final : public BaseJob, public FileDataSearchOption
{
public:
    static constexpr int kMaxWindows = 256; // an application claiming more is not believed

    // `source` may be null: then there are never rows.
    explicit OpenedJob(std::shared_ptr<ElementSource> source);
    ~OpenedJob() override;

    // BaseJob and FileDataSearchOption
    std::weak_ptr<QuickOpenJobWatcher> watcher() const override { return m_watcher; }
    void setWatcher(std::weak_ptr<QuickOpenJobWatcher> watcher) override { m_watcher = std::move(watcher); }
    QString group() const override { return QString::fromLatin1(filegroup::kOpened); }
    std::optional<FileTask> initTask() const override { return m_initTask; }
    double threshold() const override { return 0.4; }
    double fuzziness() const override { return 0.2; }
    QList<FileItemDataPtr> all() const override { return m_all; }

    // Empties all() and loads the application's documents; without an element nothing is loaded.
    FileTask setApp(const QString &bundle, const AXAppPtr &app) override;
    FileTask query(const QString &query) override;

    // The documents of the windows of the application `element`, in window order; none when cancelled.
    static std::optional<QList<FileItemDataPtr>> loadFilesFromWindow(ElementSource &source,
                                                                     const ElementRef &element,
                                                                     const FileStep &step);

private:
    std::shared_ptr<ElementSource> m_source;
    std::weak_ptr<QuickOpenJobWatcher> m_watcher;
    std::optional<FileTask> m_initTask;
    QList<FileItemDataPtr> m_all;
};

} // namespace tavolin
