#include "SearchUtils.h"

#include "accessibility/LocaleUtils.h"

#include <algorithm>

namespace tavolin {
namespace {

// A path form lifts a row at most to threshold + 0.045 (a perfect path score), below any title match and
// below the containment rescue (threshold + 0.05).
double pathFormScore(double threshold, const FoldedText &form, const FoldedText &keyword)
{
    return threshold + (fuzzyScore(form, keyword, std::nullopt) - 0.1) / 20;
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
    std::vector<ScoredEntry> scores;
    scores.reserve(static_cast<size_t>(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        scores.push_back({i, items.at(i) ? scrore(folded, *items.at(i)) : 0.0});
    return scores;
}

double SearchUtils::scrore(const FoldedText &keyword, MenuItemData &item)
{
    const double threshold = threshod;
    const FoldMode mode = keyword.mode();
    const bool hasTrans = LocaleUtils::hasTrans();
    const RowSearchForms &forms = item.searchForms(mode);
    double s = fuzzyScore(forms.title, keyword, fuzziness);

    fillEnTitle(item, hasTrans);
    const std::optional<FoldedText> &alt = forms.enTitle ? forms.enTitle : forms.plainAlt;
    if (alt)
        s = std::max(s, fuzzyScore(*alt, keyword, fuzziness));
    if (s < threshold && forms.latinTitle)
        s = std::max(s, fuzzyScore(*forms.latinTitle, keyword, fuzziness));

    // Most recent entry (index 0) doubles the score; the tenth adds a tenth.
    if (s > threshold && item.historyIndex() >= 0)
        s += s * (10 - item.historyIndex()) / 10.0;

    if (s < threshold
        && (containsIgnoringCase(forms.title, keyword) || (alt && containsIgnoringCase(*alt, keyword))))
        s = threshold + 0.05;

    if (s < threshold)
        s = pathFormScore(threshold, forms.full, keyword);
    if (s < threshold && hasTrans) {
        fillEnTitle(item, hasTrans);
        s = pathFormScore(threshold, item.enFullForm(mode), keyword);
    }
    if (s < threshold && forms.latinFull)
        s = pathFormScore(threshold, *forms.latinFull, keyword);

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
