#include "session/InstanceChannel.h"

#include "common/Log.h"
#include "common/Paths.h"
#include "session/PeerCredentials.h"
#include "session/RuntimeDir.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

namespace tavolin {
namespace {

// The listener's answer once it has read a line; a listener that drops the line hangs up without it.
constexpr char kTaken[] = "ok\n";

// How long one hand-over attempt waits for the lock before trying the running instance again.
constexpr int kLockAttemptMs = 100;

bool peerIs(const QLocalSocket &socket, uid_t expected)
{
    const std::optional<uid_t> uid = session::peerUid(int(socket.socketDescriptor()));
    return uid && *uid == expected;
}

} // namespace

InstanceChannel::InstanceChannel(QString socketPath, qint64 maxLineBytes, uid_t peerUid, QObject *parent)
    : QObject(parent), m_socketPath(std::move(socketPath)), m_maxLineBytes(maxLineBytes), m_peerUid(peerUid)
{
}

InstanceChannel::~InstanceChannel()
{
    // The socket file goes first, then the lock: a start that takes the lock finds no stale socket.
    delete m_server;
    m_server = nullptr;
    m_lock.reset();
}

QString InstanceChannel::socketPathFor(const QString &program)
{
    const QString dir = session::privateRuntimeDir();
    if (dir.isEmpty())
        return {};
    return dir + QLatin1Char('/') + program + QLatin1Char('-') + paths::sessionKey();
}

bool InstanceChannel::isListening() const
{
    return m_server && m_server->isListening();
}

bool InstanceChannel::connectToInstance(QLocalSocket &socket) const
{
    if (m_socketPath.isEmpty())
        return false;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    if (!peerIs(socket, m_peerUid)) {
        log::error(QStringLiteral("single instance: %1 is held by another user; nothing sent").arg(m_socketPath));
        socket.abort();
        return false;
    }
    return true;
}

bool InstanceChannel::send(const QByteArray &line) const
{
    QLocalSocket socket;
    if (!connectToInstance(socket))
        return false;
    const QDeadlineTimer deadline(kTimeoutMs);
    socket.write(line + '\n');
    if (!socket.waitForBytesWritten(kTimeoutMs))
        return false;
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    if (socket.canReadLine())
        return socket.readLine() == kTaken;
    // Hung up without a word: it refused the line. Still connected: it is busy and reads the line later,
    // so sending it again would repeat the request.
    return socket.state() == QLocalSocket::ConnectedState;
}

bool InstanceChannel::isAnswering() const
{
    QLocalSocket socket;
    const bool answering = connectToInstance(socket);
    socket.abort();
    return answering;
}

InstanceChannel::Start InstanceChannel::handOverOrListen(const QByteArray &line)
{
    if (m_socketPath.isEmpty()) {
        log::error(QStringLiteral("single instance: no private runtime folder; this program runs alone"));
        return Start::NoChannel;
    }
    auto lock = std::make_unique<QLockFile>(m_socketPath + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // held for the instance's whole life: only a dead holder makes it stale
    const QDeadlineTimer deadline(kStartTimeoutMs);
    for (;;) {
        if (send(line))
            return Start::HandedOver;
        if (lock->tryLock(kLockAttemptMs))
            break;
        if (lock->error() != QLockFile::LockFailedError) {
            log::error(QStringLiteral("single instance: cannot make the lock %1.lock; this program runs alone")
                           .arg(m_socketPath));
            return Start::NoChannel;
        }
        if (deadline.hasExpired())
            return Start::NoAnswer;
    }
    // Under the lock: an instance that began listening meanwhile holds it, so none runs now.
    m_lock = std::move(lock);
    return listen() ? Start::Listening : Start::NoChannel;
}

bool InstanceChannel::listen()
{
    // A socket file left by an instance that was killed: nobody listens on it (we hold the lock).
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        log::error(QStringLiteral("single instance: cannot listen on %1: %2; this program runs alone")
                       .arg(m_socketPath, m_server->errorString()));
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::accept);
    return true;
}

void InstanceChannel::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIs(*socket, m_peerUid)) {
            log::error(QStringLiteral("single instance: dropped a peer of another user"));
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A peer that never finishes its line does not keep a connection open.
        QTimer::singleShot(2 * kTimeoutMs, socket, [socket] { socket->abort(); });
        readFrom(socket);
    }
}

void InstanceChannel::readFrom(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > m_maxLineBytes)
            socket->abort();
        return;
    }
    QByteArray line = socket->readLine(m_maxLineBytes + 1);
    if (!line.endsWith('\n')) {
        socket->abort(); // longer than allowed
        return;
    }
    socket->write(kTaken);
    socket->flush(); // now: a request such as "quit" may end this program before the event loop writes it
    socket->disconnectFromServer();
    line.chop(1);
    Q_EMIT lineReceived(line);
}

} // namespace tavolin
