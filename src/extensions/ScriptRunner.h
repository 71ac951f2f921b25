#pragma once

#include <QFuture>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>
#include <memory>

namespace tavolin {

class Notifier;
class ScriptProcesses;

// What a script learns about the application it was run over, through its environment.
struct RunContext
{
    QString appKey;    // TAVOLIN_APP, the application key such as "nautilus.app"; unset when empty
    qint64 appPid = 0; // TAVOLIN_APP_PID; unset when not positive
    QString document;  // TAVOLIN_DOCUMENT, the focused document's path; unset when empty
    // When `document` is empty: read by environmentFor(), on the runner's thread just before the run (it may
    // wait on the application up to the accessibility time-out, which the main thread must not).
    std::function<QString()> readDocument;
};

// How one run ended. `message` is the text the error notification carried ("" when none was shown).
struct RunOutcome
{
    enum class Kind {
        Succeeded,  // exit status 0
        Refused,    // the entry does not name a file inside the extension folder; nothing ran
        NotStarted, // no program for the entry, or the program could not be started
        Failed,     // non-zero exit status or a crash
        Stopped,    // the runner was destroyed first; the child and its group, if any, were ended
    };
    Kind kind = Kind::Succeeded;
    int exitCode = 0;
    QString message;
};

// The program and arguments for one entry, or why there are none. Computed without starting anything.
struct LaunchPlan
{
    enum class Kind { Ready, Refused, NotStartable };
    Kind kind = Kind::NotStartable;
    QString program;
    QStringList arguments;
    QString error; // set unless Ready
};

// Runs extension scripts from the extension folder as child processes, watched together by one thread of
// the runner's own (no thread per run, so scripts that never end do not hold later runs back), and reports
// failures through the Notifier with the extension's label as title.
//
// An entry is a path relative to the folder. It must resolve, after following links, to a file inside the
// folder: absolute entries, "../" escapes and links pointing out are refused with a notification and nothing
// is started. The ending picks the program: ".sh" runs /bin/bash, ".py" runs python3 found on PATH, no ending
// runs the file itself (it must be executable); ".scpt" and every other ending fail to start. Programs are
// started directly with an argument list, never through a shell, in the extension folder, with standard
// input empty, standard output discarded (a script's output is not ours to print or log) and standard error
// captured (the first kMaxErrorBytes).
//
// At most `maxRunningScripts` scripts run at once; a run beyond that, like any run that cannot start, is not
// queued: it fails at once with a notification saying so. A run waits for its child however long it takes
// and reaps it. Each script leads a process group of its own; when its run ends, whatever it left running in
// that group (background jobs, daemons that did not make a session of their own) is ended too. Destroying the
// runner ends children still running and their groups (their runs end Stopped) and stops its thread, so it
// may block briefly (about half a second); the Notifier must outlive the runner.
//
// Threads: run() may be called from any thread; the Notifier is called on the runner's thread.
class ScriptRunner
{
public:
    static constexpr int kDefaultMaxRunningScripts = 64;
    static constexpr qsizetype kMaxErrorBytes = 64 * 1024;

    ScriptRunner(QString folder, Notifier &notifier, int maxRunningScripts = kDefaultMaxRunningScripts);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner &) = delete;
    ScriptRunner &operator=(const ScriptRunner &) = delete;

    QString folder() const { return m_folder; }

    // Starts one run and returns at once. The future finishes when the child has exited (and any
    // notification was shown), or at once when it could not start; callers may ignore it.
    QFuture<RunOutcome> run(const QString &label, const QString &entry, const RunContext &context);

    // Where an entry leads. `path` is canonical and set only for Inside; `error` is set otherwise.
    struct ResolvedEntry
    {
        enum class Status { Inside, Outside, Missing };
        Status status = Status::Missing;
        QString path;
        QString error;
    };
    static ResolvedEntry resolveEntry(const QString &folder, const QString &entry);
    // What run() would start for `entry` (python3 is looked up on PATH at each call).
    static LaunchPlan planLaunch(const QString &folder, const QString &entry);
    // The child's environment: `base` with the three TAVOLIN_ variables replaced by those of `context`.
    static QProcessEnvironment environmentFor(const RunContext &context,
                                              QProcessEnvironment base = QProcessEnvironment::systemEnvironment());
    // The notification text of a failed run: standard error decoded as UTF-8 without trailing white space,
    // or "task return N" when it is empty or not UTF-8.
    static QString failureText(const QByteArray &standardError, int exitCode);

private:
    QString m_folder;
    std::unique_ptr<ScriptProcesses> m_processes; // lives on m_thread
    std::unique_ptr<QThread> m_thread;
};

} // namespace tavolin
