#include "ui/shell/DBusNotifier.h"

#include "common/Log.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QGuiApplication>
#include <QTimer>

namespace tavolin {

DBusNotifier::DBusNotifier(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // Signal subscriptions are match rules kept by the bus daemon itself, never by the notification server.
    bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kService),
                QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kService),
                QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

QString DBusNotifier::summaryFor(const QString &title)
{
    return tr("Error on \"%1\"").arg(title);
}

void DBusNotifier::showError(const QString &title, const QString &text, ErrorKind kind)
{
    QMetaObject::invokeMethod(
        this,
        [this, title, text, kind] {
            QTimer::singleShot(kDelayMs, this, [this, title, text, kind] { send(title, text, kind); });
        },
        Qt::QueuedConnection);
}

void DBusNotifier::send(const QString &title, const QString &text, ErrorKind kind)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        log::error(QStringLiteral("notification dropped: no session bus"));
        return;
    }
    // Identifies the notification for the desktop's history (two in one second differ by the fraction).
    const QString tag =
        QStringLiteral("tavolin-error-%1").arg(QDateTime::currentMSecsSinceEpoch() / 1000.0, 0, 'f', 6);
    QVariantMap hints;
    // Vendor categories beside the extensions' own: the freedesktop list has none for a key another program
    // holds or a menu command that failed.
    hints.insert(QStringLiteral("category"), kind == ErrorKind::Extension  ? QStringLiteral("EXTENSION_ERROR")
                                             : kind == ErrorKind::Shortcut ? QStringLiteral("x-tavolin.shortcut.error")
                                                                           : QStringLiteral("x-tavolin.command.error"));
    hints.insert(QStringLiteral("x-tavolin-id"), tag);
    const QStringList actions{QString::fromLatin1(kCopyAction), QStringLiteral("Copy")};
    QDBusMessage notify = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                         QString::fromLatin1(kService), QStringLiteral("Notify"));
    notify << QStringLiteral("Tavolin") << uint(0) << QStringLiteral("dialog-error") << summaryFor(title) << text
           << actions << hints << int(-1);
    // Never waited for: a server that takes the call and never answers costs only this pending call.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, text](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) {
            log::error(QStringLiteral("notification dropped: %1").arg(reply.error().message()));
            return;
        }
        m_bodies.insert(reply.value(), text);
    });
}

void DBusNotifier::onActionInvoked(uint id, const QString &action)
{
    const auto body = m_bodies.constFind(id);
    if (body == m_bodies.constEnd())
        return; // another program's notification
    if (action == QLatin1String(kCopyAction)) {
        if (QClipboard *clipboard = QGuiApplication::clipboard())
            clipboard->setText(*body);
        Q_EMIT copied(*body);
    }
    if (m_onResponse)
        m_onResponse();
}

void DBusNotifier::onClosed(uint id, uint)
{
    m_bodies.remove(id);
}

} // namespace tavolin
