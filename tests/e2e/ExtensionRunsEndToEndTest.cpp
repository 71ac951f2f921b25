// Extensions run from the palette over the Qt fixture: twenty scripts that never end do not hold back the next one;
// a notification server that never answers the failure notice leaves `tavolin --show` answered at once; what a
// script leaves running ends with its run, or with the palette when the script still runs as it quits.
#include "EndToEndTest.h"
#include "PreferencesSide.h"
#include "SideSession.h"

#include "common/Paths.h"
#include "common/PluginDataItem.h"
#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>

#include <csignal>
#include <iostream>

namespace tavolin::test {
namespace {

const QString kAppKey = QStringLiteral("tavolin-menu-fixture.app");

// Takes every call and never answers one; prints "call <member>" for each.
class SilentObject final : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        std::cout << "call " << message.member().toStdString() << std::endl;
        return true;
    }
};

// Child: owns org.freedesktop.Notifications on the session bus and never answers; prints "ready".
TAVOLIN_CHILD_ROLE(silent_notification_server)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    SilentObject object;
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &object)
        || !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 4;
    std::cout << "ready" << std::endl;
    QTimer::singleShot(120s, [] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}

class ExtensionRunsEndToEnd : public EndToEndTest
{
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        if (IsSkipped())
            return;
        m_fixture = TestApp::startFixture();
        std::optional<QString> window;
        startPaletteOver(m_fixture.get(), window, m_palette);
        m_window = window.value_or(QString());
    }

    // Saves extensions for the fixture as the preferences program does, each with its script, and waits
    // until the palette took them.
    void addExtensions(const QList<std::pair<QString, QByteArray>> &labelsAndScripts)
    {
        for (const auto &[label, script] : labelsAndScripts) {
            const QString entry = label.toLower().replace(QLatin1Char(' '), QLatin1Char('-')) + QStringLiteral(".sh");
            ASSERT_TRUE(addExtension(*m_palette, kAppKey, label, entry, script)) << m_palette->log().toStdString();
        }
    }

    // Opens the panel over the fixture, types `label`, and runs the extension with Return once its row is
    // the selected first row. False when a step did not happen within its bound.
    bool runFromPanel(const QString &label)
    {
        if (!openOver(*m_palette, m_window, [](const PanelContent &panel) { return !panel.rows.isEmpty(); })
            || !type(label))
            return false;
        if (!waitForPanel(*m_palette, [&](const PanelContent &panel) {
                return panel.input == label && panel.selected == 0 && panel.rows.value(0) == label;
            }, 10s))
            return false;
        return pressReturn() && waitFor([] { return !panelWindowVisible(); }, 5s);
    }

    std::unique_ptr<TestApp> m_fixture;
    QString m_window;
    std::unique_ptr<PaletteRun> m_palette;
};

TEST_F(ExtensionRunsEndToEnd, TwentyScriptsThatNeverEndDoNotHoldBackTheNext)
{
    const QString marker = m_palette->dataHome() + QStringLiteral("/marked");
    addExtensions({{QStringLiteral("Wait Forever"), "exec sleep 600\n"},
                   {QStringLiteral("Leave Mark"), QStringLiteral("touch '%1'\n").arg(marker).toUtf8()}});
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(runFromPanel(QStringLiteral("Wait Forever"))) << "run " << i << ": " << panelNow(*m_palette);
        ASSERT_TRUE(m_palette->waitForLog(QStringLiteral("run extension Wait Forever"), 5000, i));
    }
    ASSERT_TRUE(runFromPanel(QStringLiteral("Leave Mark")));
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(marker); }, 5s))
        << "the 21st run did not start: " << m_palette->log().toStdString();
    EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
}

TEST_F(ExtensionRunsEndToEnd, ANotificationServerThatNeverAnswersLeavesThePaletteAnswering)
{
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(childProgram(), childArguments(QStringLiteral("silent_notification_server")));
    ASSERT_TRUE(waitFor([&] { return server.canReadLine(); }, 10s));
    ASSERT_EQ(server.readLine().trimmed(), QByteArray("ready"));

    addExtensions({{QStringLiteral("Always Fails"), "echo 'no such file' >&2\nexit 3\n"}});
    ASSERT_TRUE(runFromPanel(QStringLiteral("Always Fails")));
    // The failure notice reaches the server (a second after the failure) and stays unanswered.
    ASSERT_TRUE(waitFor([&] {
        while (server.canReadLine())
            if (server.readLine().trimmed() == "call Notify")
                return true;
        return false;
    }, 10s)) << m_palette->log().toStdString();

    const std::optional<ProgramRun> show =
        runToEnd(QStringLiteral(TAVOLIN_PROGRAM), {QStringLiteral("--show")}, QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(show && show->exitCode == 0) << (show ? show->output.toStdString() : "did not end");
    std::cout << "tavolin --show answered in " << show->elapsedMs << " ms" << std::endl;
    // The notification server would hold a waiting palette for D-Bus's 25 s: far above what a busy machine adds.
    EXPECT_LT(show->elapsedMs, 2000) << "the palette did not take `tavolin --show` at once";
    EXPECT_TRUE(waitForPanel(*m_palette, [](const PanelContent &panel) { return !panel.rows.isEmpty(); }, 5s))
        << panelNow(*m_palette);
    server.kill();
    server.waitForFinished(5000);
    EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
}

// Whether `pid` runs (an exited one not yet reaped by whoever inherited it does not count).
bool isRunning(qint64 pid)
{
    const QByteArray stat = fileContent(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return pid > 1 && close > 0 && stat.size() > close + 2 && stat.at(close + 2) != 'Z';
}

TEST_F(ExtensionRunsEndToEnd, WhatAnExtensionLeftRunningEndsWithItsRunAndWithThePalette)
{
    const QString helper = m_palette->dataHome() + QStringLiteral("/helper");
    const QString daemon = m_palette->dataHome() + QStringLiteral("/daemon");
    const auto leaving = [](const QString &file, const char *then) {
        return QStringLiteral("sleep 300 >/dev/null 2>&1 &\necho $! > '%1.tmp'\nmv '%1.tmp' '%1'\n%2\n")
            .arg(file, QLatin1String(then))
            .toUtf8();
    };
    addExtensions({{QStringLiteral("Start Helper"), leaving(helper, "exit 0")},
                   {QStringLiteral("Start Daemon"), leaving(daemon, "exec sleep 600")}});
    qint64 helperPid = 0;
    qint64 daemonPid = 0;
    const auto cleanUp = qScopeGuard([&] {
        for (const qint64 pid : {helperPid, daemonPid})
            if (isRunning(pid) && fileContent(QStringLiteral("/proc/%1/comm").arg(pid)).trimmed() == "sleep")
                ::kill(static_cast<pid_t>(pid), SIGKILL);
    });

    ASSERT_TRUE(runFromPanel(QStringLiteral("Start Helper")));
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(helper); }, 10s)) << m_palette->log().toStdString();
    helperPid = fileContent(helper).trimmed().toLongLong();
    EXPECT_TRUE(waitFor([&] { return !isRunning(helperPid); }, 10s)) << "the helper outlived its run";

    ASSERT_TRUE(runFromPanel(QStringLiteral("Start Daemon")));
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(daemon); }, 10s)) << m_palette->log().toStdString();
    daemonPid = fileContent(daemon).trimmed().toLongLong();
    ASSERT_TRUE(isRunning(daemonPid));
    EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
    EXPECT_TRUE(waitFor([&] { return !isRunning(daemonPid); }, 10s)) << "the daemon outlived the palette";
}

} // namespace
} // namespace tavolin::test
