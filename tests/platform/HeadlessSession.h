#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace tavolin::test {

// A private headless session (Xvfb, session bus, accessibility bus) for this test process, started once by
// scripts/headless-session.sh on first use and stopped at exit. Its environment (DISPLAY,
// DBUS_SESSION_BUS_ADDRESS, ...) is exported into this process, so children and libraries use it.
class HeadlessSession
{
public:
    // The session, or null when it cannot start (reason() says why): tests then GTEST_SKIP.
    static HeadlessSession *get();
    // The same with a Wayland compositor (sway, with Xwayland) instead of Xvfb; its programs start as the
    // session's user (support/SessionUser.h), in a home of their own that the test can read. A process
    // holds one session: asking for the other kind afterwards gives null.
    static HeadlessSession *getWayland();
    static QString reason();

    // Adds or removes the window manager (openbox). False when it cannot start.
    bool startWindowManager();
    void stopWindowManager();

    ~HeadlessSession();

private:
    HeadlessSession() = default;
    static HeadlessSession *start(bool wayland);
    bool run(const QStringList &args, QString *output);
    bool makeSessionUserHome();

    bool m_wayland = false;
    QTemporaryDir m_stateDir;
    QTemporaryDir m_userHome;
};

// An application started under the session, killed (SIGKILL after SIGTERM) when the object goes.
class TestApp
{
public:
    // Starts the Qt menu fixture with a log file and its `options` (see MenuFixture.cpp); waits (bounded)
    // for its "ready" line.
    static std::unique_ptr<TestApp> startFixture(const QString &name = QStringLiteral("tavolin-menu-fixture"),
                                                 const QStringList &options = {});
    // Starts any program; does not wait.
    static std::unique_ptr<TestApp> start(const QString &program, const QStringList &args);
    ~TestApp();

    qint64 pid() const { return m_process.processId(); }
    // The fixture's log lines so far (the "triggered ..." lines).
    QStringList logLines() const;
    bool waitForLogLine(const QString &line, int boundMs = 5000) const;
    QProcess &process() { return m_process; }

private:
    TestApp() = default;
    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_logPath;
};

} // namespace tavolin::test
