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
class OpenedJob final : public FilteredJob
{
public:
    static constexpr int kMaxWindows = 256; // an application claiming more is not believed

    // `source` may be null: then there are never rows.
    OpenedJob(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher);
    ~OpenedJob() override;

    // BaseJob
    QString group() const override { return QString::fromLatin1(filegroup::kOpened); }

    // Empties all() and loads the application's documents; without an element nothing is loaded.
    FileTask setApp(const QString &bundle, const AXAppPtr &app) override;

    // The documents of the windows of the application `element`, in window order; none when cancelled.
    static std::optional<QList<FileItemDataPtr>> loadFilesFromWindow(ElementSource &source,
                                                                     const ElementRef &element,
                                                                     const FileStep &step);

private:
    std::shared_ptr<ElementSource> m_source;
};

} // namespace tavolin
