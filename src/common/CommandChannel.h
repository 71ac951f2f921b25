#pragma once

#include <QJsonArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace tavolin {

class SettingsDomain;

// What a command handler asks of the channel once it has run.
enum class CommandResult {
    Done,    // remove the key "command" (also for a name the handler does not know)
    KeepKey, // leave the key in place ("accessRecentFolder" without a recent-items folder)
};

// The only message channel between the preferences program and the running palette: the settings key
// "command" holding [name, arguments..., time].
//
// A CommandChannel object is the receiving end. It observes "command" on a domain; on each change it reads
// the value, ignores it unless it is a non-empty array whose element 0 is a string (an ignored value is left
// as it is), calls the handler with the whole array, and then removes the key unless the handler returned
// KeepKey. The removal only happens while the key still holds the array that ran, so a command another
// process wrote meanwhile is not lost; it arrives as the next change.
//
// Threads: the domain's owner thread (the main thread); the handler runs there, synchronously inside the
// domain's change notification, and may itself send commands. The domain is not owned; when it is destroyed
// first the channel does nothing.
class CommandChannel : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<CommandResult(const QJsonArray &command)>;

    CommandChannel(SettingsDomain &domain, Handler handler, QObject *parent = nullptr);
    ~CommandChannel() override;

    // Stores [name, args..., time] under "command", time in seconds since 1970 as a floating-point number.
    // The time grows with every call in this process, so sending the same command twice is always a change.
    // Returns false when the domain could not be written.
    static bool send(SettingsDomain &domain, const QString &name, const QJsonArray &args = {});

    // Handles the value stored now as if it had just changed (for a command written while nobody listened).
    void receive();

private:
    QPointer<SettingsDomain> m_domain;
    Handler m_handler;
};

} // namespace tavolin
