#pragma once

#include "palette/TextFolding.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace tavolin {

class FileStep;

// The file-name search of "File Results" and the folder listing for an empty query. Both skip hidden
// entries (and so never enter a Trash folder, which is hidden or lies in a hidden folder), do not follow
// symbolic links into folders, and are bounded. Any thread; the work checks the step for cancellation
// between entries.
class FileNameSearch
{
public:
    struct Limits
    {
        int maxResults = 61;        // the search stops once it found this many
        int maxVisited = 50'000;    // entries looked at before giving up
        int maxDepth = 16;          // folder levels below the start
        int maxListed = 1'000;      // entries of a listing
        std::chrono::milliseconds firstBatch{100}; // results are held back this long before the first batch
        std::chrono::milliseconds laterBatch{500}; // and between later batches
    };

    // The words of a query: split at white space, empty parts dropped.
    static QStringList queryWords(const QString &query);

    // Whether `name` contains every word, ignoring case and marks ("Résumé" contains "resume").
    static bool nameMatches(const FoldedText &name, const std::vector<FoldedText> &words);

    // Searches below `folder`, nearest folders first, for entries whose names contain every word of
    // `query`. New results go to `onBatch`, coalesced by time, on this thread; the last batch may be
    // empty. Returns false when cancelled (the batches delivered so far stand).
    static bool search(const QString &folder, const QString &query, const FileStep &step,
                       const std::function<void(QList<QUrl>)> &onBatch, const Limits &limits);

    // The direct, visible entries of `folder`, by name. Empty when it cannot be listed; none when cancelled.
    static std::optional<QList<QUrl>> list(const QString &folder, const FileStep &step, const Limits &limits);
};

} // namespace tavolin
