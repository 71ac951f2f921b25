// An application's extension list from the shared database (written by the preferences program, or by
// anything that can write the user's files). A list that reads is written back to the same list.
#include "FuzzSupport.h"

#include "common/PluginDataItem.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<PluginDataItem> records = PluginDataItem::arrayFromJSON(text);
    if (records.isEmpty())
        return 0;
    const QString written = PluginDataItem::jsonFromArray(records);
    const QList<PluginDataItem> again = PluginDataItem::arrayFromJSON(written);
    fuzz::require(again == records, "a list read back from its own text is the same list", written);
    fuzz::require(PluginDataItem::jsonFromArray(again) == written, "writing a list again gives the same text",
                  written);
    for (const PluginDataItem &record : records) {
        const std::optional<PluginDataItem> one = PluginDataItem::fromJsonObject(record.toJsonObject());
        fuzz::require(one && *one == record, "a record read back from its own object is the same record",
                      record.toJson());
    }
    return 0;
}
