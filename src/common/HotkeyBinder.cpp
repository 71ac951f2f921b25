#include "common/HotkeyBinder.h"

#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/Log.h"
#include "common/Mutex.h"
#include "common/SettingsDomain.h"

#include <QJsonDocument>

namespace tavolin {
namespace {

// What a key asks for: no shortcut (cleared), a shortcut, or a value that is not one.
struct StoredShortcut
{
    std::optional<Shortcut> shortcut;
    QString error; // non-empty when the value could not be read
};

QString describeValue(const QJsonValue &value)
{
    if (value.isString())
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray())
                                   : value.isObject() ? QJsonDocument(value.toObject())
                                                      : QJsonDocument();
    if (!document.isNull())
        return QString::fromUtf8(document.toJson(QJsonDocument::Compact));
    return value.isBool() ? (value.toBool() ? QStringLiteral("true") : QStringLiteral("false"))
                          : QString::number(value.toDouble());
}

// Failure reasons reach people (a notification, the preferences program): Linux names, "Ctrl+Shift+P".
QString readable(const Shortcut &shortcut)
{
    const QString text = KeyData::keyDataFromShortcut(shortcut).displayText();
    return text.isEmpty() ? shortcut.description() : text;
}

StoredShortcut readStoredShortcut(const QJsonValue &value)
{
    if (value.isUndefined() || value.isNull() || (value.isString() && value.toString().trimmed().isEmpty()))
        return {};
    if (std::optional<Shortcut> shortcut = KeyCodeHelper::deserializeShortcut(value))
        return {std::move(shortcut), {}};
    return {std::nullopt, QStringLiteral("the stored value %1 is not a key combination").arg(describeValue(value))};
}

} // namespace

HotkeyBinder::HotkeyBinder(SettingsDomain &settings, HotkeyGrabber &grabber, QObject *parent)
    : QObject(parent), m_settings(settings), m_grabber(grabber)
{
    connect(&m_settings, &SettingsDomain::valueChanged, this, &HotkeyBinder::onSettingChanged);
}

HotkeyBinder::~HotkeyBinder()
{
    for (auto &[key, binding] : m_bindings) {
        if (binding.grabbed)
            m_grabber.ungrab(*binding.grabbed);
    }
}

Result<void> HotkeyBinder::bindShortcutWithDefaultsKey(const QString &key, Action action)
{
    m_bindings[key].action = std::move(action);
    const Result<void> status = apply(key);
    emitNotices();
    return status;
}

void HotkeyBinder::unbind(const QString &key)
{
    const auto it = m_bindings.find(key);
    if (it == m_bindings.end())
        return;
    const bool held = it->second.grabbed.has_value();
    release(key, it->second);
    m_bindings.erase(it);
    if (held)
        retryFailedBindings(key);
    storeProblem(key, QString());
    emitNotices();
}

std::optional<Shortcut> HotkeyBinder::shortcutForKey(const QString &key) const
{
    MutexLocker lock(m_activeMutex);
    const auto it = m_active.find(key);
    if (it == m_active.end())
        return std::nullopt;
    return it->second;
}

Result<void> HotkeyBinder::status(const QString &key) const
{
    const auto it = m_bindings.find(key);
    return it == m_bindings.end() ? Result<void>::ok() : it->second.status;
}

bool HotkeyBinder::isBound(const QString &key) const
{
    return m_bindings.count(key) != 0;
}

// Brings the key's registration in line with its stored value. The new combination is grabbed before the
// old one is let go, so a change that cannot be registered leaves the old shortcut working.
Result<void> HotkeyBinder::apply(const QString &key)
{
    Binding &binding = m_bindings.at(key);
    const StoredShortcut wanted = readStoredShortcut(m_settings.value(key));
    binding.waitsForOwnKey = false;
    if (!wanted.error.isEmpty())
        return refuse(key, binding, wanted.error);
    if (wanted.shortcut && binding.grabbed == wanted.shortcut)
        return succeed(key, binding);
    if (!wanted.shortcut) {
        releaseAndRetryOthers(key, binding);
        return succeed(key, binding);
    }
    const Shortcut shortcut = *wanted.shortcut;
    if (const std::optional<QString> holder = holderOf(shortcut, key))
        return refuse(key, binding,
                      QStringLiteral("%1 cannot be used: it is already the shortcut of %2").arg(readable(shortcut), *holder),
                      true);

    const Result<void> grabbed = m_grabber.grab(shortcut, [this, key] { onPressed(key); });
    if (!grabbed.isOk())
        return refuse(key, binding, QStringLiteral("%1 cannot be used: %2").arg(readable(shortcut), grabbed.reason()));
    releaseAndRetryOthers(key, binding);
    binding.grabbed = shortcut;
    publish(key, shortcut);
    log::info(QStringLiteral("bound %1 to %2").arg(key, readable(shortcut)));
    return succeed(key, binding);
}

void HotkeyBinder::release(const QString &key, Binding &binding)
{
    if (!binding.grabbed)
        return;
    m_grabber.ungrab(*binding.grabbed);
    binding.grabbed.reset();
    publish(key, std::nullopt);
}

void HotkeyBinder::releaseAndRetryOthers(const QString &key, Binding &binding)
{
    const bool held = binding.grabbed.has_value();
    release(key, binding);
    if (held)
        retryFailedBindings(key);
}

Result<void> HotkeyBinder::succeed(const QString &key, Binding &binding)
{
    binding.status = Result<void>::ok();
    storeProblem(key, QString());
    return binding.status;
}

// A refused change keeps the shortcut the key held, and stores it back under the key, so the settings (and
// the recorder showing them) name the shortcut that works, also after a restart.
Result<void> HotkeyBinder::refuse(const QString &key, Binding &binding, QString reason, bool waitsForOwnKey)
{
    if (binding.grabbed) {
        reason += QStringLiteral(". %1 stays in use.").arg(readable(*binding.grabbed));
        const QJsonValue kept = KeyCodeHelper::serializeShortcut(*binding.grabbed);
        if (!kept.isUndefined()) {
            m_writingBack = key;
            m_settings.setValue(key, kept);
            m_writingBack.clear();
        }
    } else {
        binding.waitsForOwnKey = waitsForOwnKey;
        reason += QLatin1Char('.');
    }
    binding.status = Result<void>::failure(reason);
    log::error(QStringLiteral("cannot bind %1: %2").arg(key, reason));
    m_notices.push_back({key, reason});
    storeProblem(key, reason);
    return binding.status;
}

// The outcome is also kept in the settings, where the preferences program shows it beside its recorder.
void HotkeyBinder::storeProblem(const QString &key, const QString &problem)
{
    const QString problemKey = problemKeyFor(key);
    if (problem.isEmpty() ? !m_settings.contains(problemKey) : m_settings.stringValue(problemKey) == problem)
        return;
    m_settings.setValue(problemKey, problem.isEmpty() ? QJsonValue(QJsonValue::Undefined) : QJsonValue(problem));
}

QString HotkeyBinder::problemKeyFor(const QString &key)
{
    return key + QStringLiteral("_problem");
}

std::optional<QString> HotkeyBinder::holderOf(const Shortcut &shortcut, const QString &except) const
{
    for (const auto &[key, binding] : m_bindings) {
        if (key != except && binding.grabbed == shortcut)
            return key;
    }
    return std::nullopt;
}

// A key that failed because another key of ours held its combination gets it once that key lets go.
void HotkeyBinder::retryFailedBindings(const QString &except)
{
    std::vector<QString> failed;
    for (const auto &[key, binding] : m_bindings) {
        if (key != except && !binding.grabbed && binding.waitsForOwnKey)
            failed.push_back(key);
    }
    for (const QString &key : failed) {
        if (m_bindings.count(key))
            apply(key);
    }
}

void HotkeyBinder::onSettingChanged(const QString &key)
{
    if (!m_bindings.count(key) || key == m_writingBack)
        return;
    apply(key);
    emitNotices();
}

void HotkeyBinder::onPressed(const QString &key)
{
    const auto it = m_bindings.find(key);
    if (it == m_bindings.end() || !it->second.action)
        return;
    // A copy: the action may unbind or rebind its own key while it runs.
    const Action action = it->second.action;
    action();
}

void HotkeyBinder::publish(const QString &key, const std::optional<Shortcut> &shortcut)
{
    {
        MutexLocker lock(m_activeMutex);
        if (shortcut)
            m_active.insert_or_assign(key, *shortcut);
        else
            m_active.erase(key);
    }
    m_notices.push_back({key, std::nullopt});
}

// Signals go out only after an operation has finished, so a slot that binds or unbinds keys never finds a
// binding half changed.
void HotkeyBinder::emitNotices()
{
    while (!m_notices.empty()) {
        std::vector<Notice> notices;
        notices.swap(m_notices);
        for (const Notice &notice : notices) {
            if (notice.failure)
                Q_EMIT bindingFailed(notice.key, *notice.failure);
            else
                Q_EMIT boundShortcutChanged(notice.key);
        }
    }
}

} // namespace tavolin
