#include "SingleInstance.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavolin {

SingleInstance::SingleInstance(QString socketPath, QObject *parent)
    : QObject(parent), m_channel(std::move(socketPath), kMaxMessageBytes)
{
    connect(&m_channel, &InstanceChannel::lineReceived, this, &SingleInstance::handle);
}

QString SingleInstance::defaultPath()
{
    return InstanceChannel::socketPathFor(QString::fromLatin1(InstanceChannel::kPreferencesProgram));
}

InstanceChannel::Start SingleInstance::forwardOrListen(const QStringList &args, const QString &workingDir)
{
    const QJsonObject message{{QStringLiteral("cwd"), workingDir},
                              {QStringLiteral("args"), QJsonArray::fromStringList(args)}};
    return m_channel.handOverOrListen(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

void SingleInstance::handle(const QByteArray &line)
{
    if (line == InstanceChannel::kQuit) {
        Q_EMIT quitRequested();
        return;
    }
    const QJsonObject message = QJsonDocument::fromJson(line).object();
    const QJsonValue args = message.value(QStringLiteral("args"));
    if (!args.isArray())
        return;
    QStringList list;
    for (const QJsonValue &arg : args.toArray())
        list << arg.toString();
    Q_EMIT messageReceived(list, message.value(QStringLiteral("cwd")).toString());
}

} // namespace tavolin
