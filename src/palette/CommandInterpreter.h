#pragma once

#include "common/CommandChannel.h"

#include <QJsonArray>
#include <QString>

#include <functional>
#include <memory>

namespace tavolin {

class SettingsDomain;

// The running palette's end of the command channel: the preferences program (or a second start of the
// palette) writes [name, arguments..., time] under "command"; the interpreter runs the named command and
// the channel then removes the key.
//
// Commands: "showOption", "showTheme", "checkUpdates", "accessRecentFolder" (keeps the key when there is no
// recent-items folder), "updateExtension" [name, application key, JSON list or a non-string for none, time]
// (fewer than three elements, or an application key that is not a string: ignored) and "clearHistory".
// Any other name does nothing. What each command does is given by Actions; an empty action does nothing
// (a missing collaborator, such as no palette controller or no updater).
//
// Threads: main thread (the domain's owner). The domain is not owned and must outlive the interpreter.
class CommandInterpreter
{
public:
    static constexpr QLatin1String ShowOptionCommand{"showOption"};
    static constexpr QLatin1String ShowThemeCommand{"showTheme"};
    static constexpr QLatin1String CheckUpdatesCommand{"checkUpdates"};
    static constexpr QLatin1String UpdateExtensionsCommand{"updateExtension"};
    static constexpr QLatin1String ClearHistory{"clearHistory"};
    static constexpr QLatin1String AccessRecentCommand{"accessRecentFolder"};

    struct Actions
    {
        // Shows the palette with its option rows.
        std::function<void()> showOption;
        // Shows the palette's theme rows.
        std::function<void()> showTheme;
        std::function<void()> checkUpdates;
        // Asks for access to the recent-items folder; false when there is none (the key stays).
        std::function<bool()> accessRecentFolder;
        // Replaces an application's extensions with a JSON list ("" for none).
        std::function<void(const QString &json, const QString &application)> updateExtensions;
        // Forgets every application's history, including the rows shown for the current one.
        std::function<void()> clearHistory;
    };

    // Starts observing "command" on `settings`. A command already stored is not run (call receive()).
    CommandInterpreter(SettingsDomain &settings, Actions actions);
    ~CommandInterpreter();
    CommandInterpreter(const CommandInterpreter &) = delete;
    CommandInterpreter &operator=(const CommandInterpreter &) = delete;

    // Runs one command; `arguments` is the whole array, name included.
    CommandResult runCommand(const QString &name, const QJsonArray &arguments);

    // Runs the command stored now, as if it had just been written.
    void receive();

private:
    Actions m_actions;
    std::unique_ptr<CommandChannel> m_channel;
};

} // namespace tavolin
