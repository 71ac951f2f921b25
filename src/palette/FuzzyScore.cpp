#include "FuzzyScore.h"

namespace tavolin {
namespace {

int findFrom(const uint32_t *keys, int size, int start, uint32_t key)
{
    for (int p = start; p < size; ++p) {
        if (keys[p] == key)
            return p;
    }
    return -1;
}

constexpr uint32_t kSpace = u' ';

} // namespace

// Worked example, "New Window" against "nw" with fuzziness 0.2: "n" is found at 0, the start (0.7, but "N"
// is not written as "n"); "w" is first found in "New" at 2, neither the start nor after a space (0.1), written
// the same (+0.1). Sum 0.9: 0.5 × (0.9/10 + 0.9/2) = 0.27, below 0.85 with equal first letters: 0.42.
// The initial of "Window" is never considered: the first occurrence always wins.
double fuzzyScore(const FoldedText &text, const FoldedText &word, std::optional<double> fuzziness)
{
    if (text.text() == word.text())
        return 1.0;
    const int textSize = text.size();
    const int wordSize = word.size();
    if (textSize == 0 || wordSize == 0)
        return 0.0;
    const uint32_t *textFold = text.foldKeys();
    const uint32_t *textExact = text.exactKeys();
    const uint32_t *wordFold = word.foldKeys();
    const uint32_t *wordExact = word.exactKeys();
    const double fuzzyFactor = fuzziness ? 1.0 - *fuzziness : 0.0;
    double running = 0.0;
    double fuzzies = 1.0;
    int start = 0;
    for (int i = 0; i < wordSize; ++i) {
        const int p = findFrom(textFold, textSize, start, wordFold[i]);
        if (p < 0) {
            if (!fuzziness)
                return 0.0;
            fuzzies += fuzzyFactor;
            continue;
        }
        double charScore = p == start ? 0.7 : (textExact[p - 1] == kSpace ? 0.9 : 0.1);
        if (textExact[p] == wordExact[i])
            charScore += 0.1;
        running += charScore;
        start = p + 1;
    }
    double final = 0.5 * (running / textSize + running / wordSize) / fuzzies;
    if (final < 0.85 && text.firstDefaultKey() == word.firstDefaultKey())
        final += 0.15;
    return final;
}

bool containsIgnoringCase(const FoldedText &text, const FoldedText &word)
{
    const int textSize = text.size();
    const int wordSize = word.size();
    if (wordSize == 0 || wordSize > textSize)
        return false;
    const uint32_t *haystack = text.caseKeys();
    const uint32_t *needle = word.caseKeys();
    for (int p = 0; p + wordSize <= textSize; ++p) {
        int i = 0;
        while (i < wordSize && haystack[p + i] == needle[i])
            ++i;
        if (i == wordSize)
            return true;
    }
    return false;
}

bool startsWithFolded(const FoldedText &text, const FoldedText &word)
{
    const int wordSize = word.size();
    if (wordSize == 0 || wordSize > text.size())
        return false;
    for (int i = 0; i < wordSize; ++i) {
        if (text.foldKeys()[i] != word.foldKeys()[i])
            return false;
    }
    return true;
}

} // namespace tavolin
