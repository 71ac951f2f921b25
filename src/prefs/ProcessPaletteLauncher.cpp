#include "ProcessPaletteLauncher.h"

#include "common/Log.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace tavolin {

ProcessPaletteLauncher::ProcessPaletteLauncher(QString executable)
    : m_executable(executable.isEmpty() ? findPaletteExecutable() : std::move(executable))
{
}

QString ProcessPaletteLauncher::findPaletteExecutable()
{
    const QString name = QString::fromLatin1(kProgramName);
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}

QList<pid_t> ProcessPaletteLauncher::runningProcesses(const QString &programName)
{
    QList<pid_t> pids;
    const uid_t me = ::getuid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid || pid == ::getpid())
            continue;
        const QByteArray dir = "/proc/" + entry.toLatin1();
        struct stat info {};
        if (::stat(dir.constData(), &info) != 0 || info.st_uid != me)
            continue;
        // A replaced executable reads "/path/tavolin (deleted)": still the palette.
        QString exe = QFile::symLinkTarget(QString::fromLatin1(dir + "/exe"));
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        if (!exe.isEmpty() && QFileInfo(exe).fileName() == programName)
            pids << pid;
    }
    return pids;
}

bool ProcessPaletteLauncher::isRunning() const
{
    return !runningProcesses(QString::fromLatin1(kProgramName)).isEmpty();
}

bool ProcessPaletteLauncher::launch()
{
    if (m_executable.isEmpty() || !QFileInfo(m_executable).isExecutable())
        return false;
    const bool started = QProcess::startDetached(m_executable, {});
    if (!started)
        log::error(QStringLiteral("could not start %1").arg(m_executable));
    return started;
}

void ProcessPaletteLauncher::terminate()
{
    for (pid_t pid : runningProcesses(QString::fromLatin1(kProgramName)))
        ::kill(pid, SIGTERM);
}

bool SystemDesktopServices::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool SystemDesktopServices::startProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool SystemDesktopServices::moveToTrash(const QString &path)
{
    return QFile::moveToTrash(path);
}

} // namespace tavolin
