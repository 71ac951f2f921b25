#pragma once

#include <QProcess>
#include <QString>

namespace tavolin::test {

// What a program a test ran returned and printed: its exit code (-1 when it did not finish or crashed).
struct BoundedRun
{
    int code = -1;
    QString out;
    QString err;
};

// Waits for `process` (already started or starting) to end, bounded: a program that hangs is killed and
// gives code -1 and "did not finish".
inline BoundedRun finishBounded(QProcess &process)
{
    BoundedRun run;
    if (!process.waitForStarted(5000) || !process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(2000);
        run.err = QStringLiteral("did not finish");
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace tavolin::test
