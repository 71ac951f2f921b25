#include "NotificationServer.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace tavolin::test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

bool NotificationServer::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerVirtualObject(kPath, this))
        return false;
    m_registered = true;
    return bus.registerService(kService);
}

NotificationServer::~NotificationServer()
{
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kService);
    bus.unregisterObject(kPath);
}

QString NotificationServer::introspect(const QString &) const
{
    return QStringLiteral(R"(<interface name="org.freedesktop.Notifications">
  <method name="Notify">
    <arg direction="in" type="s"/><arg direction="in" type="u"/><arg direction="in" type="s"/>
    <arg direction="in" type="s"/><arg direction="in" type="s"/><arg direction="in" type="as"/>
    <arg direction="in" type="a{sv}"/><arg direction="in" type="i"/><arg direction="out" type="u"/>
  </method>
  <method name="GetCapabilities"><arg direction="out" type="as"/></method>
  <method name="CloseNotification"><arg direction="in" type="u"/></method>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
</interface>)");
}

bool NotificationServer::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (message.interface() != kService && !message.interface().isEmpty())
        return false;
    const QList<QVariant> arguments = message.arguments();
    if (message.member() == QLatin1String("Notify") && arguments.size() >= 5) {
        m_shown << arguments[3].toString() + QStringLiteral(": ") + arguments[4].toString();
        connection.send(message.createReply(QVariant::fromValue(uint(m_shown.size()))));
        return true;
    }
    if (message.member() == QLatin1String("GetCapabilities")) {
        connection.send(message.createReply(QVariant::fromValue(QStringList{QStringLiteral("body"), QStringLiteral("actions")})));
        return true;
    }
    if (message.member() == QLatin1String("CloseNotification")) {
        connection.send(message.createReply());
        return true;
    }
    return false;
}

} // namespace tavolin::test
