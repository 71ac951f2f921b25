#include "Transliteration.h"

#include "common/Log.h"
#include "common/Mutex.h"
#include "common/ViewMap.h"
#include "palette/TransliterationCacheFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <QHashFunctions>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/uversion.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <optional>

namespace tavolin {
namespace {

constexpr char kTransliteration[] = "Any-Latin; NFD; [:Nonspacing Mark:] Remove; NFC";

// One transliterator for the process, used under a lock. Creating "Any-Latin" takes tens of milliseconds and
// each script's rules are compiled on first use (Chinese: about 100 ms); clones, one per thread, would each
// compile them again when they meet a script at the same time. The memo in front of it (see SegmentMemo)
// keeps calls rare, so threads seldom wait here.
class SharedTransliterator
{
public:
    SharedTransliterator()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_transliterator.reset(
            icu::Transliterator::createInstance(icu::UnicodeString::fromUTF8(kTransliteration), UTRANS_FORWARD, status));
        if (U_FAILURE(status)) {
            log::error(QStringLiteral("Latin transliteration unavailable: %1").arg(QString::fromLatin1(u_errorName(status))));
            m_transliterator.reset();
        }
    }

    // `text` itself when the transliteration data cannot be loaded.
    QString transliterate(const QString &text)
    {
        if (!m_transliterator)
            return text;
        icu::UnicodeString buffer(reinterpret_cast<const char16_t *>(text.utf16()), static_cast<int32_t>(text.size()));
        {
            MutexLocker lock(m_mutex);
            m_transliterator->transliterate(buffer);
        }
        return QString(reinterpret_cast<const QChar *>(buffer.getBuffer()), buffer.length());
    }

private:
    Mutex m_mutex;
    std::unique_ptr<icu::Transliterator> m_transliterator PT_GUARDED_BY(m_mutex); // set once at construction
};

QString transliterated(const QString &text)
{
    static SharedTransliterator shared;
    return shared.transliterate(text);
}

bool isAscii(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
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

// Transliterations of the texts between safe spaces (see safeSpaceAt), computed by ICU once each: menu titles
// repeat their words ("源文件", "Файл"), and ICU takes tens of microseconds a word. Sharded so threads rarely
// wait on each other; a shard that reaches its bound starts again empty, so memory stays bounded whatever
// the texts.
//
// With a cache file, the memo starts from what earlier processes computed and hands what this one computed
// back to it: ICU compiles a script's rules on its first text (Chinese: 0.1 s and more), which a new process
// would otherwise pay again for the same titles.
class SegmentMemo
{
public:
    QString latinOf(QStringView segment)
    {
        loadCacheOnce();
        const size_t hash = qHash(segment);
        Shard &shard = m_shards[hash % kShards];
        {
            MutexLocker lock(shard.mutex);
            const auto it = shard.latin.find(segment);
            if (it != shard.latin.end())
                return it->second;
        }
        QString latin = transliterated(segment.toString());
        {
            MutexLocker lock(shard.mutex);
            if (shard.latin.size() >= kShardBound)
                shard.latin.clear();
            shard.latin.emplace(segment.toString(), latin);
        }
        MutexLocker lock(m_cacheMutex);
        if (!m_cachePath.isEmpty() && m_fresh.size() < transliterationcache::kMaxEntries)
            m_fresh.insert(segment.toString(), latin);
        return latin;
    }

    void useCacheFile(const QString &path)
    {
        MutexLocker lock(m_cacheMutex);
        m_cachePath = path;
        m_fresh.clear();
        m_cacheLoaded.store(false);
    }

    bool saveCache()
    {
        MutexLocker saving(m_saveMutex);
        QString path;
        transliterationcache::Entries fresh;
        {
            MutexLocker lock(m_cacheMutex);
            if (m_cachePath.isEmpty() || m_fresh.isEmpty())
                return true;
            path = m_cachePath;
            fresh.swap(m_fresh);
        }
        // What other processes wrote since this one read the file stays: entries are only ever added.
        transliterationcache::Entries all = readCacheFile(path).value_or(transliterationcache::Entries());
        for (auto it = fresh.cbegin(); it != fresh.cend() && all.size() < transliterationcache::kMaxEntries; ++it)
            all.insert(it.key(), it.value());
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(transliterationcache::encode(all, cacheTag())) < 0
            || !file.commit()) {
            log::info(QStringLiteral("could not write the transliteration cache %1: %2").arg(path, file.errorString()));
            return false;
        }
        return true;
    }

private:
    static constexpr size_t kShards = 16;
    static constexpr size_t kShardBound = 2048;

    struct Shard
    {
        Mutex mutex;
        ViewMap<QString> latin GUARDED_BY(mutex);
    };

    // ICU's version and the transliteration's rules: a file written under others reads as nothing.
    static QByteArray cacheTag()
    {
        UVersionInfo version;
        u_getVersion(version);
        char text[U_MAX_VERSION_STRING_LENGTH];
        u_versionToString(version, text);
        return QByteArray("icu ") + text + ' ' + QByteArray(kTransliteration);
    }

    static std::optional<transliterationcache::Entries> readCacheFile(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > transliterationcache::kMaxBytes)
            return std::nullopt;
        return transliterationcache::decode(file.readAll(), cacheTag());
    }

    void loadCacheOnce()
    {
        if (m_cacheLoaded.load(std::memory_order_acquire))
            return;
        MutexLocker lock(m_cacheMutex);
        if (m_cacheLoaded.load(std::memory_order_relaxed))
            return;
        m_cacheLoaded.store(true, std::memory_order_release);
        if (m_cachePath.isEmpty())
            return;
        const std::optional<transliterationcache::Entries> entries = readCacheFile(m_cachePath);
        if (!entries) {
            if (QFileInfo::exists(m_cachePath))
                log::info(QStringLiteral("the transliteration cache %1 does not read; it will be written anew").arg(m_cachePath));
            return;
        }
        for (auto it = entries->cbegin(); it != entries->cend(); ++it) {
            Shard &shard = m_shards[qHash(it.key()) % kShards];
            MutexLocker shardLock(shard.mutex);
            if (shard.latin.size() < kShardBound)
                shard.latin.emplace(it.key(), it.value());
        }
    }

    std::array<Shard, kShards> m_shards;
    Mutex m_cacheMutex;
    QString m_cachePath GUARDED_BY(m_cacheMutex);
    transliterationcache::Entries m_fresh GUARDED_BY(m_cacheMutex); // computed here, not yet in the file
    std::atomic<bool> m_cacheLoaded{false}; // set under m_cacheMutex
    Mutex m_saveMutex;                 // one save at a time
};

SegmentMemo &segmentMemo()
{
    static SegmentMemo memo;
    return memo;
}

// A letter that ICU's script runs and rules never reach past: a letter (not a modifier letter such as "ー" or
// the iteration marks "ゝ", "ヽ", which repeat the character before them) of a script of its own (not Common
// or Inherited, which join the run of a neighbour).
bool isSelfContainedLetter(UChar32 c)
{
    switch (u_charType(c)) {
    case U_UPPERCASE_LETTER: case U_LOWERCASE_LETTER: case U_TITLECASE_LETTER: case U_OTHER_LETTER:
        break;
    default:
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(c, &status);
    return U_SUCCESS(status) && script != USCRIPT_COMMON && script != USCRIPT_INHERITED;
}

// Whether the space at `at` cuts `text` into two parts that transliterate alone exactly as they do together:
// it lies between two self-contained letters. ("文件 Файл" cuts; "ぅ〘 〡肛" does not: "〘" and "〡" join the
// script runs on either side.) Checked against ICU over generated texts by the tests.
bool safeSpaceAt(const char16_t *units, int32_t length, int32_t at)
{
    if (units[at] != u' ' || at == 0 || at + 1 >= length)
        return false;
    int32_t before = at;
    UChar32 previous;
    U16_PREV(units, 0, before, previous);
    int32_t after = at + 1;
    UChar32 next;
    U16_NEXT(units, after, length, next);
    return isSelfContainedLetter(previous) && isSelfContainedLetter(next);
}

// The transliteration of one part between safe spaces: itself when ASCII, from the Latin table when it is
// made of table characters, else from the memo.
void appendLatinSegment(QStringView segment, QString &out)
{
    if (std::all_of(segment.begin(), segment.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        out.append(segment);
        return;
    }
    if (std::all_of(segment.begin(), segment.end(), [](QChar c) { return isLatinTableChar(c.unicode()); })) {
        if (std::optional<QString> latin = latinByTable(segment.toString())) {
            out.append(*latin);
            return;
        }
    }
    out.append(segmentMemo().latinOf(segment));
}

QString latinBySegments(const QString &text)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    QString result;
    result.reserve(text.size() + text.size() / 2);
    int32_t begin = 0;
    for (int32_t at = 1; at < length; ++at) {
        if (!safeSpaceAt(units, length, at))
            continue;
        appendLatinSegment(QStringView(units + begin, at - begin), result);
        result.append(QLatin1Char(' '));
        begin = at + 1;
    }
    appendLatinSegment(QStringView(units + begin, length - begin), result);
    return result == text ? text : result;
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
    return latinBySegments(text);
}

void useTransliterationCache(const QString &path)
{
    segmentMemo().useCacheFile(path);
}

bool saveTransliterationCache()
{
    return segmentMemo().saveCache();
}

QString toLatinWithIcu(const QString &text)
{
    return transliterated(text);
}

QString trimmedOfControls(const QString &text)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    // One pass: the kept part runs from the first code point that stays to the end of the last one.
    int32_t begin = length;
    int32_t end = length;
    for (int32_t next = 0; next < length;) {
        const int32_t start = next;
        UChar32 c;
        U16_NEXT(units, next, length, c);
        if (isTrimmable(c))
            continue;
        begin = std::min(begin, start);
        end = next;
    }
    return (begin == 0 && end == length) ? text : text.mid(begin, end - begin);
}

} // namespace tavolin
