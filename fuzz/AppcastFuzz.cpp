// The update feed, read from the network: a feed, then two version texts of it compared.
#include "FuzzSupport.h"

#include "ui/shell/Appcast.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const std::optional<AppcastItem> item = appcast::newestItem(bytes)) {
        fuzz::require(!item->version.isEmpty(), "the newest item has a version");
        fuzz::require(!item->displayVersion.isEmpty(), "the newest item has a version to show");
    }

    // Versions as a feed may write them: the order must be one a sort can rely on.
    const QList<QByteArray> parts = fuzz::splitInput(data, size, 2);
    const QString a = QString::fromUtf8(parts.at(0));
    const QString b = QString::fromUtf8(parts.at(1));
    const int ab = appcast::compareVersions(a, b);
    const int ba = appcast::compareVersions(b, a);
    fuzz::require((ab > 0) == (ba < 0) && (ab == 0) == (ba == 0), "version order is antisymmetric",
                  a + QLatin1Char('|') + b);
    fuzz::require(appcast::compareVersions(a, a) == 0, "a version equals itself", a);
    return 0;
}
