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
//
// Within a folder every name read is ranked before any is kept, so a bound never keeps names merely for
// coming first in directory order: a name typed exactly comes first, then names starting with the first
// word, then the rest in natural name order. A name typed exactly is found in every folder the walk
// reaches, even where the bound on entries cut that folder's reading short.
class FileNameSearch
{
public:
    struct Limits
    {
        int maxResults = 61;        // the search stops once it found this many
        int maxVisited = 200'000;   // entries looked at before giving up
        int maxDepth = 16;          // folder levels below the start
        int maxListed = 1'000;      // entries of a listing
        std::chrono::milliseconds firstBatch{100}; // results are held back this long before the first batch
        std::chrono::milliseconds laterBatch{500}; // and between later batches
    };

    // How a search or a listing ended.
    enum class End {
        Cancelled, // stopped by the step; what was delivered stands
        Complete,  // every entry in reach was read
        Bounded,   // a bound on entries read cut the walk: more may match than was found
    };

    // The words of a query: split at white space, empty parts dropped.
    static QStringList queryWords(const QString &query);

    // Whether `name` contains every word, ignoring case and marks ("Résumé" contains "resume").
    static bool nameMatches(const FoldedText &name, const std::vector<FoldedText> &words);

    // Searches below `folder`, nearest folders first, for entries whose names contain every word of
    // `query`. New results go to `onBatch`, coalesced by time, on this thread; the last batch may be
    // empty. Reaching maxResults is a complete search; only the bound on entries read gives End::Bounded.
    static End search(const QString &folder, const QString &query, const FileStep &step,
                      const std::function<void(QList<QUrl>)> &onBatch, const Limits &limits);

    // The direct, visible entries of `folder`, the first maxListed by name of all it read (at most
    // maxVisited). Empty when it cannot be listed; none when cancelled. `end`, when given, says whether the
    // listing was cut (by either bound).
    static std::optional<QList<QUrl>> list(const QString &folder, const FileStep &step, const Limits &limits,
                                           End *end = nullptr);
};

} // namespace tavolin
