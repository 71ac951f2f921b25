#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace tavolin::test {

// A desktop session beside the test's own, for tests of several sessions of one user: a display, a session
// bus and (unless asked not to) an accessibility bus of its own, started by scripts/headless-session.sh
// with a state folder of its own and stopped by it when the object goes. Its environment is kept apart from
// this process's; it shares this process's XDG_RUNTIME_DIR, as two login sessions of one user do.
class SideSession
{
public:
    // `options`: extra arguments of the script's start ("--no-a11y"). Null, with `why`, when it did not start.
    static std::unique_ptr<SideSession> start(const QStringList &options, QString *why);
    ~SideSession();

    const QProcessEnvironment &environment() const { return m_environment; }

private:
    SideSession() = default;
    QTemporaryDir m_state;
    QProcessEnvironment m_environment;
};

// How a program run to its end went.
struct ProgramRun
{
    int exitCode = -1;
    bool crashed = false;
    qint64 elapsedMs = 0;
    QString output; // standard output and error
};
// Runs `program` under `environment` until it ends; nullopt when it did not end within `boundMs` (it is
// killed then).
std::optional<ProgramRun> runToEnd(const QString &program, const QStringList &arguments,
                                   const QProcessEnvironment &environment, int boundMs = 10000);

// Whether a window titled exactly `title` is mapped on the display of `environment` (xdotool).
bool windowMappedIn(const QProcessEnvironment &environment, const QString &title);

// A program left running under an environment, stopped (SIGTERM, then SIGKILL) when the object goes.
class RunningProgram
{
public:
    static std::unique_ptr<RunningProgram> start(const QString &program, const QStringList &arguments,
                                                 const QProcessEnvironment &environment);
    ~RunningProgram();
    QProcess &process() { return m_process; }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

private:
    RunningProgram() = default;
    QProcess m_process;
};

} // namespace tavolin::test
