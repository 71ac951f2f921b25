#pragma once

#include <QList>
#include <QString>

namespace tavolin::programs {

// Finding and stopping the other program of this user (the palette or the preferences) by its executable's
// name; both programs use it.

// The processes of this user, other than this one, whose executable file is named `programName` (a
// replaced executable, "/path/name (deleted)", still counts). Read from /proc; empty when unreadable.
// Any thread.
QList<qint64> runningProcesses(const QString &programName);

// Asks each of them to quit (SIGTERM); returns how many were asked.
int terminateAll(const QString &programName);

} // namespace tavolin::programs
