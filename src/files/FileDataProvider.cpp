#include "files/FileDataProvider.h"

#include "palette/DataSource.h"

#include <QSet>

namespace tavolin {
namespace {

// The identity of a file for dropping duplicates: two URLs naming one path are one file.
QString fileKey(const QUrl &url)
{
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::StripTrailingSlash).toString();
}

constexpr QChar kCommandSymbol{0x2318}; // ⌘

} // namespace

FileDataProvider::FileDataProvider(std::shared_ptr<ElementSource> source, DataSource &dataSource,
                                   Dispatcher &dispatcher, Workspace *workspace)
    : m_jobManager(std::make_unique<JobManager>(std::move(source), dispatcher)), m_dataSource(dataSource),
      m_workspace(workspace)
{
}

FileDataProvider::~FileDataProvider() = default;

void FileDataProvider::loadFromApp(const AXAppPtr &app)
{
    if (!app || !app->runningApplication())
        return;
    const std::optional<QString> bundleIdentifier = app->bundleIdentifier();
    if (!bundleIdentifier || bundleIdentifier->isEmpty())
        return;
    if (bundleIdentifier != bundle) {
        bundle = bundleIdentifier;
        appName = app->name();
        m_appIcon = app->icon().isEmpty() ? std::nullopt : std::optional<QString>(app->icon());
        clearRows();
    }
    groups = m_jobManager->loadJobsForApp(*bundle, weak_from_this(), app);
}

void FileDataProvider::clearRows()
{
    itemMaps.clear();
    updateItems();
}

void FileDataProvider::updateItems()
{
    items.clear();
    QSet<QString> seen;
    for (const QString &group : std::as_const(groups)) {
        const auto found = itemMaps.constFind(group);
        if (found == itemMaps.constEnd())
            continue;
        for (const FileItemDataPtr &row : *found) {
            if (row->url()) {
                const QString key = fileKey(*row->url());
                if (seen.contains(key))
                    continue;
                seen.insert(key);
            }
            items.push_back(row);
        }
    }
}

RowDataPtr FileDataProvider::dataOnRow(qsizetype index)
{
    if (index < 0 || index >= items.size())
        return nullptr;
    return items.at(index);
}

RowDataPtr FileDataProvider::itemForShortcut(const QString &text)
{
    if (m_dataSource.mode() != PanelMode::QuickOpen)
        return nullptr;
    if (text.size() != 2 || text.at(0) != kCommandSymbol)
        return nullptr;
    const QChar digit = text.at(1);
    if (digit < QLatin1Char('0') || digit > QLatin1Char('9'))
        return nullptr;
    const int d = digit.unicode() - '0';
    const qsizetype first = m_firstVisibleRow ? std::max<qsizetype>(0, m_firstVisibleRow()) : 0;
    return dataOnRow(first + (d == 0 ? 9 : d - 1));
}

bool FileDataProvider::search(const QString &text, ResultTable *table, bool)
{
    // Cancelled first: a batch of the previous query that is already queued must find its run cancelled.
    m_jobManager->cancelQueries();
    clearRows();
    if (table)
        table->reloadData();
    m_jobManager->search(text);
    return true;
}

void FileDataProvider::resetStatus()
{
    clearRows();
}

bool FileDataProvider::isFirstInGroup(qsizetype index)
{
    if (index == 0)
        return true;
    if (index < 0 || index >= items.size())
        return false;
    return items.at(index - 1)->group() != items.at(index)->group();
}

void FileDataProvider::onAppend(BaseJob &job, const QList<FileItemDataPtr> &rows)
{
    if (m_workspace) {
        const std::weak_ptr<FileDataProvider> weak = weak_from_this();
        for (const FileItemDataPtr &row : rows) {
            row->setOpener([workspace = m_workspace, weak](const QString &path) {
                const std::shared_ptr<FileDataProvider> self = weak.lock();
                workspace->openFile(path, self ? self->openWith() : OpenWith());
            });
        }
    }
    itemMaps[job.group()].append(rows);
    updateItems();
    if (watcher)
        watcher->onUpdate(this);
}

} // namespace tavolin
