// The file that keeps transliterations between processes. It reads whole or as nothing, within its bounds,
// and what reads is written back to the same entries.
#include "FuzzSupport.h"

#include "palette/TransliterationCacheFile.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUpApplication();
    const QByteArray tag = "icu 72.1 Any-Latin";
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<transliterationcache::Entries> read = transliterationcache::decode(bytes, tag);
    if (!read)
        return 0;
    fuzz::require(read->size() <= transliterationcache::kMaxEntries, "at most kMaxEntries entries");
    const QByteArray written = transliterationcache::encode(*read, tag);
    const std::optional<transliterationcache::Entries> again = transliterationcache::decode(written, tag);
    fuzz::require(again && *again == *read, "a cache read back from what it wrote is the same", QString::fromUtf8(written));
    return 0;
}
