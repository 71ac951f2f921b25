#include "files/FileNameSearch.h"

#include "files/FileTask.h"

#include <QCollator>
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
    QCollator byName;
    byName.setNumericMode(true);
    byName.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(paths.begin(), paths.end(), byName);
    QList<QUrl> out;
    out.reserve(paths.size());
    for (const QString &path : paths)
        out.push_back(QUrl::fromLocalFile(path));
    return out;
}

} // namespace tavolin
