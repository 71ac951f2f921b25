#include "files/OpenedJob.h"

#include "files/FileLocations.h"

namespace tavolin {

OpenedJob::OpenedJob(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher)
    : FilteredJob(dispatcher), m_source(std::move(source))
{
}

OpenedJob::~OpenedJob() = default;

FileTask OpenedJob::setApp(const QString &, const AXAppPtr &app)
{
    setAll({});
    return loadFromApp<OpenedJob, QList<FileItemDataPtr>>(
        m_source, app, &loadFilesFromWindow,
        [](OpenedJob &job, QList<FileItemDataPtr> &&rows) { job.setAll(std::move(rows)); });
}

std::optional<QList<FileItemDataPtr>> OpenedJob::loadFilesFromWindow(ElementSource &source, const ElementRef &element,
                                                                     const FileStep &step)
{
    QList<FileItemDataPtr> rows;
    AXValue value;
    if (source.copyAttributeValue(element, AXAttribute::Windows, value) != AXError::Success)
        return rows;
    const ElementList *windows = std::get_if<ElementList>(&value);
    if (!windows)
        return rows;
    int read = 0;
    for (const ElementRef &window : *windows) {
        if (step.isCancelled())
            return std::nullopt;
        if (++read > kMaxWindows)
            break;
        if (const std::optional<QUrl> url = filelocations::readWindowDocument(source, window))
            rows.push_back(FileItemData::fromURL(*url, QString::fromLatin1(filegroup::kOpened)));
    }
    return rows;
}

} // namespace tavolin
