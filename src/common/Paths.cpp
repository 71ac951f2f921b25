#include "Paths.h"

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

} // namespace tavolin::paths
