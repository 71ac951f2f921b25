// The desktop's recently-used.xbel, written by any program of the session.
#include "FuzzSupport.h"

#include "files/RecentDocuments.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray xbel(reinterpret_cast<const char *>(data), qsizetype(size));
    recentdocuments::AppMatch app;
    app.names = {QStringLiteral("Mousepad"), QStringLiteral("mousepad"), QStringLiteral("org.xfce.mousepad")};
    app.executable = QStringLiteral("mousepad");
    recentdocuments::Limits limits;
    limits.maxDocuments = 5;
    const std::optional<QList<recentdocuments::Document>> documents = recentdocuments::parse(xbel, app, limits);
    if (!documents)
        return 0;
    fuzz::require(documents->size() <= limits.maxDocuments, "at most maxDocuments documents");
    for (const recentdocuments::Document &document : *documents)
        fuzz::require(document.url.isLocalFile(), "only local files are listed", document.url.toString());
    return 0;
}
