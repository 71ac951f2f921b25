#include "platform/linux/PortalRequest.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace tavolin {
namespace {

// Signals are matched by path, which names this caller and token, not by sender: matching a well-known
// name makes Qt ask the bus for its owner and wait for the answer.
const QString kAnySender;
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The path the portal gives the request: its caller's unique name without ':' and with '.' as '_'.
QString requestPathFor(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService();
    sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString seconds(int ms)
{
    return QStringLiteral("%1 s").arg(ms / 1000.0);
}

} // namespace

PortalRequest::PortalRequest(const QDBusConnection &bus, Done done, QObject *context)
    : QObject(context), m_bus(bus), m_done(std::move(done))
{
    m_timeout.setSingleShot(true);
}

void PortalRequest::send(const QDBusConnection &bus, const QDBusMessage &call, const QString &token,
                         int callTimeoutMs, int responseTimeoutMs, QObject *context, Done done)
{
    auto *request = new PortalRequest(bus, std::move(done), context);
    request->listen(requestPathFor(bus, token));
    const QString method = call.member();
    connect(&request->m_timeout, &QTimer::timeout, request, [request, method, responseTimeoutMs] {
        const QString why = QStringLiteral("%1 had no answer in %2").arg(method, seconds(responseTimeoutMs));
        request->finish(Outcome::failure(why));
    });
    request->m_timeout.start(responseTimeoutMs);
    auto *watcher = new QDBusPendingCallWatcher(request->m_bus.asyncCall(call, callTimeoutMs), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request, [request, watcher, method, callTimeoutMs] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            const QDBusError error = reply.error();
            const QString why = error.type() == QDBusError::NoReply
                ? QStringLiteral("%1 had no reply in %2").arg(method, seconds(callTimeoutMs))
                : QStringLiteral("%1 failed: %2").arg(method, error.message());
            request->finish(Outcome::failure(why));
            return;
        }
        // Portals before version 0.9 chose the path themselves.
        if (reply.value().path() != request->m_path)
            request->listen(reply.value().path());
    });
}

void PortalRequest::listen(const QString &path)
{
    if (!m_path.isEmpty())
        m_bus.disconnect(kAnySender, m_path, kRequestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
    m_path = path;
    m_bus.connect(kAnySender, m_path, kRequestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::onResponse(uint code, const QVariantMap &results)
{
    if (code == 0)
        finish(Outcome::ok(results));
    else
        finish(Outcome::failure(code == 1 ? QStringLiteral("the user cancelled it")
                                          : QStringLiteral("the portal refused it (response %1)").arg(code)));
}

void PortalRequest::finish(const Outcome &outcome)
{
    if (!m_done)
        return;
    const Done done = std::move(m_done);
    m_done = nullptr;
    m_timeout.stop();
    m_bus.disconnect(kAnySender, m_path, kRequestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    deleteLater();
    done(outcome);
}

} // namespace tavolin
