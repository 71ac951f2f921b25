#include "Transliteration.h"

#include "common/Log.h"

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace tavolin {
namespace {

// Creating "Any-Latin" loads every script's rules (tens of milliseconds); build it once and give each thread
// a clone, because a transliterator must not be used by two threads at once.
const icu::Transliterator *prototype()
{
    static const std::unique_ptr<icu::Transliterator> instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(
            icu::UnicodeString(u"Any-Latin; NFD; [:Nonspacing Mark:] Remove; NFC"), UTRANS_FORWARD, status));
        if (U_FAILURE(status)) {
            log::error(QStringLiteral("Latin transliteration unavailable: %1").arg(QString::fromLatin1(u_errorName(status))));
            return std::unique_ptr<icu::Transliterator>();
        }
        return t;
    }();
    return instance.get();
}

icu::Transliterator *threadTransliterator()
{
    thread_local std::unique_ptr<icu::Transliterator> clone = [] {
        const icu::Transliterator *p = prototype();
        return std::unique_ptr<icu::Transliterator>(p ? p->clone() : nullptr);
    }();
    return clone.get();
}

bool isAscii(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

QString transliterated(const QString &text)
{
    icu::Transliterator *transliterator = threadTransliterator();
    if (!transliterator)
        return text;
    icu::UnicodeString buffer(reinterpret_cast<const char16_t *>(text.utf16()), static_cast<int32_t>(text.size()));
    transliterator->transliterate(buffer);
    return QString(reinterpret_cast<const QChar *>(buffer.getBuffer()), buffer.length());
}

// Latin letters (Latin-1, Extended-A and -B, Extended Additional) and general punctuation: characters of
// the Latin and Common scripts that are not combining marks. A text made only of them is one Latin run, which
// the transliteration leaves as it is before taking marks off, and no two of them compose: each character
// maps alone, so its mapping is looked up instead of running ICU over the text.
constexpr char16_t kLatinTableEnd = 0x2070;

bool isLatinTableChar(char16_t c)
{
    return c < 0x250 || (c >= 0x1e00 && c < 0x1f00) || (c >= 0x2000 && c < kLatinTableEnd);
}

// Each character's mapping, computed by ICU on first use and packed as [ready:1][length:2][unit:16][unit:16];
// length 3 marks a mapping longer than two units (the text then goes to ICU). Racing threads store the same
// value.
std::atomic<uint64_t> g_latinTable[kLatinTableEnd];

constexpr uint64_t kReady = uint64_t(1) << 40;

uint64_t latinEntry(char16_t c)
{
    uint64_t entry = g_latinTable[c].load(std::memory_order_relaxed);
    if (entry & kReady)
        return entry;
    const QString mapped = transliterated(QString(QChar(c)));
    const uint64_t length = mapped.size() > 2 ? 3 : uint64_t(mapped.size());
    entry = kReady | (length << 32);
    if (length >= 1 && length <= 2)
        entry |= uint64_t(mapped.at(0).unicode()) << 16;
    if (length == 2)
        entry |= mapped.at(1).unicode();
    g_latinTable[c].store(entry, std::memory_order_relaxed);
    return entry;
}

// The transliteration of a text made of table characters, or none when a character maps to more than two
// units. Returns the text itself (shared) when nothing changes.
std::optional<QString> latinByTable(const QString &text)
{
    QString result;
    bool changed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            if (changed)
                result.append(QChar(c));
            continue;
        }
        const uint64_t entry = latinEntry(c);
        const auto length = int((entry >> 32) & 3);
        if (length == 3)
            return std::nullopt;
        const char16_t units[2] = {char16_t((entry >> 16) & 0xffff), char16_t(entry & 0xffff)};
        if (!changed && length == 1 && units[0] == c)
            continue;
        if (!changed) {
            changed = true;
            result.reserve(text.size());
            result.append(QStringView(text).first(i));
        }
        result.append(QStringView(units, length));
    }
    return changed ? result : text;
}

bool isTrimmable(UChar32 c)
{
    if (U_IS_SURROGATE(c) || U_IS_UNICODE_NONCHAR(c))
        return true;
    const int8_t type = u_charType(c);
    return type == U_CONTROL_CHAR || type == U_FORMAT_CHAR || type == U_UNASSIGNED;
}

} // namespace

QString toLatin(const QString &text)
{
    if (isAscii(text))
        return text;
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return isLatinTableChar(c.unicode()); })) {
        if (std::optional<QString> latin = latinByTable(text))
            return *latin;
    }
    return transliterated(text);
}

QString toLatinWithIcu(const QString &text)
{
    return transliterated(text);
}

QString trimmedOfControls(const QString &text)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    while (begin < length) {
        int32_t next = begin;
        UChar32 c;
        U16_NEXT(units, next, length, c);
        if (!isTrimmable(c))
            break;
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        int32_t previous = end;
        UChar32 c;
        U16_PREV(units, begin, previous, c);
        if (!isTrimmable(c))
            break;
        end = previous;
    }
    return (begin == 0 && end == length) ? text : text.mid(begin, end - begin);
}

} // namespace tavolin
