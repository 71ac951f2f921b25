#pragma once

#include "session/InstanceChannel.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace tavolin {

// One preferences program per desktop session, over its InstanceChannel: a later start hands its arguments
// and working folder to the running program and exits; the palette asks it to quit.
//
// Wire format: one JSON object {"cwd": string, "args": [string, ...]}, or the word "quit", then "\n". A peer
// that sends more than kMaxMessageBytes, or anything else, is dropped.
// Threads: main thread. Failure: when there is no channel the program runs alone (logged).
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxMessageBytes = 256 * 1024;

    // `socketPath`: the channel (InstanceChannel::socketPathFor("tavolin-preferences") in the program).
    explicit SingleInstance(QString socketPath = defaultPath(), QObject *parent = nullptr);

    static QString defaultPath();

    // Sends `args` to a running program and returns its Start: HandedOver means this program should exit.
    InstanceChannel::Start forwardOrListen(const QStringList &args, const QString &workingDir);
    bool isListening() const { return m_channel.isListening(); }

Q_SIGNALS:
    // Another start asked for `args` from `workingDir`.
    void messageReceived(const QStringList &args, const QString &workingDir);
    // The palette quit and asks this program to quit too.
    void quitRequested();

private:
    void handle(const QByteArray &line);

    InstanceChannel m_channel;
};

} // namespace tavolin
