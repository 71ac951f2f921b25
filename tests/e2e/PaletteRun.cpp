#include "PaletteRun.h"

#include "support/SessionUser.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>

namespace tavolin::test {
namespace {
const QString kSettingsFile = QStringLiteral("/io.quorvane.Tavolin.json");
// Logged when Qt's main loop runs GLib's default context: libatspi's connections to applications are then
// handled on two threads, which aborts the palette now and then.
const QString kTwoThreadsOnAtspi = QStringLiteral("two threads would handle libatspi's application connections");
} // namespace

std::optional<QString> xdotool(const QStringList &args)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), args);
    if (!tool.waitForStarted(5000))
        return std::nullopt;
    if (!tool.waitForFinished(5000)) {
        tool.kill();
        tool.waitForFinished(1000);
        return std::nullopt;
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

MenuToolRun runMenuTool(const QStringList &args)
{
    QProcess process;
    startInSession(process, QStringLiteral(TAVOLIN_MENU_TOOL), args);
    return finishBounded(process);
}

bool haveXdotool()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

namespace {
// What the X server holds when a process's window did not turn up: its windows, mapped or not, and the
// whole window tree, so a failing journey says whether the window was never made, never mapped or unseen.
void describeMissingWindow(qint64 pid)
{
    QString state = QStringLiteral("process %1 ").arg(pid);
    state += QFile::exists(QStringLiteral("/proc/%1").arg(pid)) ? QStringLiteral("runs") : QStringLiteral("is gone");
    std::fprintf(stderr, "no visible window: %s\n", qPrintable(state));
    QProcess search;
    search.setProcessChannelMode(QProcess::MergedChannels);
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid)});
    if (search.waitForFinished(5000))
        std::fprintf(stderr, "its windows, mapped or not (exit %d): %s\n", search.exitCode(),
                     search.readAll().constData());
    QProcess tree;
    tree.setProcessChannelMode(QProcess::MergedChannels);
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (tree.waitForFinished(5000))
        std::fprintf(stderr, "window tree:\n%s\n", tree.readAll().left(6000).constData());
}
} // namespace

std::optional<QString> waitForWindowOf(qint64 pid, int boundMs)
{
    std::optional<QString> window;
    waitFor(
        [&] {
            const std::optional<QString> found =
                xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                         QString::number(pid)});
            if (found && !found->isEmpty())
                window = found->split(QLatin1Char('\n')).first();
            return window.has_value();
        },
        std::chrono::milliseconds(boundMs));
    if (!window)
        describeMissingWindow(pid);
    return window;
}

std::optional<QString> visibleWindowNamed(const QString &pattern)
{
    const std::optional<QString> found =
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
    if (!found || found->isEmpty())
        return std::nullopt;
    return found->split(QLatin1Char('\n')).first();
}

bool panelWindowVisible()
{
    return visibleWindowNamed(QStringLiteral("^Tavolin$")).has_value();
}

std::unique_ptr<PaletteRun> PaletteRun::start(const QJsonObject &settings, QString *why, bool *handedOff,
                                              const QProcessEnvironment &session)
{
    *handedOff = false;
    std::unique_ptr<PaletteRun> run(new PaletteRun);
    const QString root = run->m_home.path();
    const QString config = root + QStringLiteral("/config/tavolin");
    if (!run->m_home.isValid() || !QDir().mkpath(config)) {
        *why = QStringLiteral("no temporary folder");
        return nullptr;
    }
    QFile file(config + kSettingsFile);
    if (!settings.isEmpty()
        && (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(settings).toJson()) < 0)) {
        *why = QStringLiteral("cannot write the settings file");
        return nullptr;
    }
    file.close();
    if (!giveToSessionUser(root)) {
        *why = QStringLiteral("cannot hand the temporary folder to the session's user");
        return nullptr;
    }

    QProcessEnvironment env = session;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), run->configHome());
    env.insert(QStringLiteral("XDG_DATA_HOME"), run->dataHome());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), run->cacheHome());
    env.insert(QStringLiteral("TAVOLIN_DEBUG"), QStringLiteral("1"));
    run->m_logPath = root + QStringLiteral("/tavolin.log");
    run->m_process.setProcessEnvironment(env);
    run->m_process.setProcessChannelMode(QProcess::MergedChannels);
    run->m_process.setStandardOutputFile(run->m_logPath);
    startInSession(run->m_process, QStringLiteral(TAVOLIN_PROGRAM), {});
    if (!run->m_process.waitForStarted(5000)) {
        *why = QStringLiteral("tavolin did not start");
        return nullptr;
    }
    // A program that exits at once handed its start to another instance of the same user.
    const bool ready = waitFor(
        [&] { return run->m_process.state() == QProcess::NotRunning || run->log().contains(QLatin1String("AXIsProcessTrusted=")); },
        std::chrono::seconds(15));
    if (run->m_process.state() == QProcess::NotRunning) {
        *handedOff = run->m_process.exitStatus() == QProcess::NormalExit && run->m_process.exitCode() == 0;
        *why = QStringLiteral("tavolin exited at once: ") + run->log();
        return nullptr;
    }
    if (!ready) {
        *why = QStringLiteral("tavolin did not report its start in 15 s: ") + run->log();
        return nullptr;
    }
    return run;
}

QJsonValue PaletteRun::storedSetting(const QString &key) const
{
    QFile file(configHome() + QStringLiteral("/tavolin") + kSettingsFile);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonValue(QJsonValue::Undefined);
    return QJsonDocument::fromJson(file.readAll()).object().value(key);
}

PaletteRun::~PaletteRun()
{
    stopAndReportFaults();
}

QString PaletteRun::stopAndReportFaults()
{
    QStringList report;
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            report.append(QStringLiteral("tavolin did not quit within 3 s of SIGTERM"));
            m_process.kill();
            m_process.waitForFinished(2000);
        } else if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0) {
            report.append(QStringLiteral("tavolin did not quit cleanly on SIGTERM: %1 %2")
                              .arg(m_process.exitStatus() == QProcess::NormalExit ? QStringLiteral("exit code")
                                                                                  : QStringLiteral("crashed, signal"))
                              .arg(m_process.exitCode()));
        }
    }
    for (const QString &line : log().split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("Sanitizer")) || line.contains(QLatin1String("runtime error:"))
            || line.contains(kTwoThreadsOnAtspi))
            report.append(line);
    }
    return report.join(QLatin1Char('\n'));
}

bool PaletteRun::restart(QString *why, const QStringList &through)
{
    const QString started = QStringLiteral("AXIsProcessTrusted=");
    // A sanitizer's report stays in the log for the final stop; an unclean quit is only known now.
    const QString faults = stopAndReportFaults();
    if (faults.contains(QLatin1String("did not quit"))) {
        *why = faults;
        return false;
    }
    const int startsBefore = countInLog(started);
    m_process.setStandardOutputFile(m_logPath, QIODevice::Append);
    if (through.isEmpty())
        startInSession(m_process, QStringLiteral(TAVOLIN_PROGRAM), {});
    else
        startInSession(m_process, through.first(), through.mid(1) << QStringLiteral(TAVOLIN_PROGRAM));
    if (!m_process.waitForStarted(5000)) {
        *why = QStringLiteral("tavolin did not start again");
        return false;
    }
    const bool ready = waitFor(
        [&] { return m_process.state() == QProcess::NotRunning || countInLog(started) > startsBefore; },
        std::chrono::seconds(15));
    if (!ready || m_process.state() == QProcess::NotRunning) {
        *why = QStringLiteral("tavolin did not report its second start: ") + log();
        return false;
    }
    return true;
}

QString PaletteRun::log() const
{
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

int PaletteRun::countInLog(const QString &text) const
{
    return int(log().count(text));
}

bool PaletteRun::waitForLog(const QString &text, int boundMs, int skip) const
{
    return waitFor([&] { return countInLog(text) > skip; }, std::chrono::milliseconds(boundMs));
}

} // namespace tavolin::test
