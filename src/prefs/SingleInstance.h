#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace tavolin {

// Keeps one preferences program per desktop session. The first program listens on a local socket in the abstract
// namespace (named with the user id and the session, so it vanishes with the process and needs no clean-up); a later start
// hands its arguments and working folder to it and exits.
//
// Wire format: one JSON object {"cwd": string, "args": [string, ...]} followed by "\n". A peer that sends
// more than kMaxMessageBytes, or anything that does not parse, is dropped.
// Threads: main thread. Failure: when listening fails the program runs alone (logged).
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxMessageBytes = 256 * 1024;

    explicit SingleInstance(QString name = defaultName(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // "tavolin-preferences-<uid>-<session key>" (paths::sessionKey()).
    static QString defaultName();

    // Sends `args` to a running instance and returns true when one took them (this program should exit);
    // otherwise starts listening and returns false.
    bool forwardOrListen(const QStringList &args, const QString &workingDir);

    bool isListening() const;

Q_SIGNALS:
    // Another start asked for `args` from `workingDir`.
    void messageReceived(const QStringList &args, const QString &workingDir);

private:
    bool forward(const QStringList &args, const QString &workingDir) const;
    void acceptConnections();

    QString m_name;
    QLocalServer *m_server = nullptr;
};

} // namespace tavolin
