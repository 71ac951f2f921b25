#include "ScriptRunner.h"

#include "ScriptProcesses.h"

#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QStandardPaths>
#include <QStringDecoder>

namespace tavolin {
namespace {

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

} // namespace

ScriptRunner::ScriptRunner(QString folder, Notifier &notifier, int maxRunningScripts)
    : m_folder(std::move(folder)),
      m_processes(std::make_unique<ScriptProcesses>(m_folder, notifier, qMax(1, maxRunningScripts))),
      m_thread(std::make_unique<QThread>())
{
    m_thread->setObjectName(QStringLiteral("tavolin-scripts"));
    m_processes->moveToThread(m_thread.get());
    m_thread->start();
}

ScriptRunner::~ScriptRunner()
{
    ScriptProcesses *processes = m_processes.get();
    QMetaObject::invokeMethod(processes, [processes] { processes->stopAll(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

QFuture<RunOutcome> ScriptRunner::run(const QString &label, const QString &entry, const RunContext &context)
{
    auto promise = std::make_shared<QPromise<RunOutcome>>();
    QFuture<RunOutcome> future = promise->future();
    promise->start();
    ScriptProcesses *processes = m_processes.get();
    QMetaObject::invokeMethod(
        processes, [processes, promise, label, entry, context] { processes->start(label, entry, context, promise); },
        Qt::QueuedConnection);
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
    const QString document =
        context.document.isEmpty() && context.readDocument ? context.readDocument() : context.document;
    if (!document.isEmpty())
        base.insert(kDocumentVariable, document);
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

} // namespace tavolin
