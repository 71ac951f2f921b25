// A key combination as stored in settings and manifests, and as people write it. A text that reads is
// written in the stored form, and that form reads back to the same combination.
#include "FuzzSupport.h"

#include "common/KeyData.h"
#include "common/Shortcut.h"

using namespace tavolin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<KeyData> key = KeyData::keyDataFromString(text);
    if (!key)
        return 0;
    (void)key->toString();
    (void)key->displayText();
    if (const std::optional<Shortcut> shortcut = key->toShortcut())
        (void)KeyData::stringFromShortcut(*shortcut);
    const std::optional<KeyData> fromJson = KeyData::fromJson(key->toJson());
    fuzz::require(fromJson && *fromJson == *key, "a combination read back from its JSON is the same", text);

    const QString stored = key->toStorageString();
    if (stored.isEmpty())
        return 0;
    const std::optional<KeyData> again = KeyData::keyDataFromString(stored);
    fuzz::require(again.has_value(), "the stored form reads", text + QLatin1Char('|') + stored);
    // A keypad key comes back as its main-row twin: same text, same modifiers.
    fuzz::require(again->toStorageString() == stored && again->toString() == key->toString()
                      && again->modifierFlags == key->modifierFlags,
                  "the stored form reads back to the same combination", text + QLatin1Char('|') + stored);
    return 0;
}
