#include "HostilePeerRun.h"

#include "support/WaitFor.h"

namespace tavolin::test {

using namespace std::chrono_literals;

HostilePeerRun::HostilePeerRun(const QString &tree, const QString &toolkit, Window window)
{
    QStringList arguments{tree, QStringLiteral("--toolkit"), toolkit};
    if (window == Window::Open)
        arguments << QStringLiteral("--window");
    m_process.start(QStringLiteral(TAVOLIN_HOSTILE_PEER), arguments);
    m_ready = m_process.waitForStarted(5000) && waitFor([this] {
        m_process.waitForReadyRead(100);
        m_output += m_process.readAllStandardOutput();
        return m_output.contains("ready");
    }, 10s);
}

HostilePeerRun::~HostilePeerRun()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

QStringList HostilePeerRun::performed()
{
    m_output += m_process.readAllStandardOutput();
    QStringList paths;
    for (const QByteArray &line : m_output.split('\n')) {
        if (line.startsWith("performed "))
            paths << QString::fromUtf8(line.mid(10));
    }
    return paths;
}

} // namespace tavolin::test
