#pragma once

#include "support/BoundedRun.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tavolin::menutool {

using ToolRun = test::BoundedRun;

// Runs `program` to its end, bounded: a hang gives code -1 and "did not finish".
inline ToolRun runProgram(const QString &program, const QStringList &arguments,
                          const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return test::finishBounded(process);
}

} // namespace tavolin::menutool
