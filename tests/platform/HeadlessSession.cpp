#include "HeadlessSession.h"

#include "support/SessionUser.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdlib>

namespace tavolin::test {
namespace {

QString g_reason;
std::unique_ptr<HeadlessSession> g_session;
bool g_tried = false;

HeadlessSession *fail(const QString &reason)
{
    g_reason = reason;
    return nullptr;
}

} // namespace

HeadlessSession *HeadlessSession::get() { return start(false); }
HeadlessSession *HeadlessSession::getWayland() { return start(true); }
QString HeadlessSession::reason() { return g_reason; }

HeadlessSession *HeadlessSession::start(bool wayland)
{
    if (g_tried) {
        if (g_session && g_session->m_wayland != wayland)
            return fail(QStringLiteral("this test process runs a session of the other kind"));
        return g_session.get();
    }
    g_tried = true;
    std::unique_ptr<HeadlessSession> session(new HeadlessSession);
    session->m_wayland = wayland;
    if (!session->m_stateDir.isValid())
        return fail(QStringLiteral("no temporary folder"));
    QString output;
    if (!session->run(wayland ? QStringList{"start", "--wayland"} : QStringList{"start"}, &output))
        return fail(QStringLiteral("headless session did not start: ") + output.trimmed());
    for (const QString &line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("export "))) {
            const QString assignment = line.mid(7);
            const qsizetype eq = assignment.indexOf(QLatin1Char('='));
            qputenv(assignment.left(eq).toUtf8().constData(), assignment.mid(eq + 1).toUtf8());
        } else if (line.startsWith(QLatin1String("unset "))) {
            for (const QString &name : line.mid(6).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                qunsetenv(name.toUtf8().constData());
        }
    }
    g_session = std::move(session);
    std::atexit([] { g_session.reset(); });
    if (!g_session->makeSessionUserHome())
        return fail(QStringLiteral("no home for the session's user"));
    return g_session.get();
}

bool HeadlessSession::makeSessionUserHome()
{
    if (qEnvironmentVariableIsEmpty("TAVOLIN_SESSION_USER"))
        return true;
    const QString home = m_userHome.path();
    for (const char *folder : {"config", "data", "cache", "state"}) {
        if (!m_userHome.isValid() || !QDir().mkpath(home + QLatin1Char('/') + QLatin1String(folder)))
            return false;
    }
    if (!giveToSessionUser(home))
        return false;
    qputenv("HOME", home.toUtf8());
    for (const char *folder : {"config", "data", "cache", "state"})
        qputenv(("XDG_" + QByteArray(folder).toUpper() + "_HOME").constData(), (home + u'/' + QLatin1String(folder)).toUtf8());
    return true;
}

bool HeadlessSession::run(const QStringList &args, QString *output)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral(TAVOLIN_SESSION_SCRIPT), args + QStringList{"--state-dir", m_stateDir.path()});
    const bool finished = script.waitForStarted(5000) && script.waitForFinished(20000);
    if (!finished)
        script.kill();
    if (output)
        *output = QString::fromUtf8(script.readAll());
    return finished && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

bool HeadlessSession::startWindowManager() { return run({"wm-start"}, nullptr); }
void HeadlessSession::stopWindowManager() { run({"wm-stop"}, nullptr); }
HeadlessSession::~HeadlessSession() { run({"stop"}, nullptr); }

std::unique_ptr<TestApp> TestApp::start(const QString &program, const QStringList &args)
{
    std::unique_ptr<TestApp> app(new TestApp);
    app->m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    startInSession(app->m_process, program, args);
    if (!app->m_process.waitForStarted(5000))
        return nullptr;
    return app;
}

std::unique_ptr<TestApp> TestApp::startFixture(const QString &name, const QStringList &options)
{
    QTemporaryDir dir;
    giveToSessionUser(dir.path());
    const QString log = dir.path() + QStringLiteral("/fixture.log");
    std::unique_ptr<TestApp> app = start(QStringLiteral(TAVOLIN_MENU_FIXTURE), QStringList{"--name", name, "--log", log} + options);
    if (!app)
        return nullptr;
    app->m_dir.swap(dir);
    app->m_logPath = log;
    return app->waitForLogLine(QStringLiteral("ready %1").arg(app->pid()), 10000) ? std::move(app) : nullptr;
}

TestApp::~TestApp()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_process.processId()), SIGCONT); // a stopped process cannot act on SIGTERM
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QStringList TestApp::logLines() const
{
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool TestApp::waitForLogLine(const QString &line, int boundMs) const
{
    return waitFor([&] { return logLines().contains(line); }, std::chrono::milliseconds(boundMs));
}

} // namespace tavolin::test
