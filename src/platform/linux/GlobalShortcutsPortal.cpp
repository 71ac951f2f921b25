#include "platform/linux/GlobalShortcutsPortal.h"

#include "platform/linux/PortalRequest.h"
#include "platform/linux/PortalShortcutList.h"

#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace tavolin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
// Signals are matched by interface and path only: matching the portal's well-known name makes Qt ask the
// bus for its owner and wait. Whatever is activated must also name this program's session.
const QString kAnySender;

QDBusMessage portalCall(const QString &method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

GlobalShortcutsPortal::Triggers triggersIn(const QVariant &shortcuts)
{
    GlobalShortcutsPortal::Triggers triggers;
    for (const PortalShortcut &shortcut : qdbus_cast<PortalShortcutList>(shortcuts))
        triggers.insert(shortcut.id, shortcut.properties.value(QStringLiteral("trigger_description")).toString());
    return triggers;
}

// The session handle of CreateSession's results: a string by the interface's word, an object path from
// some portals.
QString sessionPathIn(const QVariantMap &results)
{
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    if (handle.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return handle.value<QDBusObjectPath>().path();
    return handle.toString();
}

} // namespace

GlobalShortcutsPortal::GlobalShortcutsPortal(int callTimeoutMs, int bindTimeoutMs, QObject *parent)
    : QObject(parent), m_callTimeoutMs(callTimeoutMs), m_bindTimeoutMs(bindTimeoutMs)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
}

GlobalShortcutsPortal::~GlobalShortcutsPortal()
{
    closeSession();
}

void GlobalShortcutsPortal::bind(QList<Entry> entries)
{
    m_wanted = std::move(entries);
    m_wantedChanged = true;
    advance();
}

// Takes the next step towards a session holding m_wanted; a step under way calls this again when done.
void GlobalShortcutsPortal::advance()
{
    if (!m_wantedChanged)
        return;
    switch (m_state) {
    case State::Idle:
        probe();
        return;
    case State::Ready:
        closeSession();
        createSession();
        return;
    case State::Probing:
    case State::Creating:
    case State::Binding:
    case State::Failed:
        return;
    }
}

void GlobalShortcutsPortal::probe()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fail(QStringLiteral("there is no session bus"));
        return;
    }
    m_state = State::Probing;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << kInterface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, m_callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        bool ok = false;
        const uint version = reply.isValid() ? reply.value().variant().toUInt(&ok) : 0;
        if (!ok) {
            fail(reply.isError() && reply.error().type() != QDBusError::ServiceUnknown
                     ? QStringLiteral("the desktop portal offers no GlobalShortcuts (%1)").arg(reply.error().message())
                     : QStringLiteral("the desktop offers no GlobalShortcuts portal"));
            return;
        }
        m_version = version;
        QDBusConnection::sessionBus().connect(kAnySender, kPath, kInterface, QStringLiteral("Activated"), this,
                                              SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        QDBusConnection::sessionBus().connect(kAnySender, kPath, kInterface, QStringLiteral("ShortcutsChanged"), this,
                                              SLOT(onShortcutsChanged(QDBusMessage)));
        createSession();
    });
}

void GlobalShortcutsPortal::createSession()
{
    m_state = State::Creating;
    ++m_sessions;
    const QString token = QStringLiteral("tavolin_session_%1").arg(m_sessions);
    QDBusMessage call = portalCall(QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), QStringLiteral("tavolin_%1").arg(m_sessions)}};
    PortalRequest::send(QDBusConnection::sessionBus(), call, token, m_callTimeoutMs, m_callTimeoutMs, this,
                        [this](const PortalRequest::Outcome &outcome) {
                            const QString session = outcome.isOk() ? sessionPathIn(outcome.value()) : QString();
                            if (session.isEmpty()) {
                                fail(outcome.isOk() ? QStringLiteral("CreateSession gave no session") : outcome.reason());
                                return;
                            }
                            m_session = session;
                            bindInSession();
                        });
}

void GlobalShortcutsPortal::bindInSession()
{
    m_state = State::Binding;
    m_wantedChanged = false;
    PortalShortcutList shortcuts;
    for (const Entry &entry : std::as_const(m_wanted)) {
        QVariantMap properties{{QStringLiteral("description"), entry.description}};
        if (entry.trigger)
            properties.insert(QStringLiteral("preferred_trigger"), *entry.trigger);
        shortcuts.append({entry.id, properties});
    }
    const QString token = QStringLiteral("tavolin_bind_%1").arg(m_sessions);
    QDBusMessage call = portalCall(QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    PortalRequest::send(QDBusConnection::sessionBus(), call, token, m_callTimeoutMs, m_bindTimeoutMs, this,
                        [this](const PortalRequest::Outcome &outcome) {
                            if (!outcome.isOk()) {
                                fail(outcome.reason());
                                return;
                            }
                            m_state = State::Ready;
                            Q_EMIT bound(m_version, triggersIn(outcome.value().value(QStringLiteral("shortcuts"))));
                            advance(); // entries that changed meanwhile
                        });
}

// Fire and forget: a session whose Close is lost ends with this program's connection anyway.
void GlobalShortcutsPortal::closeSession()
{
    if (m_session.isEmpty())
        return;
    QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        kService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")), m_callTimeoutMs);
    m_session.clear();
}

void GlobalShortcutsPortal::fail(const QString &why)
{
    closeSession();
    m_state = State::Failed;
    Q_EMIT unavailable(why);
}

void GlobalShortcutsPortal::onActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                        const QVariantMap &)
{
    if (!m_session.isEmpty() && session.path() == m_session)
        Q_EMIT activated(id);
}

// ShortcutsChanged(o session_handle, a(sa{sv}) shortcuts): the desktop gave them other triggers.
void GlobalShortcutsPortal::onShortcutsChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() || arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    Q_EMIT triggersChanged(triggersIn(arguments.at(1)));
}

} // namespace tavolin
