#pragma once

#include "palette/FuzzyScore.h"
#include "palette/MenuItemData.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <atomic>
#include <optional>
#include <span>
#include <vector>

namespace tavolin {

// Ranks command rows against typed text. Each row is tried in several forms, cheapest first: its title, the
// title with punctuation spaced out (or its English title), its Latin transliteration, then, only while it is
// still below the threshold, plain containment and its path forms (path + title, English path, Latin path).
// History rows are boosted, rows with submenus slightly lowered.
//
// Threads: search() runs on the main thread (it fills the rows' lazy caches, which are not guarded).
// setLocaleContext() is called between searches on the main thread; score() may run on any thread.
class SearchUtils
{
public:
    struct ScoredEntry
    {
        qsizetype index;
        double score;
    };

    // Fuzziness given to title scores.
    double fuzziness = 0.2;
    // A row is listed only when its score is strictly greater.
    double threshold = 0.4;

    // The locale of the current application; it only matters for the Turkish dotted and dotless i.
    const std::optional<QLocale> &localeContext() const { return m_localeContext; }
    void setLocaleContext(std::optional<QLocale> locale);
    FoldMode foldMode() const { return m_foldMode.load(std::memory_order_relaxed); }

    // The rows scoring above the threshold, best first; equal scores keep the order of `items`.
    QList<MenuItemDataPtr> search(const QString &keyword, const QList<MenuItemDataPtr> &items);
    // One entry per item, in item order.
    std::vector<ScoredEntry> buildScores(const QString &keyword, const QList<MenuItemDataPtr> &items);
    // The score of one row against a keyword folded with foldMode().
    double rowScore(const FoldedText &keyword, MenuItemData &item);

    // The fuzzy score of plain texts under the current locale context (folds both on every call).
    double score(const QString &text, const QString &word, std::optional<double> fuzziness) const;

private:
    double scoreRow(const FoldedText &keyword, MenuItemData &item, bool hasTrans);

    std::optional<QLocale> m_localeContext;
    std::atomic<FoldMode> m_foldMode{FoldMode::Default};
};

// Tells, from a row's texts alone and before any row is built, that search() would not list it for a keyword:
// what a program ranking many rows once (the terminal tool) uses to build only the rows that may be listed.
// It scores the forms such a row would have (title, plain title, path form) with the search's own functions,
// so it rules out exactly the rows that score at most the threshold.
//
// Decides only rows whose texts are all ASCII, built by the basic constructor (no live item, English title or
// history index) while no translation is in use; every other row may be listed. The search's threshold,
// fuzziness and fold mode are read at construction; the search must outlive the filter. Immutable;
// mayList() and score() are safe from any thread (score() as SearchUtils::rowScore() is).
class RowPrefilter
{
public:
    RowPrefilter(SearchUtils &search, const QString &keyword);

    // The row's score for the keyword: SearchUtils::rowScore(), so that a row can be scored as soon as it is
    // built, while it is in the cache.
    double score(MenuItemData &row) const { return m_search.rowScore(m_keyword, row); }

    // Whether a row with this score is listed: above the search's threshold.
    bool lists(double score) const { return score > m_threshold; }

    // False only when a row with this title and path (each element and the title trimmed, as a row holds
    // them; the top menu first) scores at most the threshold for the keyword, with or without a submenu.
    bool mayList(QStringView title, std::span<const QStringView> path) const;

    // What a row of these texts would score, without building it, for the rows the filter decides alone:
    // ASCII texts under the default fold mode. `decided` false: build the row and score it. Otherwise `score`
    // is SearchUtils::rowScore() of the row built from these texts (with `hasSubmenu`) when it is above the
    // threshold, and none when the row would not be listed.
    struct PlainScore
    {
        bool decided = false;
        std::optional<double> score;
    };
    PlainScore plainScore(QStringView title, std::span<const QStringView> path, bool hasSubmenu) const;

private:
    enum class Verdict : uint8_t { Out, MayList, Undecided };
    struct PathFacts
    {
        bool ascii = false;
        int progress = 0;
    };
    PathFacts pathFacts(std::span<const QStringView> path) const;
    Verdict byLetters(QStringView title, int pathProgress) const;
    bool mayListByForms(QStringView title, std::span<const QStringView> path) const;
    double formsScore(QStringView title, std::span<const QStringView> path) const;

    SearchUtils &m_search;
    FoldedText m_keyword;
    double m_threshold = 0;
    double m_fuzziness = 0;
    bool m_decides = false;
    bool m_byLetters = false; // the default fold mode and a fuzziness in [0, 1]
    uint64_t m_id;            // tells this filter's memo of the last path (per thread) from another's
};

} // namespace tavolin
