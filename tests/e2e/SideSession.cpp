#include "SideSession.h"

#include <QElapsedTimer>

namespace tavolin::test {

std::unique_ptr<SideSession> SideSession::start(const QStringList &options, QString *why)
{
    std::unique_ptr<SideSession> session(new SideSession);
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral(TAVOLIN_SESSION_SCRIPT),
                 QStringList{QStringLiteral("start")} + options
                     + QStringList{QStringLiteral("--state-dir"), session->m_state.path()});
    if (!script.waitForFinished(20000) || script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0) {
        script.kill();
        *why = QStringLiteral("the side session did not start: ") + QString::fromUtf8(script.readAll());
        return nullptr;
    }
    session->m_environment = QProcessEnvironment::systemEnvironment();
    for (const QString &line : QString::fromUtf8(script.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("export "))) {
            const QString assignment = line.mid(7);
            const qsizetype eq = assignment.indexOf(QLatin1Char('='));
            session->m_environment.insert(assignment.left(eq), assignment.mid(eq + 1));
        } else if (line.startsWith(QLatin1String("unset "))) {
            for (const QString &name : line.mid(6).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                session->m_environment.remove(name);
        }
    }
    return session;
}

SideSession::~SideSession()
{
    QProcess script;
    script.start(QStringLiteral(TAVOLIN_SESSION_SCRIPT),
                 {QStringLiteral("stop"), QStringLiteral("--state-dir"), m_state.path()});
    if (!script.waitForFinished(20000))
        script.kill();
}

std::optional<ProgramRun> runToEnd(const QString &program, const QStringList &arguments,
                                   const QProcessEnvironment &environment, int boundMs)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(boundMs)) {
        process.kill();
        process.waitForFinished(2000);
        return std::nullopt;
    }
    ProgramRun run;
    run.elapsedMs = clock.elapsed();
    run.exitCode = process.exitCode();
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.output = QString::fromUtf8(process.readAll());
    return run;
}

bool windowMappedIn(const QProcessEnvironment &environment, const QString &title)
{
    const std::optional<ProgramRun> search =
        runToEnd(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                  QLatin1Char('^') + title + QLatin1Char('$')},
                 environment, 5000);
    return search && search->exitCode == 0 && !search->output.trimmed().isEmpty();
}

std::unique_ptr<RunningProgram> RunningProgram::start(const QString &program, const QStringList &arguments,
                                                      const QProcessEnvironment &environment)
{
    std::unique_ptr<RunningProgram> running(new RunningProgram);
    running->m_process.setProcessEnvironment(environment);
    running->m_process.setProcessChannelMode(QProcess::MergedChannels);
    running->m_process.start(program, arguments);
    if (!running->m_process.waitForStarted(5000))
        return nullptr;
    return running;
}

RunningProgram::~RunningProgram()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

} // namespace tavolin::test
