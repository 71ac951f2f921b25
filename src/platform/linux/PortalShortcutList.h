#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace tavolin {

// One shortcut as the GlobalShortcuts portal exchanges it, D-Bus "(sa{sv})": its id ("palette_shortcut")
// and properties ("description", "preferred_trigger" going out; "description", "trigger_description"
// coming back). Header only: the test portal marshals the same type.
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcut>;

inline QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace tavolin

Q_DECLARE_METATYPE(tavolin::PortalShortcut)
Q_DECLARE_METATYPE(tavolin::PortalShortcutList)
