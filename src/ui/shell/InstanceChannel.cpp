#include "ui/shell/InstanceChannel.h"

#include "common/Log.h"
#include "common/Paths.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace tavolin {
namespace {

constexpr int kWaitMs = 1000;

bool isKnownRequest(const QString &word)
{
    return word == QLatin1String(InstanceChannel::kOpenedAgain) || word == QLatin1String(InstanceChannel::kShow);
}

} // namespace

InstanceChannel::InstanceChannel(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::defaultName()
{
    return QStringLiteral("tavolin-%1-%2").arg(::getuid()).arg(paths::sessionKey());
}

bool InstanceChannel::forward(const QString &request) const
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(request.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    // The running instance closes the connection once it has read the request.
    socket.waitForDisconnected(kWaitMs);
    return true;
}

bool InstanceChannel::listen(std::function<void(const QString &)> onRequest)
{
    m_onRequest = std::move(onRequest);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!m_server->listen(m_name)) {
        log::error(QStringLiteral("single instance: cannot listen on %1: %2").arg(m_name, m_server->errorString()));
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            readFrom(socket);
        }
    });
    return true;
}

void InstanceChannel::readFrom(QLocalSocket *socket)
{
    if (socket->bytesAvailable() > kMaxRequestBytes) {
        socket->abort();
        return;
    }
    if (!socket->canReadLine())
        return;
    const QString word = QString::fromUtf8(socket->readLine()).trimmed();
    socket->disconnectFromServer();
    if (!isKnownRequest(word)) {
        log::error(QStringLiteral("single instance: dropped request %1").arg(word.left(16)));
        return;
    }
    if (m_onRequest)
        m_onRequest(word);
}

} // namespace tavolin
