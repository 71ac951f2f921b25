#include "Transliteration.h"

#include "common/Log.h"

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <memory>
#include <mutex>

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
    icu::Transliterator *transliterator = threadTransliterator();
    if (!transliterator)
        return text;
    icu::UnicodeString buffer(reinterpret_cast<const char16_t *>(text.utf16()), static_cast<int32_t>(text.size()));
    transliterator->transliterate(buffer);
    return QString(reinterpret_cast<const QChar *>(buffer.getBuffer()), buffer.length());
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
