#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

#include <sys/types.h>
#include <unistd.h>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace tavolin {

// One instance of a program per desktop session, and the way later starts and the other program talk to it.
// Both programs use it: the palette ("tavolin") and the preferences program ("tavolin-preferences").
//
// The running instance listens on a socket file in the private runtime folder (session::privateRuntimeDir(),
// which only this user can enter), named by program and session (paths::sessionKey()), and holds a lock file
// beside it for as long as it runs: check-and-listen happens under that lock, so two starts never both listen
// and a start never replaces a live instance's socket; the lock of a process that died is taken over.
// Both ends check the other's credentials (SO_PEERCRED): a peer of another user is dropped, and nothing is
// sent to a listener of another user.
//
// Wire: one line per connection, at most `maxLineBytes` before its "\n"; the listener reads it, answers "ok\n",
// hangs up and emits it (a line it drops gets no answer). What a line means is each program's own (see the
// k* words below).
// Threads: main thread. Every wait is bounded by kTimeoutMs (a hand-over retries until kStartTimeoutMs).
class InstanceChannel final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 1000;
    static constexpr int kStartTimeoutMs = 3000;
    static constexpr auto kPaletteProgram = "tavolin";
    static constexpr auto kPreferencesProgram = "tavolin-preferences";
    // Understood by both programs: quit through the ordinary quit.
    static constexpr auto kQuit = "quit";

    enum class Start {
        Listening,  // this is the session's instance now
        HandedOver, // a running instance took the line: this start should end (exit 0)
        NoAnswer,   // an instance holds the lock but did not take the line in time
        NoChannel,  // no private folder or the socket could not be made: this program runs alone (logged)
    };

    // `socketPath` "" means there is no channel. Only peers of user `peerUid` are talked to.
    explicit InstanceChannel(QString socketPath, qint64 maxLineBytes, uid_t peerUid = ::getuid(),
                             QObject *parent = nullptr);
    ~InstanceChannel() override;

    // <private runtime folder>/<program>-<session key>; "" when there is no private folder.
    static QString socketPathFor(const QString &program);

    // Hands `line` to the running instance, or becomes the instance when none runs.
    Start handOverOrListen(const QByteArray &line);
    // Sends `line` to the running instance; true when one of this user took it (it answered, or it is busy
    // and the line waits in its socket), false when none listens or it hung up without answering.
    bool send(const QByteArray &line) const;
    // Whether an instance of this user listens now.
    bool isAnswering() const;
    bool isListening() const;
    QString socketPath() const { return m_socketPath; }

Q_SIGNALS:
    // A peer of this user sent `line` (without its "\n").
    void lineReceived(const QByteArray &line);

private:
    bool connectToInstance(QLocalSocket &socket) const;
    bool listen();
    void accept();
    void readFrom(QLocalSocket *socket);

    const QString m_socketPath;
    const qint64 m_maxLineBytes;
    const uid_t m_peerUid;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace tavolin
