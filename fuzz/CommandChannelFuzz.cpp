// The command channel: any program of the user can write the "command" settings key. Whatever it holds,
// the palette's end runs it or ignores it, and removes exactly the commands it ran.
// Input: one JSON value, the key's new value.
#include "FuzzSupport.h"

#include "common/CommandChannel.h"
#include "common/PluginDataItem.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "palette/CommandInterpreter.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace tavolin;

namespace {

struct Channel
{
    SettingsDomain domain{QStringLiteral("fuzz-channel")};
    int ran = 0;
    bool recentFolder = false;
    CommandInterpreter interpreter{domain, actions()};

    CommandInterpreter::Actions actions()
    {
        CommandInterpreter::Actions a;
        a.showOption = [this] { ++ran; };
        a.showTheme = [this] { ++ran; };
        a.checkUpdates = [this] { ++ran; };
        a.clearHistory = [this] { ++ran; };
        a.accessRecentFolder = [this] { ++ran; return recentFolder; };
        a.updateExtensions = [this](const QString &json, const QString &) {
            ++ran;
            (void)PluginDataItem::arrayFromJSON(json);
        };
        return a;
    }
};

Channel &channel()
{
    fuzz::setUpApplication();
    static Channel made;
    return made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Channel &c = channel();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QJsonArray wrapped = QJsonDocument::fromJson("[" + bytes + "]").array();
    if (wrapped.isEmpty())
        return 0;
    const QJsonValue value = wrapped.first();
    c.recentFolder = size % 2 == 0;
    c.domain.remove(settings::kCommand);
    c.ran = 0;
    fuzz::require(c.domain.setValue(settings::kCommand, value), "any JSON value can be written");

    const QJsonArray command = value.toArray();
    const bool runs = value.isArray() && !command.isEmpty() && command.first().isString();
    const bool keeps = command.first().toString() == CommandInterpreter::AccessRecentCommand && !c.recentFolder;
    const QString what = QString::fromUtf8(bytes);
    if (!runs)
        fuzz::require(c.ran == 0 && c.domain.value(settings::kCommand) == value,
                      "a value that is no command is ignored and left as it is", what);
    else if (keeps)
        fuzz::require(c.domain.value(settings::kCommand) == value, "a command that asks to stay stays", what);
    else
        fuzz::require(!c.domain.contains(settings::kCommand), "a command that ran is removed", what);
    return 0;
}
