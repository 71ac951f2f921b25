#include "common/ProgramProcesses.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace tavolin::test {
namespace {

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
    EXPECT_EQ(m_process.state(), QProcess::Running);
}

} // namespace
} // namespace tavolin::test
