#include "files/FilesJob.h"

#include "common/Dispatcher.h"
#include "common/Log.h"
#include "files/FileDataSearchUtils.h"
#include "files/FileLocations.h"

#include <QCoreApplication>
#include <QLocale>

namespace tavolin {
namespace {

QList<FileItemDataPtr> rowsOf(const QList<QUrl> &urls)
{
    QList<FileItemDataPtr> rows;
    rows.reserve(urls.size());
    for (const QUrl &url : urls)
        rows.push_back(FileItemData::fromURL(url, QString::fromLatin1(filegroup::kFileResults)));
    return rows;
}

} // namespace

FilesJob::FilesJob(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher)
    : BaseJob(dispatcher), m_source(std::move(source))
{
}

FilesJob::~FilesJob() = default;

FileTask FilesJob::setApp(const QString &, const AXAppPtr &app)
{
    // Forgotten at once: the previous application's folder must never answer for this one.
    m_folder.reset();
    return loadFromApp<FilesJob, std::optional<QUrl>>(
        m_source, app, &readFolder, [](FilesJob &job, std::optional<QUrl> &&folder) { job.m_folder = std::move(folder); });
}

std::optional<std::optional<QUrl>> FilesJob::readFolder(ElementSource &source, const ElementRef &element,
                                                        const FileStep &)
{
    const std::optional<QUrl> document = loadFocusedFile(source, element);
    std::optional<QUrl> folder = document ? filelocations::guessFolder(*document) : std::nullopt;
    if (!folder)
        log::debug(document ? QStringLiteral("no folder to list for %1").arg(document->toString())
                            : QStringLiteral("no folder to list: the focused window shows no document"));
    return folder;
}

std::optional<QUrl> FilesJob::loadFocusedFile(ElementSource &source, const ElementRef &element)
{
    AXValue value;
    if (source.copyAttributeValue(element, AXAttribute::MainWindow, value) != AXError::Success)
        return std::nullopt;
    const ElementRef *window = std::get_if<ElementRef>(&value);
    return window ? filelocations::readWindowDocument(source, *window) : std::nullopt;
}

FileTask FilesJob::query(const QString &query)
{
    std::weak_ptr<BaseJob> weakSelf = weak_from_this();
    const bool list = query.trimmed().isEmpty();
    // Both wait for the folder: a query typed before it is known would otherwise search nothing.
    return FileDataSearchUtils::ensure(initTask(), [weakSelf, query, list]() -> FileTask {
        auto self = std::static_pointer_cast<FilesJob>(weakSelf.lock());
        if (!self)
            return FileTask::completed();
        return list ? self->listUnder() : self->doQuery(query);
    });
}

FileTask FilesJob::doQuery(const QString &query)
{
    if (!m_folder)
        return FileTask::completed();
    auto step = std::make_shared<FileStep>();
    const QString folder = m_folder->toLocalFile();
    const FileNameSearch::Limits limits = m_limits;
    std::weak_ptr<BaseJob> weakSelf = weak_from_this();
    Dispatcher &dispatcher = this->dispatcher();
    dispatcher.toBackground([step, folder, query, limits, weakSelf, &dispatcher] {
        // Each batch is delivered on the main thread, where cancelling happens, so none slips through.
        const auto onBatch = [step, weakSelf, &dispatcher](QList<QUrl> urls) {
            if (urls.isEmpty())
                return;
            dispatcher.toMain([step, weakSelf, rows = rowsOf(urls)] {
                if (!step->isCancelled())
                    BaseJob::deliver(weakSelf, rows);
            });
        };
        const FileNameSearch::End end = FileNameSearch::search(folder, query, *step, onBatch, limits);
        if (end == FileNameSearch::End::Cancelled) {
            step->cancel();
            return;
        }
        const bool bounded = end == FileNameSearch::End::Bounded;
        if (bounded)
            log::info(QStringLiteral("file search for \"%1\" stopped at its bound of %2 entries under %3")
                          .arg(query.left(64)).arg(limits.maxVisited).arg(folder));
        dispatcher.toMain([step, weakSelf, bounded, visited = limits.maxVisited] {
            if (step->isCancelled())
                return;
            if (bounded)
                BaseJob::deliver(weakSelf, {boundNote(visited)});
            step->complete();
        });
    });
    return FileTask::of(step);
}

FileItemDataPtr FilesJob::boundNote(int entriesRead)
{
    auto note = std::make_shared<FileItemData>();
    // A row rather than the input's hint: the hint is hidden once anything is typed, which is exactly when
    // the search runs.
    note->setTitle(QCoreApplication::translate("tavolin::FilesJob",
                                              "Searched the first %1 entries only: type more of the name to find others")
                       .arg(QLocale().toString(entriesRead)));
    note->setGroup(QString::fromLatin1(filegroup::kFileResults));
    note->setAction({});
    return note;
}

FileTask FilesJob::listUnder()
{
    if (!m_folder)
        return FileTask::completed();
    const QString folder = m_folder->toLocalFile();
    const FileNameSearch::Limits limits = m_limits;
    std::weak_ptr<BaseJob> weakSelf = weak_from_this();
    return runStep<QList<FileItemDataPtr>>(
        dispatcher(),
        [folder, limits](const FileStep &step) -> std::optional<QList<FileItemDataPtr>> {
            const std::optional<QList<QUrl>> urls = FileNameSearch::list(folder, step, limits);
            if (!urls)
                return std::nullopt;
            return rowsOf(*urls);
        },
        [weakSelf](QList<FileItemDataPtr> &&rows) { BaseJob::deliver(weakSelf, rows); });
}

} // namespace tavolin
