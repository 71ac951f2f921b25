#include "common/ProgramProcesses.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace tavolin::test {
namespace {

// The state and pending-signal lines of process `pid`, "" once it is gone. kill() queues a signal before it
// returns, so a signal sent to the process shows here at once: pending, or the process already gone.
QString signalStateOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return QString();
    QStringList lines;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("State:") || line.startsWith("SigPnd:") || line.startsWith("ShdPnd:"))
            lines << QString::fromLatin1(line.simplified());
    return lines.join(QLatin1String(", "));
}

bool liveWithNoSignalPending(const QString &state)
{
    return !state.isEmpty() && !state.startsWith(QLatin1String("State: Z")) && !state.startsWith(QLatin1String("State: X"))
        && state.contains(QLatin1String("SigPnd: 0000000000000000")) && state.contains(QLatin1String("ShdPnd: 0000000000000000"));
}

// A program of our own under a unique name, so no other test's programs are touched.
class ProgramProcessesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_name = QStringLiteral("tavolin-probe-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        m_program = m_dir.filePath(m_name);
        ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), m_program));
        ASSERT_TRUE(QFile::setPermissions(m_program, QFile::ReadOwner | QFile::ExeOwner));
    }
    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QTemporaryDir m_dir;
    QString m_name;
    QString m_program;
    QProcess m_process;
};

TEST_F(ProgramProcessesTest, FindsAndStopsTheProgramByName)
{
    m_process.start(m_program, {QStringLiteral("60")});
    ASSERT_TRUE(m_process.waitForStarted(5000));

    EXPECT_EQ(programs::runningProcesses(m_name), QList<qint64>{m_process.processId()});
    EXPECT_EQ(programs::terminateAll(m_name), 1);
    ASSERT_TRUE(m_process.waitForFinished(10000));
    EXPECT_EQ(m_process.exitStatus(), QProcess::CrashExit) << "ended by the signal, not by itself";
    EXPECT_TRUE(programs::runningProcesses(m_name).isEmpty());
}

TEST_F(ProgramProcessesTest, OtherNamesAreLeftAlone)
{
    m_process.start(m_program, {QStringLiteral("60")});
    ASSERT_TRUE(m_process.waitForStarted(5000));

    EXPECT_EQ(programs::terminateAll(m_name + QStringLiteral("-other")), 0);
    EXPECT_EQ(programs::terminateAll(m_name.left(m_name.size() - 1)), 0) << "a prefix is not the name";
    EXPECT_EQ(programs::terminateAll(QString()), 0);
    const QString state = signalStateOf(m_process.processId());
    EXPECT_TRUE(liveWithNoSignalPending(state)) << "expected alive with no signal sent, saw \""
                                                 << state.toStdString() << '"';
}

} // namespace
} // namespace tavolin::test
