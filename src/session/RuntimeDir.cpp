#include "session/RuntimeDir.h"

#include "common/Log.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace tavolin::session {

bool isPrivateDir(const QString &path)
{
    struct stat info {};
    // lstat: a link planted in place of the folder must not lead elsewhere.
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

namespace {

// /tmp/tavolin-<uid>, made when missing. A folder of ours with loose permissions is tightened; anything
// else there (another user's folder, a link, a file) is refused.
QString fallbackDir()
{
    const QString path = QStringLiteral("/tmp/tavolin-%1").arg(::getuid());
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info {};
    if (::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
        && (info.st_mode & 077) != 0)
        ::chmod(native.constData(), 0700);
    return isPrivateDir(path) ? path : QString();
}

} // namespace

QString privateRuntimeDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateDir(runtime))
        return runtime;
    const QString fallback = fallbackDir();
    if (fallback.isEmpty())
        log::error(QStringLiteral("no private runtime folder: $XDG_RUNTIME_DIR (%1) and /tmp/tavolin-%2 are not "
                                  "folders of this user closed to others")
                       .arg(runtime)
                       .arg(::getuid()));
    return fallback;
}

} // namespace tavolin::session
