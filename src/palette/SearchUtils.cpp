#include "SearchUtils.h"

#include "accessibility/LocaleUtils.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <string>

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

std::atomic<uint64_t> g_lastFilterId{0};

// Printable ASCII: control characters fold and score in ways the letter checks below do not follow.
bool isPlainAscii(QStringView text)
{
    // No early exit, so the loop vectorises: most texts are plain ASCII.
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    char16_t low = 0xffff;
    char16_t high = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        low = std::min(low, units[i]);
        high = std::max(high, units[i]);
    }
    return text.isEmpty() || (low >= 0x20 && high < 0x7f);
}

bool hasControlCharacters(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

// The ASCII word punctuation as a 128-bit set.
constexpr std::array<uint64_t, 2> asciiPunctuation()
{
    std::array<uint64_t, 2> set{};
    for (char16_t c = 0; c < 0x80; ++c) {
        if (isWordPunctuation(QChar(c)))
            set[c >> 6] |= uint64_t(1) << (c & 63);
    }
    return set;
}

// `text` with each word punctuation character replaced by a space, as a row's plain title form; false (and
// `out` untouched) when there is none.
bool spacedPunctuationInto(QStringView text, std::u16string &out)
{
    if (std::none_of(text.begin(), text.end(), isWordPunctuation))
        return false;
    out.assign(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    for (char16_t &c : out) {
        if (isWordPunctuation(QChar(c)))
            c = u' ';
    }
    return true;
}

// A row's path form: each element followed by a space (one space for a top-level row), then the title.
void joinFullForm(std::span<const QStringView> path, QStringView title, std::u16string &out)
{
    out.clear();
    for (QStringView element : path) {
        out.append(reinterpret_cast<const char16_t *>(element.utf16()), size_t(element.size()));
        out.push_back(u' ');
    }
    if (path.empty())
        out.push_back(u' ');
    out.append(reinterpret_cast<const char16_t *>(title.utf16()), size_t(title.size()));
}

QStringView viewOf(const std::u16string &text)
{
    return QStringView(text.data(), qsizetype(text.size()));
}

void fillEnTitle(MenuItemData &item, bool hasTrans)
{
    if (item.ref() && !item.enTitle() && hasTrans)
        item.setEnTitle(LocaleUtils::getEnLabel(item.title()));
}

} // namespace

void SearchUtils::setLocaleContext(std::optional<QLocale> locale)
{
    m_foldMode.store(foldModeForLocale(locale), std::memory_order_relaxed);
    m_localeContext = std::move(locale);
}

QList<MenuItemDataPtr> SearchUtils::search(const QString &keyword, const QList<MenuItemDataPtr> &items)
{
    std::vector<ScoredEntry> scores = buildScores(keyword, items);
    std::erase_if(scores, [this](const ScoredEntry &entry) { return !(entry.score > threshold); });
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

double SearchUtils::rowScore(const FoldedText &keyword, MenuItemData &item)
{
    return scoreRow(keyword, item, LocaleUtils::hasTrans());
}

double SearchUtils::scoreRow(const FoldedText &keywordText, MenuItemData &item, bool hasTrans)
{
    const FoldedSpan keyword = keywordText.span();
    const FoldMode mode = keywordText.mode();
    const RowSearchForms &forms = item.titleForms(mode); // path forms are folded below only when needed
    // Below the threshold a title form's exact score never matters (containment or the path forms replace
    // it), so forms whose bound stays below it are not scanned.
    // RowPrefilter::mayList() takes the same steps for plain rows: keep the two in step.
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

    if (s > threshold && item.expands())
        s = std::max(s - 0.1, threshold);
    return s;
}

double SearchUtils::score(const QString &text, const QString &word, std::optional<double> fuzziness) const
{
    const FoldMode mode = foldMode();
    return fuzzyScore(FoldedText(text, mode), FoldedText(word, mode), fuzziness);
}

RowPrefilter::RowPrefilter(SearchUtils &search, const QString &keyword)
    : m_search(search),
      m_keyword(keyword, search.foldMode()),
      m_threshold(search.threshold),
      m_fuzziness(search.fuzziness),
      m_decides(!LocaleUtils::hasTrans() && !hasControlCharacters(keyword)),
      m_byLetters(m_keyword.mode() == FoldMode::Default && m_fuzziness >= 0 && m_fuzziness <= 1),
      m_id(++g_lastFilterId)
{
}

namespace {

// What mayList() found out about the last path it was given on this thread, for the filter `filterId`: rows of
// one menu mostly follow each other, so a path is looked at once for all of them.
struct PathMemo
{
    uint64_t filterId = 0;
    std::vector<std::u16string> elements;
    bool ascii = false;
    int progress = 0; // see RowPrefilter::byLetters
};

bool sameElements(const std::vector<std::u16string> &elements, std::span<const QStringView> path)
{
    return elements.size() == path.size() &&
           std::equal(elements.cbegin(), elements.cend(), path.begin(), [](const std::u16string &a, QStringView b) {
               return a.size() == size_t(b.size()) && std::memcmp(a.data(), b.utf16(), a.size() * sizeof(char16_t)) == 0;
           });
}

void matchInOrder(QStringView text, const uint32_t *keys, int size, int &next);

} // namespace

RowPrefilter::PathFacts RowPrefilter::pathFacts(std::span<const QStringView> path) const
{
    thread_local PathMemo memo;
    if (memo.filterId != m_id || !sameElements(memo.elements, path)) {
        memo.filterId = m_id;
        memo.elements.assign(path.size(), {});
        for (size_t i = 0; i < path.size(); ++i)
            memo.elements[i].assign(reinterpret_cast<const char16_t *>(path[i].utf16()), size_t(path[i].size()));
        memo.ascii = std::all_of(path.begin(), path.end(), isPlainAscii);
        memo.progress = 0;
        if (m_byLetters && memo.ascii) {
            const FoldedSpan keyword = m_keyword.span();
            if (path.empty())
                matchInOrder(u" ", keyword.foldKeys, keyword.size, memo.progress);
            for (QStringView element : path) {
                matchInOrder(element, keyword.foldKeys, keyword.size, memo.progress);
                matchInOrder(u" ", keyword.foldKeys, keyword.size, memo.progress);
            }
        }
    }
    return {memo.ascii, memo.progress};
}

bool RowPrefilter::mayList(QStringView title, std::span<const QStringView> path) const
{
    const PathFacts facts = pathFacts(path);
    if (!m_decides || !facts.ascii || !isPlainAscii(title))
        return true;
    const Verdict verdict = m_byLetters ? byLetters(title, facts.progress) : Verdict::Undecided;
    return verdict == Verdict::Undecided ? mayListByForms(title, path) : verdict == Verdict::MayList;
}

// A submenu only lowers a score, never above the threshold, so it is left out.
bool RowPrefilter::mayListByForms(QStringView title, std::span<const QStringView> path) const
{
    return formsScore(title, path) > m_threshold;
}

RowPrefilter::PlainScore RowPrefilter::plainScore(QStringView title, std::span<const QStringView> path,
                                                  bool hasSubmenu) const
{
    // Other fold modes (Turkish) are left to the built rows.
    if (!m_decides || !m_byLetters)
        return {};
    const PathFacts facts = pathFacts(path);
    if (!facts.ascii || !isPlainAscii(title))
        return {};
    if (byLetters(title, facts.progress) == Verdict::Out)
        return {true, std::nullopt};
    // The last step of SearchUtils::scoreRow(); a plain row has no history index.
    double s = formsScore(title, path);
    if (s > m_threshold && hasSubmenu)
        s = std::max(s - 0.1, m_threshold);
    return {true, s > m_threshold ? std::optional(s) : std::nullopt};
}

namespace {

// An ASCII character's fold key under the default mode.
char16_t lowerAscii(QChar c)
{
    const char16_t u = c.unicode();
    return char16_t(u + (char16_t(u - u'A') < 26 ? 32 : 0));
}

// Whether `keys` occur in this order among the fold keys of `text` (ASCII, default mode) from the start;
// advances `next` past those found.
void matchInOrder(QStringView text, const uint32_t *keys, int size, int &next)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *const end = p + text.size();
    for (; next < size; ++next, ++p) {
        const uint32_t key = keys[next];
        const uint32_t upper = key - 'a' < 26 ? key - 32 : key;
        while (p != end && *p != key && *p != upper)
            ++p;
        if (p == end)
            return;
    }
}

// Whether the case keys `keys` occur together among the case keys of `text` (ASCII, default mode).
bool containsKeys(QStringView text, const uint32_t *keys, int size)
{
    for (qsizetype at = 0; at + size <= text.size(); ++at) {
        int i = 0;
        while (i < size && lowerAscii(text[at + i]) == keys[i])
            ++i;
        if (i == size)
            return true;
    }
    return false;
}

} // namespace

// A cheap look at the letters of ASCII texts under the default fold mode (a character's fold and case keys
// are its lower case). It rules a row out only when none of the three ways over the threshold is open:
// - a title form's fuzzy score is at most fuzzyScoreBound() counted over the keyword's keys that occur in it
//   (the plain form holds the same letters, plus spaces);
// - containment needs every key of the keyword in a title form;
// - a path form's score is over the threshold only when every key of the keyword occurs in it in order.
// It lets a row through without scoring its forms when the title holds the keyword (containment lists it,
// unless its title already scores exactly the threshold), or a one-key keyword occurs in its path form
// (listed unless that key is only found written otherwise inside a word): few of those rows are ruled out,
// and building them costs less than scoring the forms of all of them.
// `pathProgress`: how many keys of the keyword the path part of the path form (each element and a space, or a
// space alone) holds in order.
RowPrefilter::Verdict RowPrefilter::byLetters(QStringView title, int pathProgress) const
{
    const FoldedSpan keyword = m_keyword.span();
    if (keyword.size == 0 || title.isEmpty())
        return Verdict::Undecided;
    if (keyword.size == 1 && keyword.foldKeys[0] != u' ') {
        // One key (not a space, which the plain title form may add): a title without it scores 0 and does not
        // start with it, so only the path form, which must then hold it, can list the row.
        int next = pathProgress;
        matchInOrder(title, keyword.foldKeys, 1, next);
        return next == 1 ? Verdict::MayList : (m_threshold > 0 ? Verdict::Out : Verdict::Undecided);
    }
    uint64_t present[2] = {0, 0};
    for (QChar c : title) {
        const char16_t key = lowerAscii(c);
        present[key >> 6] |= uint64_t(1) << (key & 63);
    }
    static constexpr std::array<uint64_t, 2> kPunctuation = asciiPunctuation();
    if ((present[0] & kPunctuation[0]) || (present[1] & kPunctuation[1]))
        present[0] |= uint64_t(1) << u' ';
    int found = 0;
    for (int i = 0; i < keyword.size; ++i) {
        const uint32_t key = keyword.foldKeys[i];
        found += key < 0x80 && ((present[key >> 6] >> (key & 63)) & 1) ? 1 : 0;
    }
    if (found == keyword.size)
        return containsKeys(title, keyword.caseKeys, keyword.size) ? Verdict::MayList : Verdict::Undecided;
    const double size = double(title.size());
    const double words = double(keyword.size);
    double bound = 0.5 * (found / size + found / words) / (1.0 + (keyword.size - found) * (1.0 - m_fuzziness));
    const uint32_t first = lowerAscii(title[0]);
    if (first == keyword.firstDefaultKey || (isWordPunctuation(title[0]) && keyword.firstDefaultKey == u' '))
        bound += 0.15;
    // The margin covers rounding: the score sums its character scores one by one.
    if (bound + 1e-9 >= m_threshold)
        return Verdict::Undecided;
    int next = pathProgress;
    matchInOrder(title, keyword.foldKeys, keyword.size, next);
    if (next < keyword.size)
        return Verdict::Out;
    return keyword.size == 1 ? Verdict::MayList : Verdict::Undecided;
}

// The steps of SearchUtils::scoreRow() for a row of ASCII texts without live item, English title or history:
// its Latin forms equal its texts (so there are none), its only alternative title is the plain one, and the
// path form's mask is the mask of the path form itself. The keys come from appendFoldedKeys(), as the row's
// own forms would. The score before the submenu step.
double RowPrefilter::formsScore(QStringView title, std::span<const QStringView> path) const
{
    thread_local std::vector<uint32_t> block;
    thread_local std::u16string text;
    block.clear();
    const FoldMode mode = m_keyword.mode();
    const FoldedSpan keyword = m_keyword.span();
    const double threshold = m_threshold;
    const auto titleScore = [&](const FoldedSpan &form) {
        return fuzzyScoreBound(form, keyword, m_fuzziness) < threshold ? 0.0 : fuzzyScore(form, keyword, m_fuzziness);
    };

    const FoldedRange titleRange = appendFoldedKeys(title, mode, block);
    std::optional<FoldedRange> plainRange;
    if (spacedPunctuationInto(title, text))
        plainRange = appendFoldedKeys(viewOf(text), mode, block);
    const FoldedSpan titleForm = titleRange.spanIn(block);
    const std::optional<FoldedSpan> plainForm = plainRange ? std::optional(plainRange->spanIn(block)) : std::nullopt;
    double s = titleScore(titleForm);
    if (plainForm)
        s = std::max(s, titleScore(*plainForm));
    if (s < threshold &&
        (containsIgnoringCase(titleForm, keyword) || (plainForm && containsIgnoringCase(*plainForm, keyword))))
        s = threshold + 0.05;
    if (s < threshold) {
        joinFullForm(path, title, text);
        block.clear();
        s = pathFormScore(threshold, appendFoldedKeys(viewOf(text), mode, block).spanIn(block), keyword);
    }
    return s;
}

} // namespace tavolin
