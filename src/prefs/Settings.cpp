#include "Settings.h"

#include "common/CommandChannel.h"

namespace tavolin {

bool Settings::sendCommand(const QString &name, const QJsonArray &args)
{
    return CommandChannel::send(m_defaults, name, args);
}

} // namespace tavolin
