#include "CommandChannel.h"

#include "SettingsDomain.h"
#include "SettingsKeys.h"

#include <atomic>
#include <chrono>

namespace tavolin {
namespace {

// Seconds since 1970 with microseconds, strictly increasing within the process: two identical commands sent
// within one clock tick must still differ, or the second write would be no change and never arrive.
double commandTime()
{
    static std::atomic<double> last{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const double seconds = std::chrono::duration_cast<std::chrono::microseconds>(now).count() / 1e6;
    double previous = last.load();
    double next = 0;
    do {
        next = seconds > previous ? seconds : previous + 1e-6;
    } while (!last.compare_exchange_weak(previous, next));
    return next;
}

} // namespace

CommandChannel::CommandChannel(SettingsDomain &domain, Handler handler, QObject *parent)
    : QObject(parent)
    , m_domain(&domain)
    , m_handler(std::move(handler))
{
    connect(&domain, &SettingsDomain::valueChanged, this, [this](const QString &key) {
        if (key == settings::kCommand)
            receive();
    });
}

CommandChannel::~CommandChannel() = default;

bool CommandChannel::send(SettingsDomain &domain, const QString &name, const QJsonArray &args)
{
    QJsonArray command{name};
    for (const QJsonValue &arg : args)
        command.append(arg);
    command.append(commandTime());
    return domain.setValue(settings::kCommand, command);
}

void CommandChannel::receive()
{
    if (!m_domain || !m_handler)
        return;
    const QJsonValue stored = m_domain->value(settings::kCommand);
    if (!stored.isArray())
        return;
    const QJsonArray command = stored.toArray();
    if (command.isEmpty() || !command.first().isString())
        return;
    // The handler may destroy this channel (for example by quitting a nested loop); keep what is needed.
    const QPointer<SettingsDomain> domain = m_domain;
    const Handler handler = m_handler;
    if (handler(command) == CommandResult::KeepKey || !domain)
        return;
    domain->removeIfEquals(settings::kCommand, stored);
}

} // namespace tavolin
