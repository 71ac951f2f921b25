#include "ProcessPaletteLauncher.h"

#include "common/Log.h"
#include "common/ProgramProcesses.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

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

bool ProcessPaletteLauncher::isRunning() const
{
    return !programs::runningProcesses(QString::fromLatin1(kProgramName)).isEmpty();
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
    programs::terminateAll(QString::fromLatin1(kProgramName));
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
