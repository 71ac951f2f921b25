#include "SessionUser.h"

#include <QDirIterator>

#include <pwd.h>
#include <unistd.h>

#include <optional>

namespace tavolin::test {
namespace {

struct UserIds
{
    uid_t uid;
    gid_t gid;
};

std::optional<UserIds> sessionUser()
{
    const QByteArray name = qgetenv("TAVOLIN_SESSION_USER");
    if (name.isEmpty())
        return std::nullopt;
    const passwd *entry = ::getpwnam(name.constData());
    if (entry == nullptr)
        return std::nullopt;
    return UserIds{entry->pw_uid, entry->pw_gid};
}

} // namespace

void startInSession(QProcess &process, const QString &program, const QStringList &arguments)
{
    const std::optional<UserIds> user = sessionUser();
    if (!user) {
        process.start(program, arguments);
        return;
    }
    process.start(QStringLiteral("setpriv"),
                  QStringList{QStringLiteral("--reuid=%1").arg(user->uid), QStringLiteral("--regid=%1").arg(user->gid),
                              QStringLiteral("--clear-groups"), QStringLiteral("--"), program}
                      + arguments);
}

bool giveToSessionUser(const QString &path)
{
    const std::optional<UserIds> user = sessionUser();
    if (!user)
        return true;
    bool ok = ::chown(QFile::encodeName(path).constData(), user->uid, user->gid) == 0;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        ok = ::lchown(QFile::encodeName(it.next()).constData(), user->uid, user->gid) == 0 && ok;
    return ok;
}

} // namespace tavolin::test
