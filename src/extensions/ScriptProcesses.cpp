#include "ScriptProcesses.h"

#include "Notifier.h"
#include "ProcessGroup.h"
#include "common/Log.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <csignal>

namespace tavolin {
namespace {

// Appends `chunk` to `kept`, keeping at most ScriptRunner::kMaxErrorBytes. Returns true when something was
// dropped.
bool appendCapped(QByteArray &kept, const QByteArray &chunk)
{
    const qsizetype room = ScriptRunner::kMaxErrorBytes - kept.size();
    if (chunk.size() <= room) {
        kept += chunk;
        return false;
    }
    if (room > 0) {
        // Cut on a character boundary so a long message still decodes as UTF-8.
        qsizetype cut = room;
        while (cut > 0 && (static_cast<unsigned char>(chunk.at(cut)) & 0xC0) == 0x80)
            --cut;
        kept += chunk.left(cut);
    }
    return true;
}

} // namespace

ScriptProcesses::ScriptProcesses(QString folder, Notifier &notifier, int maxRunning)
    : m_folder(std::move(folder)), m_notifier(notifier), m_maxRunning(maxRunning)
{
}

ScriptProcesses::~ScriptProcesses()
{
    stopAll();
}

void ScriptProcesses::settle(const Promise &promise, const RunOutcome &outcome)
{
    promise->addResult(outcome);
    promise->finish();
}

void ScriptProcesses::refuse(const QString &label, RunOutcome::Kind kind, const QString &message,
                             const Promise &promise)
{
    RunOutcome outcome;
    outcome.kind = kind;
    outcome.message = message;
    log::error(QStringLiteral("extension %1 not run: %2").arg(label, message));
    m_notifier.showError(label, message, Notifier::ErrorKind::Extension);
    settle(promise, outcome);
}

void ScriptProcesses::start(const QString &label, const QString &entry, const RunContext &context,
                            const Promise &promise)
{
    if (m_stopping) {
        settle(promise, RunOutcome{RunOutcome::Kind::Stopped, 0, QString()});
        return;
    }
    const LaunchPlan plan = ScriptRunner::planLaunch(m_folder, entry);
    if (plan.kind != LaunchPlan::Kind::Ready) {
        refuse(label, plan.kind == LaunchPlan::Kind::Refused ? RunOutcome::Kind::Refused : RunOutcome::Kind::NotStarted,
               plan.error, promise);
        return;
    }
    if (m_children.size() >= m_maxRunning) {
        refuse(label, RunOutcome::Kind::NotStarted,
               QStringLiteral("%1 extension scripts are still running; \"%2\" was not started. End one of them and "
                              "try again.")
                   .arg(m_children.size())
                   .arg(entry),
               promise);
        return;
    }

    auto *process = new QProcess(this);
    process->setProgram(plan.program);
    process->setArguments(plan.arguments);
    process->setWorkingDirectory(QFileInfo(m_folder).canonicalFilePath());
    process->setProcessEnvironment(ScriptRunner::environmentFor(context));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setChildProcessModifier(&processgroup::leadOwnGroup);
    m_children.insert(process, Child{label, promise, {}, false});
    connect(process, &QProcess::readyReadStandardError, this, [this, process] { collectError(process); });
    connect(process, &QProcess::finished, this, [this, process] { exited(process); });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failedToStart(process);
    });
    log::info(QStringLiteral("run extension %1: %2").arg(label, entry));
    process->start();
    // The pid is known once start() returns; the child makes it its group's id before it runs the script.
    if (const auto child = m_children.find(process); child != m_children.end())
        child->group = process->processId();
}

void ScriptProcesses::collectError(QProcess *process)
{
    const auto child = m_children.find(process);
    if (child == m_children.end())
        return;
    child->truncated |= appendCapped(child->standardError, process->readAllStandardError());
}

void ScriptProcesses::exited(QProcess *process)
{
    collectError(process);
    const Child child = m_children.take(process);
    process->deleteLater();
    endGroup(child.group);
    if (!child.promise)
        return;
    RunOutcome outcome;
    outcome.exitCode = process->exitCode();
    if (process->exitStatus() != QProcess::NormalExit || outcome.exitCode != 0) {
        outcome.kind = RunOutcome::Kind::Failed;
        outcome.message = ScriptRunner::failureText(child.standardError, outcome.exitCode);
        if (child.truncated)
            outcome.message += QStringLiteral("\n[…]");
        log::error(QStringLiteral("extension %1 failed with %2").arg(child.label).arg(outcome.exitCode));
        m_notifier.showError(child.label, outcome.message, Notifier::ErrorKind::Extension);
    }
    settle(child.promise, outcome);
}

void ScriptProcesses::failedToStart(QProcess *process)
{
    const Child child = m_children.take(process);
    process->deleteLater();
    if (!child.promise)
        return;
    RunOutcome outcome;
    outcome.kind = RunOutcome::Kind::NotStarted;
    outcome.message = process->errorString();
    log::error(QStringLiteral("extension %1 did not start: %2").arg(child.label, outcome.message));
    m_notifier.showError(child.label, outcome.message, Notifier::ErrorKind::Extension);
    settle(child.promise, outcome);
}

void ScriptProcesses::endGroup(qint64 group)
{
    // The script has been reaped, but while any member of its group lives the kernel keeps the group's id
    // from being handed out again, so this reaches only what the script left behind. After SIGTERM the id
    // may fall free; pids are handed out cyclically, so it is not reused within the grace.
    if (!processgroup::signalGroup(group, SIGTERM))
        return; // nothing was left running
    log::info(QStringLiteral("ending what extension process group %1 left running").arg(group));
    m_endingGroups.insert(group);
    QTimer::singleShot(kGroupGraceMs, this, [this, group] {
        if (m_endingGroups.remove(group))
            processgroup::signalGroup(group, SIGKILL);
    });
}

void ScriptProcesses::stopAll()
{
    m_stopping = true;
    const QHash<QProcess *, Child> children = std::exchange(m_children, {});
    for (auto it = children.begin(); it != children.end(); ++it) {
        it.key()->disconnect(this);
        processgroup::signalGroup(it->group, SIGTERM);
    }
    // One grace for all of them together, so quitting waits about as long with many scripts as with one.
    const QDeadlineTimer grace(kGroupGraceMs);
    for (auto it = children.begin(); it != children.end(); ++it)
        it.key()->waitForFinished(int(grace.remainingTime()));
    for (auto it = children.begin(); it != children.end(); ++it)
        processgroup::signalGroup(it->group, SIGKILL);
    for (const qint64 group : std::exchange(m_endingGroups, {}))
        processgroup::signalGroup(group, SIGKILL);
    for (auto it = children.begin(); it != children.end(); ++it) {
        QProcess *process = it.key();
        process->kill(); // in case it had not yet made its group
        process->waitForFinished(1000); // reaps it
        settle(it->promise, RunOutcome{RunOutcome::Kind::Stopped, 0, QString()});
        delete process;
    }
}

} // namespace tavolin
