#pragma once

#include "ScriptRunner.h"

#include <QHash>
#include <QObject>
#include <QPromise>

#include <memory>

class QProcess;

namespace tavolin {

class Notifier;

// The children of one ScriptRunner, watched on the runner's thread through QProcess's signals: each run is
// started without waiting, its standard error is collected (capped), and its promise settles when it exits.
// Nothing here blocks except stopAll(), which kills and reaps what still runs.
//
// Threads: lives on the runner's thread; every member is called there.
class ScriptProcesses final : public QObject
{
    Q_OBJECT
public:
    using Promise = std::shared_ptr<QPromise<RunOutcome>>;

    ScriptProcesses(QString folder, Notifier &notifier, int maxRunning);
    ~ScriptProcesses() override;

    void start(const QString &label, const QString &entry, const RunContext &context, const Promise &promise);
    // Kills every child still running (its run ends Stopped) and refuses later starts the same way.
    void stopAll();

private:
    struct Child
    {
        QString label;
        Promise promise;
        QByteArray standardError;
        bool truncated = false;
    };

    void refuse(const QString &label, RunOutcome::Kind kind, const QString &message, const Promise &promise);
    void collectError(QProcess *process);
    void exited(QProcess *process);
    void failedToStart(QProcess *process);
    static void settle(const Promise &promise, const RunOutcome &outcome);

    const QString m_folder;
    Notifier &m_notifier;
    const int m_maxRunning;
    bool m_stopping = false;
    QHash<QProcess *, Child> m_children;
};

} // namespace tavolin
