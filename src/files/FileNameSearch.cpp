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

bool FileNameSearch::search(const QString &folder, const QString &query, const FileStep &step,
                            const std::function<void(QList<QUrl>)> &onBatch, const Limits &limits)
{
    std::vector<FoldedText> words;
    for (const QString &word : queryWords(query))
        words.emplace_back(word, FoldMode::Default);

    QElapsedTimer sinceBatch;
    sinceBatch.start();
    std::chrono::milliseconds interval = limits.firstBatch;
    QList<QUrl> pending;
    int found = 0;
    int visited = 0;

    // Breadth first: files near the document come before those deep below it.
    std::deque<std::pair<QString, int>> folders{{folder, 0}};
    while (!folders.empty() && found < limits.maxResults && visited < limits.maxVisited) {
        const auto [current, depth] = folders.front();
        folders.pop_front();
        // Iterated, not listed whole: a folder of a million entries costs only what the bounds allow.
        QDirIterator it(current, kVisibleEntries);
        while (it.hasNext()) {
            const QFileInfo entry = it.nextFileInfo();
            if (step.isCancelled())
                return false;
            if (++visited > limits.maxVisited || found >= limits.maxResults)
                break;
            if (entry.isDir() && !entry.isSymLink() && depth + 1 < limits.maxDepth)
                folders.emplace_back(entry.filePath(), depth + 1);
            if (!nameMatches(FoldedText(entry.fileName(), FoldMode::Default), words))
                continue;
            pending.push_back(QUrl::fromLocalFile(entry.filePath()));
            ++found;
            if (sinceBatch.elapsed() >= interval.count()) {
                onBatch(std::exchange(pending, {}));
                sinceBatch.restart();
                interval = limits.laterBatch;
            }
        }
    }
    if (step.isCancelled())
        return false;
    onBatch(std::move(pending));
    return true;
}

std::optional<QList<QUrl>> FileNameSearch::list(const QString &folder, const FileStep &step, const Limits &limits)
{
    QStringList paths;
    QDirIterator it(folder, kVisibleEntries);
    while (it.hasNext() && paths.size() < limits.maxListed) {
        if (step.isCancelled())
            return std::nullopt;
        paths.push_back(it.next());
    }
    std::sort(paths.begin(), paths.end(), naturalLess);
    QList<QUrl> out;
    out.reserve(paths.size());
    for (const QString &path : paths)
        out.push_back(QUrl::fromLocalFile(path));
    return out;
}

} // namespace tavolin
