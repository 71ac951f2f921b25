#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavolin {

// How case is folded. Only Turkish and Azerbaijani need their own rule (I ↔ ı, İ ↔ i); every other locale
// folds the same way, so a locale is reduced to this choice once per search.
enum class FoldMode : uint8_t { Default, Turkic };

FoldMode foldModeForLocale(const std::optional<QLocale> &locale);

// A read-only view of folded keys (see FoldedText), as the matching functions take them. It does not own
// the keys: it is valid while the FoldedText or block it points into lives unchanged.
struct FoldedSpan
{
    const uint32_t *foldKeys = nullptr;
    const uint32_t *caseKeys = nullptr;
    const uint32_t *exactKeys = nullptr;
    int size = 0;
    // One bit per fold key present (hashed into 64 bits): a word with a key whose bit is missing here
    // cannot match that cluster anywhere in the text.
    uint64_t mask = 0;
    uint32_t firstDefaultKey = 0;

    bool isEmpty() const { return size == 0; }
};

// The mask bit of a fold key.
inline uint64_t foldMaskBit(uint32_t key)
{
    return uint64_t(1) << ((key * 2654435761u) >> 26);
}

// Where appendFoldedKeys() put a text's keys in a block: `size` fold keys at `offset`, then as many case
// keys, then as many exact keys, as FoldedText lays them out. Offsets stay valid when the block grows.
struct FoldedRange
{
    size_t offset = 0;
    int size = 0;
    uint64_t mask = 0;
    uint32_t firstDefaultKey = 0;
    bool withoutIcu = false; // the text took the fast path (see foldsWithoutIcu)

    // The span over `block`, valid while the block is not resized.
    FoldedSpan spanIn(const std::vector<uint32_t> &block) const
    {
        const uint32_t *keys = block.data() + offset;
        return {keys, keys + size, keys + 2 * size, size, mask, firstDefaultKey};
    }
};

// Appends the keys FoldedText(text, mode) would hold to `block`, without building a FoldedText when the
// fast path applies. Thread-safe; the block is the caller's.
FoldedRange appendFoldedKeys(QStringView text, FoldMode mode, std::vector<uint32_t> &block);

// The mask FoldedText(text, mode) would have, computed without keys; none when `text` needs ICU (see
// foldsWithoutIcu), so that the mask can only be had by folding. Thread-safe.
std::optional<uint64_t> foldedMaskWithoutIcu(QStringView text, FoldMode mode);

// Whether folding `text` can skip ICU: every code point of the basic plane is a grapheme cluster of its
// own (no combining marks, joiners, Hangul jamo or CR LF pairs, no surrogates), so each is keyed alone
// from a per-process table. Exposed for tests comparing both ways.
bool foldsWithoutIcu(QStringView text);

// A text cut into grapheme clusters (user-perceived characters), each cluster reduced to three integer keys
// so that matching compares integers and allocates nothing:
//   foldKey  – case folded, combining marks removed ("É" and "e" share one)
//   caseKey  – case folded, marks kept ("É" and "é" share one, "e" differs)
//   exactKey – the cluster as written (canonically equivalent spellings share one)
// A cluster that is one code point after the reduction is keyed by that code point; any other cluster by an
// id from a process-wide table of such clusters (bit 31 set). Equal keys therefore mean equal text.
//
// Building allocates; it calls ICU only for texts that need it (see foldsWithoutIcu); reading is free.
// Immutable once built and safe to read from any thread; building is thread-safe.
class FoldedText
{
public:
    enum class Route : uint8_t { Fastest, IcuOnly };

    FoldedText() = default;
    FoldedText(const QString &text, FoldMode mode) : FoldedText(text, mode, Route::Fastest) {}
    // Route::IcuOnly cuts and keys every cluster through ICU, skipping the fast path: the reference the
    // fast path is tested against.
    FoldedText(const QString &text, FoldMode mode, Route route);

    const QString &text() const { return m_text; }
    FoldMode mode() const { return m_mode; }
    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

    const uint32_t *foldKeys() const { return m_keys.data(); }
    const uint32_t *caseKeys() const { return m_keys.data() + m_size; }
    const uint32_t *exactKeys() const { return m_keys.data() + 2 * m_size; }
    // foldKey of the first cluster under FoldMode::Default (0 when empty): the locale-free comparison of
    // first characters.
    uint32_t firstDefaultKey() const { return m_firstDefaultKey; }
    uint64_t mask() const { return m_mask; }

    FoldedSpan span() const
    {
        return {foldKeys(), caseKeys(), exactKeys(), m_size, m_mask, m_firstDefaultKey};
    }

private:
    QString m_text;
    FoldMode m_mode = FoldMode::Default;
    int m_size = 0;
    std::vector<uint32_t> m_keys; // fold keys, then case keys, then exact keys
    uint32_t m_firstDefaultKey = 0;
    uint64_t m_mask = 0;
};

} // namespace tavolin
