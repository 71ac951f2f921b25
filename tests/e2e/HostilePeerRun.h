#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavolin::test {

// The hostile peer (tests/fixtures/HostilePeer.cpp) serving `tree` the way `toolkit` ("gtk", "qt") does,
// registered on the session's accessibility bus, with an X window of its own when `window` is Window::Open.
// Killed when the object goes.
class HostilePeerRun
{
public:
    enum class Window { None, Open };
    HostilePeerRun(const QString &tree, const QString &toolkit, Window window = Window::None);
    ~HostilePeerRun();
    HostilePeerRun(const HostilePeerRun &) = delete;
    HostilePeerRun &operator=(const HostilePeerRun &) = delete;

    bool ready() const { return m_ready; }
    qint64 pid() const { return m_process.processId(); }
    // The paths of the items pressed so far ("File > Quit"), in order.
    QStringList performed();

private:
    QProcess m_process;
    QByteArray m_output;
    bool m_ready = false;
};

} // namespace tavolin::test
