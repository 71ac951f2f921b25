#pragma once

#include "extensions/Notifier.h"

#include <QHash>
#include <QObject>

#include <functional>

namespace tavolin {

// Error notifications through the desktop's notification service (org.freedesktop.Notifications on the
// session bus): summary Error on "<title>", the reason as body, and a "COPY" action that puts the body on
// the clipboard. Each notification is sent a second after it was asked for.
//
// Threads: showError() from any thread (it hops to the notifier's thread); everything else on the main
// thread, which never waits for the server: calls are asynchronous, bounded by kCallTimeoutMs. No session bus,
// no service or no answer: the error is dropped (logged).
class DBusNotifier final : public QObject, public Notifier
{
    Q_OBJECT
public:
    static constexpr auto kService = "org.freedesktop.Notifications";
    static constexpr auto kPath = "/org/freedesktop/Notifications";
    static constexpr auto kCopyAction = "COPY";
    static constexpr int kDelayMs = 1000;
    // A server that takes the call and does not answer within this is given up on (the error is logged).
    static constexpr int kCallTimeoutMs = 3000;

    explicit DBusNotifier(QObject *parent = nullptr);

    void showError(const QString &title, const QString &text, ErrorKind kind) override;
    // Called after the user answered any notification of ours (the shell swallows the next reopen).
    void setOnResponse(std::function<void()> onResponse) { m_onResponse = std::move(onResponse); }

    // The summary line for an extension's label.
    static QString summaryFor(const QString &title);

Q_SIGNALS:
    // The body of a notification whose "COPY" action was chosen was put on the clipboard.
    void copied(const QString &text);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    void send(const QString &title, const QString &text, ErrorKind kind);

    QHash<uint, QString> m_bodies; // notification id → body, until it closes
    std::function<void()> m_onResponse;
};

} // namespace tavolin
