#pragma once

#include <QDBusVirtualObject>
#include <QStringList>

namespace tavolin::test {

// A desktop notification service (org.freedesktop.Notifications) on the session bus, served by this test
// process: it records what the programs under test notify, as a person would read it on the desktop.
// Answers only while this process runs its event loop (waitFor does). Main thread only.
class NotificationServer final : public QDBusVirtualObject
{
public:
    // Registers on the session bus; false when the name is taken or there is no bus.
    bool start();
    ~NotificationServer() override;

    // "SUMMARY: BODY" of each notification so far, in order.
    const QStringList &shown() const { return m_shown; }

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    bool m_registered = false;
    QStringList m_shown;
};

} // namespace tavolin::test
