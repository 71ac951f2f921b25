#pragma once

#include "common/SettingsDomain.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

namespace tavolin {

// The preferences program's handle on the settings domain it shares with the palette. Every pane reads and
// writes through it; a write lands in the domain's file at once and reaches the running palette as a key
// change.
//
// Ownership: the domain is not owned and must outlive this object. Threads: the domain's (main) thread.
// Failure: a write that could not reach the file returns false and changes nothing (the domain logs why).
class Settings
{
public:
    // The domain both programs share; also how the palette program is recognised.
    static constexpr auto kPackageName = SettingsDomain::kPaletteDomain;

    explicit Settings(SettingsDomain &defaults) : m_defaults(defaults) {}

    SettingsDomain &defaults() const { return m_defaults; }

    // The stored value, or QJsonValue::Undefined when the key is absent.
    QJsonValue get(const QString &key) const { return m_defaults.value(key); }
    // Stores `value` under `key`; QJsonValue::Undefined removes the key.
    bool put(const QJsonValue &value, const QString &key) { return m_defaults.setValue(key, value); }

    // Sends [name, args..., time] to the palette over the "command" key. Fire and forget.
    bool sendCommand(const QString &name, const QJsonArray &args = {});

private:
    SettingsDomain &m_defaults;
};

} // namespace tavolin
