#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace tavolin::test {

// Multi-process tests start their own test binary again in a "child role": a function registered by name
// with TAVOLIN_CHILD_ROLE. The test main runs the role instead of the tests when the binary is started as
//     <binary> --tavolin-child ROLE [ARGS...]
// and exits with the role's return value.
using ChildRole = std::function<int(const QStringList &args)>;

bool registerChildRole(const char *name, ChildRole role);
// Runs the role named by argv when argv asks for one; returns false otherwise. Used by the test main.
bool runChildRoleIfAsked(int argc, char **argv, int *exitCode);

// Arguments that start this binary in `role` (program path first), for QProcess.
QString childProgram();
QStringList childArguments(const QString &role, const QStringList &args = {});

} // namespace tavolin::test

#define TAVOLIN_CHILD_ROLE(name)                                                                         \
    static int tavolinChildRole_##name(const QStringList &args);                                         \
    [[maybe_unused]] static const bool tavolinChildRoleRegistered_##name =                               \
        ::tavolin::test::registerChildRole(#name, &tavolinChildRole_##name);                             \
    static int tavolinChildRole_##name([[maybe_unused]] const QStringList &args)
