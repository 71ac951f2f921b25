#pragma once

#include "files/BaseJob.h"
#include "files/FileItemData.h"
#include "files/JobManager.h"
#include "files/Workspace.h"
#include "palette/DataProvider.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

class DataSource;

// Told when the quick-open list changed. QuickOpen implements it. Main thread.
class FileDataProviderWatcher
{
public:
    virtual ~FileDataProviderWatcher() = default;
    virtual void onUpdate(DataProvider *provider) = 0;
};

// The row provider of quick open: the rows of the sources ("Opened", "Recent", "File Results") kept per
// group, flattened in group order with each file shown once (the first group that found it keeps it).
//
// Made with make_shared (the jobs hold it weakly). Threads: main thread only; the jobs deliver their rows
// there.
class FileDataProvider final : public DataProvider,
                               public QuickOpenJobWatcher,
                               public std::enable_shared_from_this<FileDataProvider>
{
public:
    static constexpr auto kInputHint = "Open Qucikly";

    // `source` (may be null) reads the target application's windows; `dataSource` gives the panel's mode;
    // the sources' work runs through `dispatcher`; `workspace` opens the files of performed rows (null:
    // nothing is opened). All must outlive the provider.
    FileDataProvider(std::shared_ptr<ElementSource> source, DataSource &dataSource, Dispatcher &dispatcher,
                     Workspace *workspace);
    ~FileDataProvider() override;
    // The index of the first row the list shows (the panel installs it; default 0).
    void setFirstVisibleRowSource(std::function<qsizetype()> source) { m_firstVisibleRow = std::move(source); }

    // Restarts the sources for `app`; nothing when it, its running application or its bundle identifier
    // is missing. A new application also empties the list.
    void loadFromApp(const AXAppPtr &app);
    // Rebuilds items from itemMaps (see the class comment).
    void updateItems();
    // The application files are opened with.
    OpenWith openWith() const { return {bundle, appName}; }

    // DataProvider
    std::optional<QString> appIcon() override { return m_appIcon; }
    RowDataPtr filteredParent() override { return nullptr; }
    QString inputHint() override { return QString::fromUtf8(kInputHint); }
    RowDataPtr dataOnRow(qsizetype index) override;
    qsizetype numberOfRows() override { return items.size(); }
    std::optional<qsizetype> firstSelectedItem() override { return std::nullopt; }
    RowDataPtr findMenuMatch(const QString &) override { return nullptr; }
    // "⌘1" … "⌘9" pick the first to ninth visible row, "⌘0" the tenth; only in quick-open mode.
    RowDataPtr itemForShortcut(const QString &text) override;
    // Empties the list at once (reloading `table`) and restarts every source for `text`. Always true.
    bool search(const QString &text, ResultTable *table, bool force) override;
    void filter(const RowDataPtr &) override {}
    void unfilter() override {}
    void clearfilter() override {}
    void resetStatus() override;
    bool isFirstInGroup(qsizetype index) override;

    // QuickOpenJobWatcher: appends to the job's group (each row then opens its file with openWith() through
    // the workspace), rebuilds items and tells the watcher.
    void onAppend(BaseJob &job, const QList<FileItemDataPtr> &rows) override;

    std::optional<QString> bundle;
    std::optional<QString> appName;
    FileDataProviderWatcher *watcher = nullptr; // not owned; clears itself when destroyed
    QStringList groups;
    QHash<QString, QList<FileItemDataPtr>> itemMaps;
    QList<FileItemDataPtr> items;


private:
    void clearRows();

    std::optional<QString> m_appIcon;
    std::unique_ptr<JobManager> m_jobManager;
    DataSource &m_dataSource;
    Workspace *const m_workspace;
    std::function<qsizetype()> m_firstVisibleRow;
};

} // namespace tavolin
