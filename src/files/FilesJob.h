#pragma once

#include "accessibility/ElementSource.h"
#include "files/BaseJob.h"
#include "files/FileNameSearch.h"

#include <QUrl>

namespace tavolin {

// "File Results": files near the application's focused document. An empty query lists the document's
// folder; any other query searches below that folder for names holding every word (FileNameSearch).
// A document in a Trash, or in a hidden folder at the root, gives no folder and so no rows. A search cut
// by its bound on entries read ends with a note row (boundNote()) that says so and performs nothing.
//
// Threads: members on the main thread; the focused document is read, and folders listed and searched, on
// the background pool. Rows arrive at the watcher on the main thread, a search's in coalesced batches.
class FilesJob final : public BaseJob
{
public:
    // `source` may be null: then there is never a folder.
    FilesJob(std::shared_ptr<ElementSource> source, Dispatcher &dispatcher);
    ~FilesJob() override;

    void setLimits(const FileNameSearch::Limits &limits) { m_limits = limits; }
    const std::optional<QUrl> &folder() const { return m_folder; }

    // BaseJob
    QString group() const override { return QString::fromLatin1(filegroup::kFileResults); }

    // Finds the folder of the application's focused document (none without one).
    FileTask setApp(const QString &bundle, const AXAppPtr &app) override;
    // listUnder() for an empty or all-space query, else doQuery(); both wait for a pending setApp().
    FileTask query(const QString &query) override;

    // The focused document of the application `element`: its main window's document attribute.
    static std::optional<QUrl> loadFocusedFile(ElementSource &source, const ElementRef &element);

    // The last row of a search its bound cut: no file, no action, so Return on it does nothing.
    static FileItemDataPtr boundNote(int entriesRead);

    FileTask doQuery(const QString &query);
    FileTask listUnder();

private:
    // The folder to list for the application `element`: its focused document's; none without one.
    static std::optional<std::optional<QUrl>> readFolder(ElementSource &source, const ElementRef &element,
                                                         const FileStep &step);

    std::shared_ptr<ElementSource> m_source;
    std::optional<QUrl> m_folder;
    FileNameSearch::Limits m_limits;
};

} // namespace tavolin
