#pragma once

#include "ScriptRunner.h"

#include <QHash>
#include <QObject>
#include <QPromise>
#include <QSet>

#include <memory>

class QProcess;

namespace tavolin {

class Notifier;

// The children of one ScriptRunner, watched on the runner's thread through QProcess's signals: each run is
// started without waiting in a process group of its own, its standard error is collected (capped), and its
// promise settles when it exits. Then whatever the script left running in its group is ended: SIGTERM at once,
// SIGKILL after kGroupGrace. Nothing here blocks except stopAll(), which ends and reaps what still runs.
//
// Threads: lives on the runner's thread; every member is called there.
class ScriptProcesses final : public QObject
{
    Q_OBJECT
public:
    using Promise = std::shared_ptr<QPromise<RunOutcome>>;
    // How long a run's group may take to heed SIGTERM before it gets SIGKILL.
    static constexpr int kGroupGraceMs = 500;

    ScriptProcesses(QString folder, Notifier &notifier, int maxRunning);
    ~ScriptProcesses() override;

    void start(const QString &label, const QString &entry, const RunContext &context, const Promise &promise);
    // Ends every child still running and its group (its run ends Stopped), and every group left over from a
    // finished run; refuses later starts the same way. Blocks at most about kGroupGraceMs plus a reap.
    void stopAll();

private:
    struct Child
    {
        QString label;
        Promise promise;
        QByteArray standardError;
        bool truncated = false;
        qint64 group = 0; // the script's pid, which is its group's id; 0 until started
    };

    void refuse(const QString &label, RunOutcome::Kind kind, const QString &message, const Promise &promise);
    void collectError(QProcess *process);
    void exited(QProcess *process);
    void failedToStart(QProcess *process);
    static void settle(const Promise &promise, const RunOutcome &outcome);
    void endGroup(qint64 group);

    const QString m_folder;
    Notifier &m_notifier;
    const int m_maxRunning;
    bool m_stopping = false;
    QHash<QProcess *, Child> m_children;
    QSet<qint64> m_endingGroups; // sent SIGTERM, waiting for their grace to pass
};

} // namespace tavolin
