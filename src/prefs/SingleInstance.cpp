#include "SingleInstance.h"

#include "common/Log.h"
#include "common/Paths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <unistd.h>

namespace tavolin {
namespace {

constexpr int kConnectTimeoutMs = 1000;

} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent) : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    return QStringLiteral("tavolin-preferences-%1-%2").arg(::getuid()).arg(paths::sessionKey());
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::forward(const QStringList &args, const QString &workingDir) const
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    const QJsonObject message{{QStringLiteral("cwd"), workingDir},
                              {QStringLiteral("args"), QJsonArray::fromStringList(args)}};
    socket.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

bool SingleInstance::forwardOrListen(const QStringList &args, const QString &workingDir)
{
    if (forward(args, workingDir))
        return true;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!m_server->listen(m_name)) {
        // Another instance began listening between our attempt and now: hand over to it.
        if (forward(args, workingDir))
            return true;
        log::error(QStringLiteral("single instance: cannot listen on %1: %2").arg(m_name, m_server->errorString()));
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return false;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kMaxMessageBytes && !socket->canReadLine()) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine(kMaxMessageBytes);
            socket->disconnectFromServer();
            const QJsonObject message = QJsonDocument::fromJson(line).object();
            const QJsonValue args = message.value(QStringLiteral("args"));
            if (!args.isArray())
                return;
            QStringList list;
            for (const QJsonValue &arg : args.toArray())
                list << arg.toString();
            Q_EMIT messageReceived(list, message.value(QStringLiteral("cwd")).toString());
        });
    }
}

} // namespace tavolin
