#include "files/OpenedJob.h"

#include "files/FileLocations.h"

namespace tavolin {

OpenedJob::OpenedJob(std::shared_ptr<ElementSource> source)
    : m_source(std::move(source))
{
}

OpenedJob::~OpenedJob()
{
    if (m_initTask)
        m_initTask->cancel();
}

FileTask OpenedJob::setApp(const QString &, const AXAppPtr &app)
{
    m_all.clear();
    if (m_initTask && m_initTask->isPending())
        m_initTask->cancel();
    if (!app || !app->ref() || !m_source) {
        m_initTask = FileTask::completed();
        return *m_initTask;
    }
    std::shared_ptr<ElementSource> source = m_source;
    ElementRef element = app->ref();
    std::weak_ptr<BaseJob> weakSelf = weak_from_this();
    m_initTask = runStep<QList<FileItemDataPtr>>(
        [source, element](const FileStep &step) { return loadFilesFromWindow(*source, element, step); },
        [weakSelf](QList<FileItemDataPtr> &&rows) {
            if (auto self = std::static_pointer_cast<OpenedJob>(weakSelf.lock()))
                self->m_all = std::move(rows);
        },
        source->readMode() == ReadMode::MainThread ? StepThread::Main : StepThread::Background);
    return *m_initTask;
}

FileTask OpenedJob::query(const QString &query)
{
    return FileDataSearchUtils::query(query, *this, *this);
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
