#pragma once

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace tavolin {

// Client of the desktop portal's GlobalShortcuts interface (org.freedesktop.portal.Desktop), the one way a
// Wayland program may have shortcuts of its own: checks that the portal offers it (its version property),
// creates a session and binds the shortcuts in it. A portal binds once per session, so binding again closes
// the session and binds in a new one. The desktop may pick other triggers than the ones asked for, now or
// later: bound and triggersChanged tell them.
//
// Every call is asynchronous and bounded: a reply within `callTimeoutMs`, a session within that as well,
// the binding within `bindTimeoutMs` (the desktop may ask the user first). A portal without the interface,
// or one that fails or does not answer in time, is given up for this run: unavailable says why, once.
// Threads: main thread; signals are emitted on it.
class GlobalShortcutsPortal final : public QObject
{
    Q_OBJECT
public:
    struct Entry
    {
        QString id;                      // "palette_shortcut"
        QString description;             // what the desktop shows beside it
        std::optional<QString> trigger; // preferred trigger ("CTRL+SHIFT+p"); none lets the desktop choose
    };
    // Shortcut id → the desktop's description of its trigger ("Ctrl+Shift+P"); may be empty.
    using Triggers = QMap<QString, QString>;

    GlobalShortcutsPortal(int callTimeoutMs, int bindTimeoutMs, QObject *parent = nullptr);
    ~GlobalShortcutsPortal() override; // closes the session (without waiting)

    // Binds `entries` (replacing what was bound). While a step is under way the newest entries wait for it.
    void bind(QList<Entry> entries);

Q_SIGNALS:
    void unavailable(const QString &why);
    void bound(uint version, const tavolin::GlobalShortcutsPortal::Triggers &triggers);
    void activated(const QString &id);
    void triggersChanged(const tavolin::GlobalShortcutsPortal::Triggers &triggers);

private Q_SLOTS:
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                     const QVariantMap &options);
    void onShortcutsChanged(const QDBusMessage &message);

private:
    enum class State { Idle, Probing, Creating, Binding, Ready, Failed };

    void advance();
    void probe();
    void createSession();
    void bindInSession();
    void closeSession();
    void fail(const QString &why);

    int m_callTimeoutMs;
    int m_bindTimeoutMs;
    State m_state = State::Idle;
    uint m_version = 0;
    QList<Entry> m_wanted;
    bool m_wantedChanged = false; // m_wanted differs from what the session holds
    QString m_session;            // the session's object path, empty when none
    int m_sessions = 0;           // numbers each session's token
};

} // namespace tavolin
