// Compiled gettext catalogs of other applications: any bytes are refused or read, never crash.
#include "accessibility/MoCatalog.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)MoCatalog::parse(bytes);
    return 0;
}
