#include "common/ProgramProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace tavolin::programs {

QList<qint64> runningProcesses(const QString &programName)
{
    QList<qint64> pids;
    if (programName.isEmpty())
        return pids;
    const uid_t me = ::getuid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid <= 0 || pid == ::getpid())
            continue;
        const QByteArray dir = "/proc/" + entry.toLatin1();
        struct stat info {};
        // Only our own processes: another user's program of that name is not ours to stop.
        if (::stat(dir.constData(), &info) != 0 || info.st_uid != me)
            continue;
        QString exe = QFile::symLinkTarget(QString::fromLatin1(dir + "/exe"));
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        if (!exe.isEmpty() && QFileInfo(exe).fileName() == programName)
            pids << pid;
    }
    return pids;
}

int terminateAll(const QString &programName)
{
    int asked = 0;
    for (const qint64 pid : runningProcesses(programName)) {
        if (::kill(static_cast<pid_t>(pid), SIGTERM) == 0)
            ++asked;
    }
    return asked;
}

} // namespace tavolin::programs
