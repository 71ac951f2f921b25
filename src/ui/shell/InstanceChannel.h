#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace tavolin {

// Keeps one palette per desktop session. The first program listens on a local socket in the abstract
// namespace, named with the user id and the session (it vanishes with the process, so a crash leaves
// nothing to clean up); a later start sends one request word to it and exits.
//
// Wire format: one request word ("opened-again" or "show") followed by "\n"; anything longer than
// kMaxRequestBytes, or any other word, is dropped.
// Threads: main thread. Failure: when listening fails the program runs alone (logged).
class InstanceChannel final : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxRequestBytes = 64;
    static constexpr auto kOpenedAgain = "opened-again";
    static constexpr auto kShow = "show";

    explicit InstanceChannel(QString name = defaultName(), QObject *parent = nullptr);
    ~InstanceChannel() override;

    // "tavolin-<uid>-<session key>" (paths::sessionKey()).
    static QString defaultName();

    // Sends `request` to a running instance; true when one took it (this program should exit). Waits a
    // bounded time (about a second) for the peer.
    bool forward(const QString &request) const;
    // Starts listening; `onRequest` is called on the main thread with each request word. False when the
    // name is taken by a live instance or the socket could not be made.
    bool listen(std::function<void(const QString &request)> onRequest);

private:
    void readFrom(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
    std::function<void(const QString &)> m_onRequest;
};

} // namespace tavolin
