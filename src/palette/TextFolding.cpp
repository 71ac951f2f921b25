#include "TextFolding.h"
#include "common/Mutex.h"

#include <QHash>

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <atomic>
#include <memory>

namespace tavolin {
namespace {

constexpr uint32_t kInterned = 0x80000000u;
constexpr char16_t kDotlessI = 0x0131;

// Clusters that do not reduce to one code point ("ß" folds to "ss", emoji sequences, a letter with a mark
// that has no precomposed form). Ids are never reused, so a key stays valid for the life of the process.
class ClusterTable
{
public:
    uint32_t idOf(const QString &cluster)
    {
        MutexLocker lock(m_mutex);
        auto it = m_ids.constFind(cluster);
        if (it != m_ids.constEnd())
            return it.value();
        const auto id = static_cast<uint32_t>(m_ids.size());
        m_ids.insert(cluster, id);
        return id;
    }

private:
    Mutex m_mutex;
    QHash<QString, uint32_t> m_ids GUARDED_BY(m_mutex);
};

ClusterTable &clusterTable()
{
    static ClusterTable table;
    return table;
}

uint32_t keyOf(const icu::UnicodeString &form)
{
    if (form.length() > 0 && form.countChar32() == 1)
        return static_cast<uint32_t>(form.char32At(0));
    const QString text(reinterpret_cast<const QChar *>(form.getBuffer()), form.length());
    return kInterned | clusterTable().idOf(text);
}

struct Normalizers
{
    const icu::Normalizer2 *nfd = nullptr;
    const icu::Normalizer2 *nfc = nullptr;
};

const Normalizers &normalizers()
{
    static const Normalizers n = [] {
        Normalizers r;
        UErrorCode status = U_ZERO_ERROR;
        r.nfd = icu::Normalizer2::getNFDInstance(status);
        status = U_ZERO_ERROR;
        r.nfc = icu::Normalizer2::getNFCInstance(status);
        return r;
    }();
    return n;
}

icu::UnicodeString normalized(const icu::Normalizer2 *normalizer, const icu::UnicodeString &text)
{
    if (!normalizer)
        return text;
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = normalizer->normalize(text, status);
    return U_SUCCESS(status) ? result : text;
}

icu::UnicodeString withoutMarks(const icu::UnicodeString &decomposed)
{
    icu::UnicodeString result;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        const int8_t type = u_charType(c);
        if (type != U_NON_SPACING_MARK && type != U_ENCLOSING_MARK)
            result.append(c);
        i += U16_LENGTH(c);
    }
    return result;
}

uint32_t foldOptions(FoldMode mode)
{
    return mode == FoldMode::Turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT;
}

struct ClusterKeys
{
    uint32_t fold;
    uint32_t caseOnly;
    uint32_t exact;
};

ClusterKeys asciiKeys(char16_t c, FoldMode mode)
{
    uint32_t lower = (c >= u'A' && c <= u'Z') ? c + 32u : c;
    if (mode == FoldMode::Turkic && c == u'I')
        lower = kDotlessI;
    return {lower, lower, c};
}

// Canonical equivalence first, so a precomposed "é" and "e" + U+0301 get the same keys.
ClusterKeys icuClusterKeys(const char16_t *units, int32_t length, FoldMode mode)
{
    const Normalizers &n = normalizers();
    // Fold the composed form: Turkish folds "İ" to "i" only while its dot is not yet a separate mark.
    const icu::UnicodeString composed = normalized(n.nfc, icu::UnicodeString(units, length));
    icu::UnicodeString folded(composed);
    folded.foldCase(foldOptions(mode));
    const icu::UnicodeString foldedDecomposed = normalized(n.nfd, folded);
    const icu::UnicodeString bare = normalized(n.nfc, withoutMarks(foldedDecomposed));
    const uint32_t exact = keyOf(composed);
    // A lone mark folds to nothing; it then matches only itself.
    const uint32_t fold = bare.isEmpty() ? exact : keyOf(bare);
    return {fold, keyOf(normalized(n.nfc, foldedDecomposed)), exact};
}

// The keys of code points of the basic plane that always form a grapheme cluster alone, computed by ICU
// once per process and code point. Entries are filled lazily without a lock: threads that race compute the
// same values (interned ids are stable), and a ready bit published with release ordering guards each.
// Zero-initialised at compile time, so untouched pages cost nothing.
class SingleKeyTable
{
public:
    // Whether `c` (not ASCII) is its own cluster in any text; its keys for `mode` in `keys` when it is.
    bool keysFor(char16_t c, FoldMode mode, ClusterKeys &keys)
    {
        uint8_t state = m_state[c].load(std::memory_order_acquire);
        if (!(state & kClassified))
            state = m_state[c].fetch_or(classify(c), std::memory_order_acq_rel) | classify(c);
        if (!(state & kSingle))
            return false;
        const int m = mode == FoldMode::Turkic ? 1 : 0;
        const uint8_t ready = kReady << m;
        Entry &entry = m_keys[m][c];
        if (!(state & ready)) {
            const ClusterKeys computed = icuClusterKeys(&c, 1, mode);
            entry.fold.store(computed.fold, std::memory_order_relaxed);
            entry.caseOnly.store(computed.caseOnly, std::memory_order_relaxed);
            entry.exact.store(computed.exact, std::memory_order_relaxed);
            m_state[c].fetch_or(ready, std::memory_order_release);
            keys = computed;
            return true;
        }
        keys = {entry.fold.load(std::memory_order_relaxed), entry.caseOnly.load(std::memory_order_relaxed),
                entry.exact.load(std::memory_order_relaxed)};
        return true;
    }

private:
    static constexpr uint8_t kClassified = 1;
    static constexpr uint8_t kSingle = 2;
    static constexpr uint8_t kReady = 4; // << mode

    // Grapheme clusters join a code point to its neighbour only through CR LF, Extend, ZWJ, SpacingMark,
    // Prepend, Hangul jamo and regional indicators (surrogate pairs); every other break class stands alone.
    static uint8_t classify(char16_t c)
    {
        if (U16_IS_SURROGATE(c))
            return kClassified;
        const auto type = static_cast<UGraphemeClusterBreak>(u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK));
        const bool single = type == U_GCB_OTHER || type == U_GCB_CONTROL || type == U_GCB_CR || type == U_GCB_LF;
        return single ? kClassified | kSingle : kClassified;
    }

    struct Entry
    {
        std::atomic<uint32_t> fold;
        std::atomic<uint32_t> caseOnly;
        std::atomic<uint32_t> exact;
    };

    std::atomic<uint8_t> m_state[0x10000];
    Entry m_keys[2][0x10000]; // [fold mode][code unit]
};

SingleKeyTable &singleKeyTable()
{
    static SingleKeyTable table;
    return table;
}

ClusterKeys clusterKeys(const char16_t *units, int32_t length, FoldMode mode)
{
    if (length == 1) {
        if (units[0] < 0x80)
            return asciiKeys(units[0], mode);
        ClusterKeys keys;
        if (singleKeyTable().keysFor(units[0], mode, keys))
            return keys;
    }
    return icuClusterKeys(units, length, mode);
}

icu::BreakIterator *clusterBreaker()
{
    thread_local std::unique_ptr<icu::BreakIterator> breaker = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> b(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(b) : nullptr;
    }();
    return breaker.get();
}

// The fast path: writes the keys of a text whose every code unit is a cluster of its own into `out`
// (fold keys, case keys, exact keys; room for 3 × length; null: the mask only) and fills `range`. False,
// with `out` scribbled on, when the text needs ICU.
bool foldSingles(const char16_t *units, int32_t length, FoldMode mode, uint32_t *out, FoldedRange &range)
{
    SingleKeyTable &table = singleKeyTable();
    uint64_t mask = 0;
    for (int32_t i = 0; i < length; ++i) {
        const char16_t c = units[i];
        ClusterKeys keys;
        if (c < 0x80) {
            if (c == u'\r' && i + 1 < length && units[i + 1] == u'\n')
                return false;
            keys = asciiKeys(c, mode);
        } else if (!table.keysFor(c, mode, keys)) {
            return false;
        }
        if (out) {
            out[i] = keys.fold;
            out[length + i] = keys.caseOnly;
            out[2 * length + i] = keys.exact;
        }
        mask |= foldMaskBit(keys.fold);
    }
    range.size = length;
    range.mask = mask;
    range.firstDefaultKey = length > 0 ? clusterKeys(units, 1, FoldMode::Default).fold : 0;
    range.withoutIcu = true;
    return true;
}

// The general path: clusters from ICU's break iterator (single code units without ICU data), keyed one by
// one; `route` IcuOnly keys every cluster through ICU, bypassing the ASCII rule and the table.
FoldedRange appendClusterKeys(const char16_t *units, int32_t length, FoldMode mode, FoldedText::Route route,
                              std::vector<uint32_t> &block)
{
    const auto keyed = [route](const char16_t *cluster, int32_t size, FoldMode foldMode) {
        return route == FoldedText::Route::IcuOnly ? icuClusterKeys(cluster, size, foldMode)
                                                   : clusterKeys(cluster, size, foldMode);
    };
    std::vector<ClusterKeys> keys;
    keys.reserve(static_cast<size_t>(length));
    int32_t firstEnd = 0;
    if (icu::BreakIterator *breaker = clusterBreaker()) {
        const icu::UnicodeString alias(false, units, length);
        breaker->setText(alias);
        int32_t begin = breaker->first();
        for (int32_t end = breaker->next(); end != icu::BreakIterator::DONE; begin = end, end = breaker->next()) {
            if (keys.empty())
                firstEnd = end;
            keys.push_back(keyed(units + begin, end - begin, mode));
        }
        breaker->setText(icu::UnicodeString()); // drop the alias before the text can go away
    } else {
        for (int32_t i = 0; i < length; ++i)
            keys.push_back(keyed(units + i, 1, mode));
        firstEnd = length > 0 ? 1 : 0;
    }
    FoldedRange range;
    range.offset = block.size();
    range.size = static_cast<int>(keys.size());
    block.resize(range.offset + 3 * keys.size());
    uint32_t *out = block.data() + range.offset;
    for (size_t i = 0; i < keys.size(); ++i) {
        out[i] = keys[i].fold;
        out[keys.size() + i] = keys[i].caseOnly;
        out[2 * keys.size() + i] = keys[i].exact;
        range.mask |= foldMaskBit(keys[i].fold);
    }
    if (!keys.empty())
        range.firstDefaultKey = mode == FoldMode::Default ? keys[0].fold : keyed(units, firstEnd, FoldMode::Default).fold;
    return range;
}

} // namespace

FoldMode foldModeForLocale(const std::optional<QLocale> &locale)
{
    if (!locale)
        return FoldMode::Default;
    const QLocale::Language language = locale->language();
    return (language == QLocale::Turkish || language == QLocale::Azerbaijani) ? FoldMode::Turkic : FoldMode::Default;
}

bool foldsWithoutIcu(QStringView text)
{
    SingleKeyTable &table = singleKeyTable();
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i) {
        ClusterKeys keys;
        if (units[i] < 0x80 ? (units[i] == u'\r' && i + 1 < text.size() && units[i + 1] == u'\n')
                            : !table.keysFor(units[i], FoldMode::Default, keys))
            return false;
    }
    return true;
}

std::optional<uint64_t> foldedMaskWithoutIcu(QStringView text, FoldMode mode)
{
    FoldedRange range;
    if (!foldSingles(reinterpret_cast<const char16_t *>(text.utf16()), static_cast<int32_t>(text.size()), mode,
                     nullptr, range))
        return std::nullopt;
    return range.mask;
}

FoldedRange appendFoldedKeys(QStringView text, FoldMode mode, std::vector<uint32_t> &block)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    FoldedRange range;
    range.offset = block.size();
    block.resize(range.offset + 3 * static_cast<size_t>(length));
    if (foldSingles(units, length, mode, block.data() + range.offset, range))
        return range;
    block.resize(range.offset);
    return appendClusterKeys(units, length, mode, FoldedText::Route::Fastest, block);
}

FoldedText::FoldedText(const QString &text, FoldMode mode, Route route)
    : m_text(text), m_mode(mode)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    const FoldedRange range = route == Route::Fastest ? appendFoldedKeys(text, mode, m_keys)
                                                      : appendClusterKeys(units, length, mode, route, m_keys);
    m_size = range.size;
    m_mask = range.mask;
    m_firstDefaultKey = range.firstDefaultKey;
}

} // namespace tavolin
