#include "SearchUtils.h"

#include "accessibility/LocaleUtils.h"

#include <algorithm>

namespace tavolin {
namespace {

// A path form lifts a row at most to threshold + 0.045 (a perfect path score), below any title match and
// below the containment rescue (threshold + 0.05).
double pathFormScore(double threshold, const FoldedSpan &form, const FoldedSpan &keyword)
{
    return threshold + (fuzzyScore(form, keyword, std::nullopt) - 0.1) / 20;
}

// The same for a path form that may not be folded yet: one whose mask lacks a character of the keyword
// scores 0 without fuzziness, so `form()` (which folds it) is only called when the keys can matter.
template <typename Form>
double lazyPathFormScore(double threshold, uint64_t formMask, const FoldedSpan &keyword, Form form)
{
    if ((keyword.mask & ~formMask) != 0)
        return threshold + (0.0 - 0.1) / 20;
    return pathFormScore(threshold, form(), keyword);
}

void fillEnTitle(MenuItemData &item, bool hasTrans)
{
    if (item.ref() && !item.enTitle() && hasTrans)
        item.setEnTitle(LocaleUtils::getEnLabel(item.title()));
}

} // namespace

SearchUtils &SearchUtils::shared()
{
    static SearchUtils instance;
    return instance;
}

void SearchUtils::setLocaleContext(std::optional<QLocale> locale)
{
    m_foldMode.store(foldModeForLocale(locale), std::memory_order_relaxed);
    m_localeContext = std::move(locale);
}

QList<MenuItemDataPtr> SearchUtils::search(const QString &keyword, const QList<MenuItemDataPtr> &items)
{
    std::vector<ScoredEntry> scores = buildScores(keyword, items);
    std::erase_if(scores, [this](const ScoredEntry &entry) { return !(entry.score > threshod); });
    std::stable_sort(scores.begin(), scores.end(),
                     [](const ScoredEntry &a, const ScoredEntry &b) { return a.score > b.score; });
    QList<MenuItemDataPtr> result;
    result.reserve(static_cast<qsizetype>(scores.size()));
    for (const ScoredEntry &entry : scores)
        result.append(items.at(entry.index));
    return result;
}

std::vector<SearchUtils::ScoredEntry> SearchUtils::buildScores(const QString &keyword,
                                                               const QList<MenuItemDataPtr> &items)
{
    const FoldedText folded(keyword, foldMode());
    const bool hasTrans = LocaleUtils::hasTrans();
    std::vector<ScoredEntry> scores;
    scores.reserve(static_cast<size_t>(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        scores.push_back({i, items.at(i) ? scoreRow(folded, *items.at(i), hasTrans) : 0.0});
    return scores;
}

double SearchUtils::scrore(const FoldedText &keyword, MenuItemData &item)
{
    return scoreRow(keyword, item, LocaleUtils::hasTrans());
}

double SearchUtils::scoreRow(const FoldedText &keywordText, MenuItemData &item, bool hasTrans)
{
    const FoldedSpan keyword = keywordText.span();
    const double threshold = threshod;
    const FoldMode mode = keywordText.mode();
    const RowSearchForms &forms = item.titleForms(mode); // path forms are folded below only when needed
    // Below the threshold a title form's exact score never matters (containment or the path forms replace
    // it), so forms whose bound stays below it are not scanned.
    const auto titleScore = [&](const FoldedSpan &form) {
        return fuzzyScoreBound(form, keyword, fuzziness) < threshold ? 0.0 : fuzzyScore(form, keyword, fuzziness);
    };
    double s = titleScore(forms.title);

    fillEnTitle(item, hasTrans);
    const FoldedText *enTitle = item.enTitle() ? item.enTitleForm(mode) : nullptr;
    const std::optional<FoldedSpan> alt = enTitle ? std::optional<FoldedSpan>(enTitle->span()) : forms.plainAlt;
    if (alt)
        s = std::max(s, titleScore(*alt));
    if (s < threshold && forms.latinTitle)
        s = std::max(s, titleScore(*forms.latinTitle));

    // Most recent entry (index 0) doubles the score; the tenth adds a tenth.
    if (s > threshold && item.historyIndex() >= 0)
        s += s * (10 - item.historyIndex()) / 10.0;

    if (s < threshold && (containsIgnoringCase(forms.title, keyword) || (alt && containsIgnoringCase(*alt, keyword))))
        s = threshold + 0.05;

    if (s < threshold)
        s = lazyPathFormScore(threshold, forms.fullMask, keyword, [&] { return item.searchForms(mode).full; });
    if (s < threshold && hasTrans) {
        fillEnTitle(item, hasTrans);
        s = pathFormScore(threshold, item.enFullForm(mode).span(), keyword);
    }
    if (s < threshold && forms.hasLatinFull)
        s = lazyPathFormScore(threshold, forms.latinFullMask, keyword, [&] { return *item.searchForms(mode).latinFull; });

    if (s > threshold && item.hasSubmenu())
        s = std::max(s - 0.1, threshold);
    return s;
}

double SearchUtils::score(const QString &text, const QString &word, std::optional<double> fuzziness) const
{
    const FoldMode mode = foldMode();
    return fuzzyScore(FoldedText(text, mode), FoldedText(word, mode), fuzziness);
}

} // namespace tavolin
