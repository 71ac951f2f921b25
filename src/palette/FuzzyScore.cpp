#include "FuzzyScore.h"

#include <algorithm>

namespace tavolin {
namespace {

int findFrom(const uint32_t *keys, int size, int start, uint32_t key)
{
    const uint32_t *found = std::find(keys + start, keys + size, key);
    return found == keys + size ? -1 : static_cast<int>(found - keys);
}

bool sameText(const FoldedSpan &a, const FoldedSpan &b)
{
    if (a.size != b.size)
        return false;
    for (int i = 0; i < a.size; ++i) {
        if (a.exactKeys[i] != b.exactKeys[i])
            return false;
    }
    return true;
}

constexpr uint32_t kSpace = u' ';
constexpr double kBestCharScore = 1.0; // after a space and written the same

} // namespace

// Worked example, "New Window" against "nw" with fuzziness 0.2: "n" is found at 0, the start (0.7, but "N"
// is not written as "n"); "w" is first found in "New" at 2, neither the start nor after a space (0.1), written
// the same (+0.1). Sum 0.9: 0.5 × (0.9/10 + 0.9/2) = 0.27, below 0.85 with equal first letters: 0.42.
// The initial of "Window" is never considered: the first occurrence always wins.
double fuzzyScore(const FoldedSpan &text, const FoldedSpan &word, std::optional<double> fuzziness)
{
    if (sameText(text, word))
        return 1.0;
    const int textSize = text.size;
    const int wordSize = word.size;
    if (textSize == 0 || wordSize == 0)
        return 0.0;
    if (!fuzziness && (word.mask & ~text.mask) != 0)
        return 0.0; // some character is certainly missing
    const double fuzzyFactor = fuzziness ? 1.0 - *fuzziness : 0.0;
    double running = 0.0;
    double fuzzies = 1.0;
    int start = 0;
    for (int i = 0; i < wordSize; ++i) {
        const int p = findFrom(text.foldKeys, textSize, start, word.foldKeys[i]);
        if (p < 0) {
            if (!fuzziness)
                return 0.0;
            fuzzies += fuzzyFactor;
            continue;
        }
        double charScore = p == start ? 0.7 : (text.exactKeys[p - 1] == kSpace ? 0.9 : 0.1);
        if (text.exactKeys[p] == word.exactKeys[i])
            charScore += 0.1;
        running += charScore;
        start = p + 1;
    }
    double final = 0.5 * (running / textSize + running / wordSize) / fuzzies;
    if (final < 0.85 && text.firstDefaultKey == word.firstDefaultKey)
        final += 0.15;
    return final;
}

// Every word character whose mask bit is in the text may score at most kBestCharScore; every other one is
// certainly missing.
double fuzzyScoreBound(const FoldedSpan &text, const FoldedSpan &word, std::optional<double> fuzziness)
{
    if (text.size == 0 || word.size == 0)
        return text.size == word.size ? 1.0 : 0.0;
    int present = 0;
    for (int i = 0; i < word.size; ++i)
        present += (text.mask & foldMaskBit(word.foldKeys[i])) ? 1 : 0;
    if (present == word.size && text.size == word.size)
        return 1.0; // may be the same text
    if (!fuzziness && present < word.size)
        return 0.0;
    const double fuzzies = 1.0 + (word.size - present) * (fuzziness ? 1.0 - *fuzziness : 0.0);
    const double running = present * kBestCharScore;
    double bound = 0.5 * (running / text.size + running / word.size) / fuzzies;
    if (text.firstDefaultKey == word.firstDefaultKey)
        bound += 0.15;
    return bound;
}

bool containsIgnoringCase(const FoldedSpan &text, const FoldedSpan &word)
{
    const int textSize = text.size;
    const int wordSize = word.size;
    if (wordSize == 0 || wordSize > textSize || (word.mask & ~text.mask) != 0)
        return false;
    const uint32_t *const last = text.caseKeys + (textSize - wordSize) + 1;
    for (const uint32_t *p = text.caseKeys; (p = std::find(p, last, word.caseKeys[0])) != last; ++p) {
        if (std::equal(word.caseKeys + 1, word.caseKeys + wordSize, p + 1))
            return true;
    }
    return false;
}

bool startsWithFolded(const FoldedSpan &text, const FoldedSpan &word)
{
    if (word.size == 0 || word.size > text.size)
        return false;
    for (int i = 0; i < word.size; ++i) {
        if (text.foldKeys[i] != word.foldKeys[i])
            return false;
    }
    return true;
}

} // namespace tavolin
