#pragma once

#include "support/BoundedRun.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace tavolin::test {

// Runs `xdotool` under the session's DISPLAY (keys go through XTest). Waits at most 5 s; nullopt when the
// tool failed or did not finish. The output is trimmed.
std::optional<QString> xdotool(const QStringList &args);
bool haveXdotool();
// A run of `tavolin-menu` to its end, bounded (15 s): its exit code (-1 when it did not finish) and output.
using MenuToolRun = BoundedRun;
MenuToolRun runMenuTool(const QStringList &args);
// The first visible window of process `pid`, waiting (bounded) for it to map.
std::optional<QString> waitForWindowOf(qint64 pid, int boundMs = 15000);
// The first visible window whose name matches the regular expression `pattern`, now; nullopt when none is.
std::optional<QString> visibleWindowNamed(const QString &pattern);
// Whether a window titled exactly "Tavolin" (the panel) is mapped now.
bool panelWindowVisible();

// The palette program started under the session with its own settings and data folders. Its standard error
// (the log) goes to a file that the test reads. The process is stopped when the object goes (SIGTERM, then
// SIGKILL after 3 s).
class PaletteRun
{
public:
    // Writes `settings` as the settings domain's file (none when `settings` is empty: a first start over
    // empty folders), starts the program with TAVOLIN_DEBUG set and waits
    // (bounded) until it reports its accessibility check. Null when it did not get that far: `why` says why,
    // and `handedOff` is true when the program exited at once with 0 because another instance of this user
    // runs (the test cannot go on, but nothing is wrong with the program).
    // `session` is the environment it starts in (another desktop session's, for tests of two sessions).
    static std::unique_ptr<PaletteRun> start(const QJsonObject &settings, QString *why, bool *handedOff,
                                             const QProcessEnvironment &session = QProcessEnvironment::systemEnvironment());
    ~PaletteRun();

    qint64 pid() const { return m_process.processId(); }
    // The program's own XDG folders: a test that plays another program of the same user (or starts an
    // application whose recent files the palette should see) points that one at the same folders.
    QString configHome() const { return m_home.path() + QStringLiteral("/config"); }
    QString dataHome() const { return m_home.path() + QStringLiteral("/data"); }
    QString cacheHome() const { return m_home.path() + QStringLiteral("/cache"); }
    QString log() const;
    // The value stored under `key` in the shared settings file now; Undefined when the file or key is missing.
    QJsonValue storedSetting(const QString &key) const;
    // Waits (bounded) for a log line containing `text`; counts only lines after the first `skip` matches.
    bool waitForLog(const QString &text, int boundMs = 10000, int skip = 0) const;
    int countInLog(const QString &text) const;
    // Stops the program and starts it again over the same folders and settings, as the same user's next
    // session would, and waits (bounded) until the new process reports its accessibility check. Its log is
    // appended to the same file. False, with `why`, when it did not get that far. With `through`, the program
    // is started by that command, its path added as the last argument (the command ends by executing it, so
    // the process is the palette's).
    bool restart(QString *why, const QStringList &through = {});
    // Stops the program (SIGTERM, then SIGKILL after 3 s) and returns what went wrong, empty when nothing: a
    // quit that was not clean (SIGTERM runs the ordinary quit, which must end with exit code 0) and whatever
    // a sanitizer reported in its log, so a test run under ASan/UBSan also checks the program it drives.
    QString stopAndReportFaults();

private:
    PaletteRun() = default;
    QTemporaryDir m_home;
    QString m_logPath;
    QProcess m_process;
};

} // namespace tavolin::test
