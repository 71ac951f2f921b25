#pragma once

#include "palette/TextFolding.h"

#include <optional>

namespace tavolin {

// How well `text` matches the typed `word`, in [0, 1]. Characters are grapheme clusters; a character of the
// word matches one of the text ignoring case and marks (under the fold mode both were built with, which must
// be the same). Each character of the word is looked for at or after the previous match:
//   right after the previous match (or at the start): 0.7, after a space: 0.9, elsewhere: 0.1,
//   plus 0.1 when written exactly the same.
// A character not found ends the score at 0 without `fuzziness`; with it, it adds 1 − fuzziness to the
// divisor. Result: 0.5 × (sum / text length + sum / word length) / divisor, plus 0.15 when below 0.85 and
// the first characters match ignoring case and marks without locale rules. Equal texts (canonically
// equivalent) score 1, an empty text or word 0.
//
// Allocates nothing; safe from any thread.
double fuzzyScore(const FoldedSpan &text, const FoldedSpan &word, std::optional<double> fuzziness);
inline double fuzzyScore(const FoldedText &text, const FoldedText &word, std::optional<double> fuzziness)
{
    return fuzzyScore(text.span(), word.span(), fuzziness);
}

// A value fuzzyScore() never exceeds for these arguments, from the texts' masks alone (no scan): used to
// skip scores that cannot reach a threshold.
double fuzzyScoreBound(const FoldedSpan &text, const FoldedSpan &word, std::optional<double> fuzziness);

// Whether `word` occurs in `text` ignoring case only (marks count: "cafe" is not in "Café"), on cluster
// boundaries. An empty word is contained nowhere. Allocates nothing.
bool containsIgnoringCase(const FoldedSpan &text, const FoldedSpan &word);
inline bool containsIgnoringCase(const FoldedText &text, const FoldedText &word)
{
    return containsIgnoringCase(text.span(), word.span());
}

// Whether `text` begins with `word` ignoring case and marks. An empty word never matches. Allocates nothing.
bool startsWithFolded(const FoldedSpan &text, const FoldedSpan &word);
inline bool startsWithFolded(const FoldedText &text, const FoldedText &word)
{
    return startsWithFolded(text.span(), word.span());
}

} // namespace tavolin
