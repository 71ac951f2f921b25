#include "ChildProcess.h"

#include <QCoreApplication>

#include <map>
#include <string>

namespace tavolin::test {
namespace {

std::map<std::string, ChildRole> &roles()
{
    static std::map<std::string, ChildRole> table;
    return table;
}

constexpr auto kChildFlag = "--tavolin-child";

} // namespace

bool registerChildRole(const char *name, ChildRole role)
{
    roles()[name] = std::move(role);
    return true;
}

bool runChildRoleIfAsked(int argc, char **argv, int *exitCode)
{
    if (argc < 3 || std::string(argv[1]) != kChildFlag)
        return false;
    auto it = roles().find(argv[2]);
    if (it == roles().end()) {
        *exitCode = 127;
        return true;
    }
    QStringList args;
    for (int i = 3; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    *exitCode = it->second(args);
    return true;
}

QString childProgram() { return QCoreApplication::applicationFilePath(); }

QStringList childArguments(const QString &role, const QStringList &args)
{
    return QStringList{QString::fromLatin1(kChildFlag), role} + args;
}

} // namespace tavolin::test
