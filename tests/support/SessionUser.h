#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavolin::test {

// A test session may run as a user of its own: the Wayland session started under root (sway refuses root)
// names it in TAVOLIN_SESSION_USER, and every program of that session must run as that user to reach the
// compositor and the session's buses as a desktop's programs do. Without that variable these change nothing.

// Starts `program` in `process`, as the session's user when there is one (through setpriv, which takes the
// program's place, so the pid is the program's own).
void startInSession(QProcess &process, const QString &program, const QStringList &arguments);

// Hands the folder `path` and everything in it to the session's user, so its programs can write there.
// True when done or when there is no such user.
bool giveToSessionUser(const QString &path);

} // namespace tavolin::test
