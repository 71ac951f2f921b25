#include "files/FileNameSearch.h"

#include "files/FileTask.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <deque>
#include <utility>

namespace tavolin {
namespace {

// Files and folders; hidden ones are left out because QDir::Hidden is not asked for.
const QDir::Filters kVisibleEntries = QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot;

// Whether the fold keys of `word` occur contiguously in those of `text`.
bool containsFolded(const FoldedText &text, const FoldedText &word)
{
    const int n = text.size();
    const int m = word.size();
    if (m == 0)
        return true;
    if ((word.mask() & ~text.mask()) != 0)
        return false;
    const uint32_t *t = text.foldKeys();
    const uint32_t *w = word.foldKeys();
    for (int start = 0; start + m <= n; ++start) {
        int i = 0;
        while (i < m && t[start + i] == w[i])
            ++i;
        if (i == m)
            return true;
    }
    return false;
}

// Name order as people read it, the same in every locale: case ignored, digit runs by value
// ("file9" before "file10"), then plain text order to break ties.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            // Compare the runs without leading zeros: longer is larger, equal lengths compare by digits.
            const QStringView ra = QStringView(a).mid(i, ei - i);
            const QStringView rb = QStringView(b).mid(j, ej - j);
            qsizetype za = 0;
            qsizetype zb = 0;
            while (za + 1 < ra.size() && ra.at(za) == QLatin1Char('0'))
                ++za;
            while (zb + 1 < rb.size() && rb.at(zb) == QLatin1Char('0'))
                ++zb;
            const QStringView na = ra.mid(za);
            const QStringView nb = rb.mid(zb);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (const int c = na.compare(nb); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded();
        const QChar cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;
}

} // namespace

QStringList FileNameSearch::queryWords(const QString &query)
{
    static const QRegularExpression kSpaces(QStringLiteral("\\s+"));
    return query.split(kSpaces, Qt::SkipEmptyParts);
}

bool FileNameSearch::nameMatches(const FoldedText &name, const std::vector<FoldedText> &words)
{
    for (const FoldedText &word : words) {
        if (!containsFolded(name, word))
            return false;
    }
    return true;
}

namespace {

// A match's place among its folder's matches: a name typed exactly, then one starting with the first word,
// then any other.
enum class Rank { Exact, Prefix, Other };

struct Match
{
    Rank rank;
    QString name;
    QString path;
};

bool sameKeys(const FoldedText &a, const FoldedText &b)
{
    return a.size() == b.size() && std::equal(a.foldKeys(), a.foldKeys() + a.size(), b.foldKeys());
}

bool startsWith(const FoldedText &text, const FoldedText &word)
{
    return word.size() <= text.size() && std::equal(word.foldKeys(), word.foldKeys() + word.size(), text.foldKeys());
}

// Hands the found URLs on in batches, at most one per interval (the first sooner), so the list is not
// redrawn for every hit.
class Batcher
{
public:
    Batcher(const std::function<void(QList<QUrl>)> &onBatch, const FileNameSearch::Limits &limits)
        : m_onBatch(onBatch), m_interval(limits.firstBatch), m_later(limits.laterBatch)
    {
        m_sinceBatch.start();
    }
    void add(const QString &path) { m_pending.push_back(QUrl::fromLocalFile(path)); }
    void deliverWhenDue()
    {
        if (m_pending.isEmpty() || m_sinceBatch.elapsed() < m_interval.count())
            return;
        m_onBatch(std::exchange(m_pending, {}));
        m_sinceBatch.restart();
        m_interval = m_later;
    }
    void deliverRest() { m_onBatch(std::exchange(m_pending, {})); }

private:
    const std::function<void(QList<QUrl>)> &m_onBatch;
    std::chrono::milliseconds m_interval;
    std::chrono::milliseconds m_later;
    QElapsedTimer m_sinceBatch;
    QList<QUrl> m_pending;
};

} // namespace

FileNameSearch::End FileNameSearch::search(const QString &folder, const QString &query, const FileStep &step,
                                           const std::function<void(QList<QUrl>)> &onBatch, const Limits &limits)
{
    std::vector<FoldedText> words;
    for (const QString &word : queryWords(query))
        words.emplace_back(word, FoldMode::Default);
    const QString typed = query.trimmed();
    const FoldedText whole(typed, FoldMode::Default);
    // A visible name of one path segment can be asked for directly where reading a folder was cut short.
    const bool canLookUpTyped = !words.empty() && !typed.startsWith(QLatin1Char('.')) && !typed.contains(QLatin1Char('/'));

    Batcher batcher(onBatch, limits);
    int found = 0;
    int visited = 0;
    bool bounded = false;

    // Breadth first: files near the document come before those deep below it.
    std::deque<std::pair<QString, int>> folders{{folder, 0}};
    while (!folders.empty() && found < limits.maxResults) {
        if (visited >= limits.maxVisited) {
            bounded = true;
            break;
        }
        const auto [current, depth] = folders.front();
        folders.pop_front();
        std::vector<Match> matches;
        bool cut = false;
        // Iterated, not listed whole: a folder of a million entries costs only what the bounds allow.
        QDirIterator it(current, kVisibleEntries);
        while (it.hasNext()) {
            if (step.isCancelled())
                return End::Cancelled;
            if (visited >= limits.maxVisited) {
                cut = true;
                break;
            }
            ++visited;
            const QFileInfo entry = it.nextFileInfo();
            if (entry.isDir() && !entry.isSymLink()) {
                if (depth + 1 < limits.maxDepth)
                    folders.emplace_back(entry.filePath(), depth + 1);
                else
                    bounded = true;
            }
            const FoldedText name(entry.fileName(), FoldMode::Default);
            if (!nameMatches(name, words))
                continue;
            const Rank rank = sameKeys(name, whole) ? Rank::Exact
                            : startsWith(name, words.front()) ? Rank::Prefix
                                                              : Rank::Other;
            matches.push_back({rank, entry.fileName(), entry.filePath()});
        }
        if (cut) {
            bounded = true;
            const QFileInfo typedEntry(QDir(current).filePath(typed));
            const bool listed = std::any_of(matches.begin(), matches.end(),
                                            [&](const Match &m) { return m.path == typedEntry.filePath(); });
            if (canLookUpTyped && !listed && typedEntry.exists())
                matches.push_back({Rank::Exact, typedEntry.fileName(), typedEntry.filePath()});
        }
        std::sort(matches.begin(), matches.end(), [](const Match &a, const Match &b) {
            return a.rank != b.rank ? a.rank < b.rank : naturalLess(a.name, b.name);
        });
        for (const Match &match : matches) {
            if (found >= limits.maxResults)
                break;
            batcher.add(match.path);
            ++found;
        }
        batcher.deliverWhenDue();
    }
    if (step.isCancelled())
        return End::Cancelled;
    batcher.deliverRest();
    return bounded ? End::Bounded : End::Complete;
}

std::optional<QList<QUrl>> FileNameSearch::list(const QString &folder, const FileStep &step, const Limits &limits,
                                                End *end)
{
    QStringList paths;
    bool cut = false;
    QDirIterator it(folder, kVisibleEntries);
    while (it.hasNext()) {
        if (step.isCancelled())
            return std::nullopt;
        if (paths.size() >= limits.maxVisited) {
            cut = true;
            break;
        }
        paths.push_back(it.next());
    }
    // Every name read is ordered before the listing is cut to its bound, so the bound keeps the first
    // names, not the first ones the directory happened to hand out.
    std::sort(paths.begin(), paths.end(), naturalLess);
    if (paths.size() > limits.maxListed) {
        paths.resize(limits.maxListed);
        cut = true;
    }
    if (end)
        *end = cut ? End::Bounded : End::Complete;
    QList<QUrl> out;
    out.reserve(paths.size());
    for (const QString &path : paths)
        out.push_back(QUrl::fromLocalFile(path));
    return out;
}

} // namespace tavolin
