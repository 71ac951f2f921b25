#include "ProcessPaletteLauncher.h"

#include "common/Log.h"
#include "session/InstanceChannel.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tavolin {

ProcessPaletteLauncher::ProcessPaletteLauncher(QString executable, QString channelPath)
    : m_executable(executable.isEmpty() ? findPaletteExecutable() : std::move(executable)),
      m_channelPath(channelPath.isEmpty()
                        ? InstanceChannel::socketPathFor(QString::fromLatin1(InstanceChannel::kPaletteProgram))
                        : std::move(channelPath))
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
    return InstanceChannel(m_channelPath, 0).isAnswering();
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
    if (!InstanceChannel(m_channelPath, 0).send(InstanceChannel::kQuit))
        log::info(QStringLiteral("no palette of this session to quit"));
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
