#pragma once

#include "common/Mutex.h"
#include "common/Result.h"
#include "common/Shortcut.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tavolin {

class SettingsDomain;

// Platform seam: registers system-wide hot keys. The X11 implementation grabs the key on the root window;
// tests use FakeHotkeyGrabber.
//
// Threads: every call is made on the main thread, and `onPress` is called on the main thread.
// After ungrab() returns, the callback given for that shortcut is never called again.
class HotkeyGrabber
{
public:
    using PressCallback = std::function<void()>;

    virtual ~HotkeyGrabber() = default;

    // Registers `shortcut`; `onPress` runs each time it is pressed. A failure (the combination is held by
    // another program, the display refused it) registers nothing and says why, in a clause that follows
    // "Ctrl+Alt+T cannot be used: " ("it is already taken by another program").
    virtual Result<void> grab(const Shortcut &shortcut, PressCallback onPress) = 0;
    // Releases a shortcut grabbed before; releasing one that is not grabbed does nothing.
    virtual void ungrab(const Shortcut &shortcut) = 0;
};

// Ties settings keys to hot keys: the shortcut stored under a key (the text form
// KeyData::keyDataFromStoredString reads, e.g. "cmd+shift+p") is registered through a HotkeyGrabber, and
// re-registered whenever the key changes, in this process or in the preferences program.
//
// A binding that cannot be registered (the value is not a key combination, the combination is taken by
// another program or by another key of this binder) keeps the shortcut the key held before: it goes on
// working and is stored back under the key. The failure is reported four ways: status(key) keeps the
// reason, bindingFailed fires, an error line is logged, and the reason is stored under problemKeyFor(key)
// (removed again once the key's value is registered or cleared), where the preferences program shows it.
// Clearing the key releases the hot key without error.
//
// Ownership: the settings domain and the grabber are not owned and must outlive the binder. The destructor
// releases every hot key it holds.
// Threads: main thread, except shortcutForKey(), which any thread may call.
class HotkeyBinder : public QObject
{
    Q_OBJECT
public:
    using Action = std::function<void()>;

    HotkeyBinder(SettingsDomain &settings, HotkeyGrabber &grabber, QObject *parent = nullptr);
    ~HotkeyBinder() override;

    // Binds `key` to `action` (replacing an earlier action for the key) and registers the stored shortcut
    // now. Calling it again for the same key also retries a registration that failed. Returns the outcome,
    // which status(key) keeps until the next change.
    Result<void> bindShortcutWithDefaultsKey(const QString &key, Action action);
    // Releases the key's hot key and forgets the binding. Unknown keys are ignored.
    void unbind(const QString &key);

    // The shortcut registered for `key` now; nullopt when the key is not bound, holds no shortcut, or its
    // registration failed. Thread-safe.
    std::optional<Shortcut> shortcutForKey(const QString &key) const;
    // The outcome of the last registration for `key`; ok for keys that are not bound.
    Result<void> status(const QString &key) const;
    bool isBound(const QString &key) const;

    // The settings key under which the last failure of `key` is kept as readable text ("palette_shortcut"
    // → "palette_shortcut_problem"); absent while the key's value is registered.
    static QString problemKeyFor(const QString &key);

Q_SIGNALS:
    // The registration for `key` failed; `reason` says why.
    void bindingFailed(const QString &key, const QString &reason);
    // shortcutForKey(key) changed (a new shortcut was registered, or it was released).
    void boundShortcutChanged(const QString &key);

private:
    struct Binding
    {
        Action action;
        std::optional<Shortcut> grabbed; // what the grabber holds for this key
        Result<void> status = Result<void>::ok();
        bool waitsForOwnKey = false; // failed because another key of this binder holds the combination
    };
    struct Notice
    {
        QString key;
        std::optional<QString> failure; // bindingFailed with this reason; else boundShortcutChanged
    };

    Result<void> apply(const QString &key);
    void release(const QString &key, Binding &binding);
    void releaseAndRetryOthers(const QString &key, Binding &binding);
    Result<void> succeed(const QString &key, Binding &binding);
    Result<void> refuse(const QString &key, Binding &binding, QString reason, bool waitsForOwnKey = false);
    void storeProblem(const QString &key, const QString &problem);
    std::optional<QString> holderOf(const Shortcut &shortcut, const QString &except) const;
    void retryFailedBindings(const QString &except);
    void onSettingChanged(const QString &key);
    void onPressed(const QString &key);
    void publish(const QString &key, const std::optional<Shortcut> &shortcut);
    void emitNotices();

    SettingsDomain &m_settings;
    HotkeyGrabber &m_grabber;
    std::map<QString, Binding> m_bindings; // main thread only
    std::vector<Notice> m_notices;         // signals held back until the bindings are consistent
    QString m_writingBack;                 // the key whose kept shortcut is being stored back, else ""

    mutable Mutex m_activeMutex;
    std::map<QString, Shortcut> m_active GUARDED_BY(m_activeMutex); // snapshot for shortcutForKey()
};

} // namespace tavolin
