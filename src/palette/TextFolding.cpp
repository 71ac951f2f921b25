#include "TextFolding.h"

#include <QHash>

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

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
        std::lock_guard lock(m_mutex);
        auto it = m_ids.constFind(cluster);
        if (it != m_ids.constEnd())
            return it.value();
        const auto id = static_cast<uint32_t>(m_ids.size());
        m_ids.insert(cluster, id);
        return id;
    }

private:
    std::mutex m_mutex;
    QHash<QString, uint32_t> m_ids; // guarded by m_mutex
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
ClusterKeys clusterKeys(const char16_t *units, int32_t length, FoldMode mode)
{
    if (length == 1 && units[0] < 0x80 && units[0] != u'\r')
        return asciiKeys(units[0], mode);
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

icu::BreakIterator *clusterBreaker()
{
    thread_local std::unique_ptr<icu::BreakIterator> breaker = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> b(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(b) : nullptr;
    }();
    return breaker.get();
}

bool isPlainAscii(const char16_t *units, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        if (units[i] >= 0x80 || units[i] == u'\r')
            return false;
    }
    return true;
}

} // namespace

FoldMode foldModeForLocale(const std::optional<QLocale> &locale)
{
    if (!locale)
        return FoldMode::Default;
    const QLocale::Language language = locale->language();
    return (language == QLocale::Turkish || language == QLocale::Azerbaijani) ? FoldMode::Turkic : FoldMode::Default;
}

FoldedText::FoldedText(const QString &text, FoldMode mode)
    : m_text(text), m_mode(mode)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    std::vector<ClusterKeys> keys;
    keys.reserve(static_cast<size_t>(length));
    int32_t firstEnd = 0;
    icu::BreakIterator *breaker = isPlainAscii(units, length) ? nullptr : clusterBreaker();
    if (!breaker) {
        // ASCII without CR: every unit is a cluster. (Without ICU data this also degrades to units.)
        for (int32_t i = 0; i < length; ++i)
            keys.push_back(clusterKeys(units + i, 1, mode));
        firstEnd = length > 0 ? 1 : 0;
    } else {
        const icu::UnicodeString alias(false, units, length);
        breaker->setText(alias);
        int32_t begin = breaker->first();
        for (int32_t end = breaker->next(); end != icu::BreakIterator::DONE; begin = end, end = breaker->next()) {
            if (keys.empty())
                firstEnd = end;
            keys.push_back(clusterKeys(units + begin, end - begin, mode));
        }
        breaker->setText(icu::UnicodeString()); // drop the alias before `text` can go away
    }
    m_size = static_cast<int>(keys.size());
    m_keys.resize(3 * keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        m_keys[i] = keys[i].fold;
        m_keys[keys.size() + i] = keys[i].caseOnly;
        m_keys[2 * keys.size() + i] = keys[i].exact;
        m_mask |= foldMaskBit(keys[i].fold);
    }
    if (m_size > 0)
        m_firstDefaultKey = mode == FoldMode::Default ? keys[0].fold
                                                      : clusterKeys(units, firstEnd, FoldMode::Default).fold;
}

} // namespace tavolin
