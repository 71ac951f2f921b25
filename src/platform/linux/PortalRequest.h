#pragma once

#include "common/Result.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <functional>

namespace tavolin {

// One call to a desktop portal method that answers through a Request object: the call returns the
// request's path at once, the outcome comes later as that request's Response signal (code 0 and results on
// success). Listens on the path the portal will use before calling, so an early Response is not missed.
//
// Bounded twice: the call's reply within `callTimeoutMs`, the Response within `responseTimeoutMs` of the
// start (a portal may show the user a dialog first). `done` runs once, on the main thread, with the results
// or with a failure people can read ("no answer in 5 s", the D-Bus error), unless `context` went first.
class PortalRequest final : public QObject
{
    Q_OBJECT
public:
    using Outcome = Result<QVariantMap>;
    using Done = std::function<void(const Outcome &)>;

    // `call` must carry `token` as the "handle_token" of its options.
    static void send(const QDBusConnection &bus, const QDBusMessage &call, const QString &token,
                     int callTimeoutMs, int responseTimeoutMs, QObject *context, Done done);

private Q_SLOTS:
    void onResponse(uint code, const QVariantMap &results);

private:
    PortalRequest(const QDBusConnection &bus, Done done, QObject *context);
    void listen(const QString &path);
    void finish(const Outcome &outcome);

    QDBusConnection m_bus;
    Done m_done;
    QString m_path;
    QTimer m_timeout;
};

} // namespace tavolin
