#include "platform/linux/AccessibilityStatus.h"

#include "common/Log.h"
#include "common/Mutex.h"

#include <QAtomicInt>
#include <QElapsedTimer>
#include <QThreadPool>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <optional>

namespace tavolin {
namespace {

constexpr int kCallTimeoutMs = 2000;
const QString kBusService = QStringLiteral("org.a11y.Bus");
const QString kBusPath = QStringLiteral("/org/a11y/bus");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kStatus = QStringLiteral("org.a11y.Status");

// A private session connection per call: QDBusConnection::sessionBus() is tied to the thread that first
// used it, and these calls come from any thread.
QDBusMessage callSession(const QDBusMessage &message)
{
    static QAtomicInt counter;
    const QString name = QStringLiteral("tavolin-a11y-status-%1").arg(counter.fetchAndAddRelaxed(1));
    QDBusMessage reply;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        reply = bus.isConnected() ? bus.call(message, QDBus::Block, kCallTimeoutMs)
                                  : QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                                                              QStringLiteral("no session bus"));
    }
    QDBusConnection::disconnectFromBus(name);
    return reply;
}

// The last answer to isTrusted(), so callers on the main thread do not wait on the bus (see isTrusted()).
struct TrustCache
{
    Mutex mutex;
    std::optional<bool> trusted GUARDED_BY(mutex);
    QElapsedTimer age GUARDED_BY(mutex); // since `trusted` was asked
    bool refreshing GUARDED_BY(mutex) = false;
};

TrustCache &trustCache()
{
    static TrustCache cache;
    return cache;
}

constexpr qint64 kTrustMaxAgeMs = 1000;

} // namespace

QString AccessibilityStatus::busAddress()
{
    const QDBusMessage reply = callSession(
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("GetAddress")));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().toString();
}

std::optional<bool> AccessibilityStatus::isEnabled()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kBusService, kBusPath, kProperties, QStringLiteral("Get"));
    call << kStatus << QStringLiteral("IsEnabled");
    const QDBusMessage reply = callSession(call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool AccessibilityStatus::setEnabled(bool enabled)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kBusService, kBusPath, kProperties, QStringLiteral("Set"));
    call << kStatus << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(enabled));
    const QDBusMessage reply = callSession(call);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        log::error(QStringLiteral("accessibility: cannot set IsEnabled: %1").arg(reply.errorMessage()));
        return false;
    }
    return true;
}

bool AccessibilityStatus::isTrusted()
{
    TrustCache &cache = trustCache();
    {
        MutexLocker lock(cache.mutex);
        if (cache.trusted) {
            if (!cache.refreshing && cache.age.elapsed() > kTrustMaxAgeMs) {
                cache.refreshing = true;
                // The global pool is waited for when the application ends, so no call outlives the program.
                QThreadPool::globalInstance()->start([] { refreshTrust(); });
            }
            return *cache.trusted;
        }
    }
    return refreshTrust();
}

bool AccessibilityStatus::refreshTrust()
{
    const bool trusted = !busAddress().isEmpty() && isEnabled().value_or(false);
    TrustCache &cache = trustCache();
    MutexLocker lock(cache.mutex);
    cache.trusted = trusted;
    cache.age.start();
    cache.refreshing = false;
    return trusted;
}

bool AccessibilityStatus::promptForTrust()
{
    return setEnabled(true) && refreshTrust();
}

} // namespace tavolin
