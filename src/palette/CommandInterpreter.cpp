#include "CommandInterpreter.h"

#include "common/Log.h"
#include "common/SettingsDomain.h"

namespace tavolin {
namespace {

void runIfSet(const std::function<void()> &action)
{
    if (action)
        action();
}

} // namespace

CommandInterpreter::CommandInterpreter(SettingsDomain &settings, Actions actions)
    : m_actions(std::move(actions))
{
    m_channel = std::make_unique<CommandChannel>(settings, [this](const QJsonArray &command) {
        return runCommand(command.first().toString(), command);
    });
}

CommandInterpreter::~CommandInterpreter() = default;

void CommandInterpreter::receive() { m_channel->receive(); }

CommandResult CommandInterpreter::runCommand(const QString &name, const QJsonArray &arguments)
{
    log::info(QStringLiteral("run command %1").arg(name));
    if (name == ShowOptionCommand) {
        runIfSet(m_actions.showOption);
    } else if (name == ShowThemeCommand) {
        runIfSet(m_actions.showTheme);
    } else if (name == CheckUpdatesCommand) {
        runIfSet(m_actions.checkUpdates);
    } else if (name == AccessRecentCommand) {
        if (!m_actions.accessRecentFolder || !m_actions.accessRecentFolder())
            return CommandResult::KeepKey;
    } else if (name == UpdateExtensionsCommand) {
        // [name, application, JSON list, time]: the time is always last, so a missing list leaves three
        // elements whose third is the number.
        if (arguments.size() >= 3 && arguments.at(1).isString() && m_actions.updateExtensions) {
            const QJsonValue json = arguments.at(2);
            m_actions.updateExtensions(json.isString() ? json.toString() : QString(), arguments.at(1).toString());
        }
    } else if (name == ClearHistory) {
        runIfSet(m_actions.clearHistory);
    }
    return CommandResult::Done;
}

} // namespace tavolin
