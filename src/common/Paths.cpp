#include "Paths.h"

#include <QCryptographicHash>
#include <QStandardPaths>

namespace tavolin::paths {

QString dataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tavolin");
}

QString configDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/tavolin");
}

QString cacheDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/tavolin");
}

QString stateDir()
{
    // Qt 6.4 knows no state location: read the variable as the base directory specification says.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!base.startsWith(QLatin1Char('/')))
        base = QStandardPaths::writableLocation(QStandardPaths::HomeLocation) + QStringLiteral("/.local/state");
    return base + QStringLiteral("/tavolin");
}

QString sessionKey()
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"}) {
        hash.addData(qgetenv(name));
        hash.addData(QByteArrayView("\0", 1));
    }
    return QString::fromLatin1(hash.result().toHex().left(12));
}

} // namespace tavolin::paths
