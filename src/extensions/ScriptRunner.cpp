#include "ScriptRunner.h"

#include "Notifier.h"
#include "common/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPromise>
#include <QStandardPaths>
#include <QStringDecoder>

#include <chrono>
#include <memory>

namespace tavolin {
namespace {

// How often a waiting worker looks at the stop flag and drains standard error.
constexpr int kStopCheckMs = 250;

const QString kAppVariable = QStringLiteral("TAVOLIN_APP");
const QString kPidVariable = QStringLiteral("TAVOLIN_APP_PID");
const QString kDocumentVariable = QStringLiteral("TAVOLIN_DOCUMENT");

// The ending of the entry's file name, without the dot; "" when the name has none. A leading dot marks a
// hidden file, not an ending.
QString endingOf(const QString &entry)
{
    const QString name = entry.mid(entry.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

LaunchPlan notStartable(const QString &error)
{
    LaunchPlan plan;
    plan.kind = LaunchPlan::Kind::NotStartable;
    plan.error = error;
    return plan;
}

// Appends what the child wrote to standard error, keeping at most kMaxErrorBytes. Returns true when
// something was dropped.
bool drainError(QProcess &process, QByteArray &kept)
{
    const QByteArray chunk = process.readAllStandardError();
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

ScriptRunner::ScriptRunner(QString folder, Notifier &notifier, int maxConcurrentRuns)
    : m_folder(std::move(folder)), m_notifier(notifier)
{
    m_pool.setMaxThreadCount(qMax(1, maxConcurrentRuns));
}

ScriptRunner::~ScriptRunner()
{
    m_stopping = true;
    m_pool.waitForDone();
}

QFuture<RunOutcome> ScriptRunner::run(const QString &label, const QString &entry, const RunContext &context)
{
    auto promise = std::make_shared<QPromise<RunOutcome>>();
    QFuture<RunOutcome> future = promise->future();
    promise->start();
    m_pool.start([this, promise, label, entry, context] {
        RunOutcome outcome;
        if (m_stopping)
            outcome.kind = RunOutcome::Kind::Stopped;
        else
            outcome = execute(label, entry, context);
        promise->addResult(outcome);
        promise->finish();
    });
    return future;
}

ScriptRunner::ResolvedEntry ScriptRunner::resolveEntry(const QString &folder, const QString &entry)
{
    using Status = ResolvedEntry::Status;
    auto result = [](Status status, const QString &text) { return ResolvedEntry{status, QString(), text}; };
    const QString outside =
        QStringLiteral("The script \"%1\" is not inside the extension folder; it was not run.").arg(entry);
    if (entry.isEmpty())
        return result(Status::Missing, QStringLiteral("The extension names no script."));
    if (entry.contains(QChar(u'\0')) || QDir::isAbsolutePath(entry))
        return result(Status::Outside, outside);

    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return result(Status::Missing, QStringLiteral("The extension folder %1 does not exist.").arg(folder));
    const QString prefix = root + QLatin1Char('/');

    // Checked twice: lexically (a "../" escape) and after following links (a link pointing out). What runs
    // is the canonical path checked here, not the entry, so no later lookup can land elsewhere.
    const QString joined = QDir::cleanPath(prefix + entry);
    if (!joined.startsWith(prefix))
        return result(Status::Outside, outside);
    const QFileInfo info(joined);
    if (!info.exists())
        return result(Status::Missing,
                      QStringLiteral("The script \"%1\" was not found in the extension folder.").arg(entry));
    const QString canonical = info.canonicalFilePath();
    if (!canonical.startsWith(prefix))
        return result(Status::Outside,
                      QStringLiteral("The script \"%1\" points outside the extension folder; it was not run.").arg(entry));
    if (!QFileInfo(canonical).isFile())
        return result(Status::Missing, QStringLiteral("The script \"%1\" is not a file.").arg(entry));
    return ResolvedEntry{Status::Inside, canonical, QString()};
}

LaunchPlan ScriptRunner::planLaunch(const QString &folder, const QString &entry)
{
    const ResolvedEntry resolved = resolveEntry(folder, entry);
    if (resolved.status != ResolvedEntry::Status::Inside) {
        LaunchPlan plan = notStartable(resolved.error);
        if (resolved.status == ResolvedEntry::Status::Outside)
            plan.kind = LaunchPlan::Kind::Refused;
        return plan;
    }
    const QString &path = resolved.path;

    const QString ending = endingOf(entry);
    LaunchPlan plan;
    plan.kind = LaunchPlan::Kind::Ready;
    if (ending == QLatin1String("sh")) {
        plan.program = QStringLiteral("/bin/bash");
        plan.arguments = {path};
    } else if (ending == QLatin1String("py")) {
        plan.program = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (plan.program.isEmpty())
            return notStartable(QStringLiteral("Python extensions need python3, which was not found on PATH."));
        plan.arguments = {path};
    } else if (ending.isEmpty()) {
        if (!QFileInfo(path).isExecutable())
            return notStartable(QStringLiteral("The script \"%1\" is not executable (chmod +x).").arg(entry));
        plan.program = path;
    } else if (ending == QLatin1String("scpt")) {
        return notStartable(QStringLiteral("AppleScript extensions need macOS; \"%1\" cannot run here.").arg(entry));
    } else {
        return notStartable(QStringLiteral("No program runs scripts ending in \".%1\" (\"%2\").").arg(ending, entry));
    }
    return plan;
}

QProcessEnvironment ScriptRunner::environmentFor(const RunContext &context, QProcessEnvironment base)
{
    // Values inherited from our own environment would describe some other application.
    base.remove(kAppVariable);
    base.remove(kPidVariable);
    base.remove(kDocumentVariable);
    if (!context.appKey.isEmpty())
        base.insert(kAppVariable, context.appKey);
    if (context.appPid > 0)
        base.insert(kPidVariable, QString::number(context.appPid));
    if (!context.document.isEmpty())
        base.insert(kDocumentVariable, context.document);
    return base;
}

QString ScriptRunner::failureText(const QByteArray &standardError, int exitCode)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(standardError);
    if (decoder.hasError())
        text.clear();
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    text.truncate(end);
    // An empty body would tell the user nothing; the status at least says the script failed.
    if (text.isEmpty())
        return QStringLiteral("task return %1").arg(exitCode);
    return text;
}

RunOutcome ScriptRunner::execute(const QString &label, const QString &entry, const RunContext &context)
{
    const LaunchPlan plan = planLaunch(m_folder, entry);
    RunOutcome outcome;
    if (plan.kind != LaunchPlan::Kind::Ready) {
        outcome.kind = plan.kind == LaunchPlan::Kind::Refused ? RunOutcome::Kind::Refused
                                                               : RunOutcome::Kind::NotStarted;
        outcome.message = plan.error;
        log::error(QStringLiteral("extension %1 not run: %2").arg(label, plan.error));
        m_notifier.showError(label, plan.error, Notifier::ErrorKind::Extension);
        return outcome;
    }

    QProcess process;
    process.setProgram(plan.program);
    process.setArguments(plan.arguments);
    process.setWorkingDirectory(QFileInfo(m_folder).canonicalFilePath());
    process.setProcessEnvironment(environmentFor(context));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    log::info(QStringLiteral("run extension %1: %2").arg(label, entry));
    process.start();
    if (!process.waitForStarted(-1)) {
        outcome.kind = RunOutcome::Kind::NotStarted;
        outcome.message = process.errorString();
        log::error(QStringLiteral("extension %1 did not start: %2").arg(label, outcome.message));
        m_notifier.showError(label, outcome.message, Notifier::ErrorKind::Extension);
        return outcome;
    }

    outcome = waitForExit(process);
    if (outcome.kind == RunOutcome::Kind::Failed) {
        log::error(QStringLiteral("extension %1 failed with %2").arg(label).arg(outcome.exitCode));
        m_notifier.showError(label, outcome.message, Notifier::ErrorKind::Extension);
    }
    return outcome;
}

RunOutcome ScriptRunner::waitForExit(QProcess &process)
{
    RunOutcome outcome;
    QByteArray standardError;
    bool truncated = false;
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(kStopCheckMs)) {
        truncated |= drainError(process, standardError);
        if (m_stopping && process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(-1);
            outcome.kind = RunOutcome::Kind::Stopped;
            return outcome;
        }
    }
    truncated |= drainError(process, standardError);

    outcome.exitCode = process.exitCode();
    if (process.exitStatus() == QProcess::NormalExit && outcome.exitCode == 0)
        return outcome;
    outcome.kind = RunOutcome::Kind::Failed;
    outcome.message = failureText(standardError, outcome.exitCode);
    if (truncated)
        outcome.message += QStringLiteral("\n[…]");
    return outcome;
}

} // namespace tavolin
