#include "tools/LiveReaderPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef TAVOLIN_LIVE_READER_DIR
#define TAVOLIN_LIVE_READER_DIR "../libexec/tavolin"
#endif

namespace tavolin::menutool {
namespace {

constexpr auto kReaderName = "tavolin-menu-live";

} // namespace

QStringList LiveReaderPlatform::readerCandidates(const QString &programDir)
{
    const QDir dir(programDir);
    return {QDir::cleanPath(dir.filePath(QLatin1String(kReaderName))),
            QDir::cleanPath(dir.filePath(QStringLiteral(TAVOLIN_LIVE_READER_DIR "/") + QLatin1String(kReaderName)))};
}

ToolPlatform::Target LiveReaderPlatform::application(std::optional<int32_t>)
{
    const QStringList candidates = readerCandidates(QCoreApplication::applicationDirPath());
    QString why;
    for (const QString &path : candidates) {
        if (!QFileInfo(path).isExecutable())
            continue;
        std::fflush(nullptr);
        const QByteArray file = QFile::encodeName(path);
        execv(file.constData(), m_argv); // returns only on failure
        why = QStringLiteral("cannot start %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    Target target;
    target.code = ExitCode::NoAccessibility;
    target.message = why.isEmpty() ? QStringLiteral("cannot read applications: %1 is missing (looked for %2)")
                                         .arg(QLatin1String(kReaderName), candidates.join(QStringLiteral(", ")))
                                   : why;
    return target;
}

} // namespace tavolin::menutool
