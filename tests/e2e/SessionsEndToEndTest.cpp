// Several desktop sessions of one user, each with its own palette and preferences program, and starts where a
// session lacks a piece: another session's quit ends nothing here, a listener on the old instance name (of another
// user under root) takes no start, no accessibility bus shows the permission window, no display gives a clear
// message.
#include "EndToEndTest.h"
#include "SideSession.h"

#include "common/Paths.h"
#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QTimer>

#include <iostream>

#include <pwd.h>
#include <unistd.h>

namespace tavolin::test {
namespace {

// `session` with the palette run's XDG folders, as its preferences program would start.
QProcessEnvironment withFoldersOf(QProcessEnvironment session, const PaletteRun &palette)
{
    session.insert(QStringLiteral("XDG_CONFIG_HOME"), palette.configHome());
    session.insert(QStringLiteral("XDG_DATA_HOME"), palette.dataHome());
    session.insert(QStringLiteral("TAVOLIN_DEBUG"), QStringLiteral("1"));
    return session;
}

// Whether process `pid` shows a window on the display of `session`.
bool showsWindowIn(const QProcessEnvironment &session, qint64 pid)
{
    const std::optional<ProgramRun> search = runToEnd(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid)},
        session, 5000);
    return search && search->exitCode == 0 && !search->output.trimmed().isEmpty();
}

using SessionsEndToEnd = EndToEndTest;

TEST_F(SessionsEndToEnd, TwoSessionsOfOneUserKeepTheirOwnProgramsAndQuittingOneLeavesTheOther)
{
    QString why;
    const std::unique_ptr<SideSession> side = SideSession::start({QStringLiteral("--wm")}, &why);
    ASSERT_TRUE(side) << why.toStdString();
    const QProcessEnvironment here = QProcessEnvironment::systemEnvironment();
    const QProcessEnvironment there = side->environment();

    const QJsonObject settings = settingsWithFixtureRule(QStringLiteral("allow"));
    const std::unique_ptr<PaletteRun> paletteHere = startPalette(settings);
    ASSERT_TRUE(paletteHere);
    const std::unique_ptr<PaletteRun> paletteThere = startPalette(settings, there);
    ASSERT_TRUE(paletteThere) << "the second session's palette did not start on its own";

    const auto prefsHere = RunningProgram::start(QStringLiteral(TAVOLIN_PREFERENCES_PROGRAM), {},
                                                 withFoldersOf(here, *paletteHere));
    const auto prefsThere = RunningProgram::start(QStringLiteral(TAVOLIN_PREFERENCES_PROGRAM), {},
                                                  withFoldersOf(there, *paletteThere));
    ASSERT_TRUE(prefsHere && prefsThere);
    ASSERT_TRUE(waitFor([&] { return showsWindowIn(here, prefsHere->process().processId()); }, 15s))
        << "running " << prefsHere->isRunning() << ", exit " << prefsHere->process().exitCode() << "\n"
        << prefsHere->process().readAll().toStdString();
    ASSERT_TRUE(waitFor([&] { return showsWindowIn(there, prefsThere->process().processId()); }, 15s))
        << "the second session's preferences program handed its start to the first: "
        << prefsThere->process().readAll().toStdString();

    // `tavolin --show` in the second session opens that session's panel over its application, not this one's.
    const auto appThere = RunningProgram::start(QStringLiteral(TAVOLIN_MENU_FIXTURE), {}, there);
    ASSERT_TRUE(appThere && waitFor([&] { return showsWindowIn(there, appThere->process().processId()); }, 15s));
    const std::optional<ProgramRun> show = runToEnd(QStringLiteral(TAVOLIN_PROGRAM), {QStringLiteral("--show")}, there);
    ASSERT_TRUE(show && show->exitCode == 0) << (show ? show->output.toStdString() : "did not end");
    EXPECT_TRUE(waitFor([&] { return windowMappedIn(there, QStringLiteral("Tavolin")); }, 10s))
        << paletteThere->log().toStdString();
    EXPECT_FALSE(panelWindowVisible()) << "the first session's panel opened";

    // This session's palette quits the ordinary way (SIGTERM) and asks its preferences program to quit.
    EXPECT_EQ(paletteHere->stopAndReportFaults(), QString());
    EXPECT_TRUE(waitFor([&] { return !prefsHere->isRunning(); }, 10s))
        << "this session's preferences program was not asked to quit";
    // Told the same way, the other session's program would have ended as fast.
    EXPECT_FALSE(waitFor([&] { return !prefsThere->isRunning(); }, 2s))
        << "the other session's preferences program was ended: exit " << prefsThere->process().exitCode()
        << (prefsThere->process().exitStatus() == QProcess::CrashExit ? " (crashed)" : "") << "\n"
        << prefsThere->process().readAll().toStdString() << "\nthis session's palette:\n"
        << paletteHere->log().toStdString() << "\nthe other session's palette:\n" << paletteThere->log().toStdString();
    const std::optional<ProgramRun> again = runToEnd(QStringLiteral(TAVOLIN_PROGRAM), {QStringLiteral("--show")}, there);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->exitCode, 0) << "the other session's palette still takes `tavolin --show`: "
                                  << again->output.toStdString();
    EXPECT_EQ(paletteThere->stopAndReportFaults(), QString());
}

// Child: listens on the abstract-namespace names the palette once used, "tavolin-<args[0]>" and
// "tavolin-<args[0]>-<session key>", as user args[1] when given (this process runs as root then); prints
// "listening", then "taken" for every connection.
TAVOLIN_CHILD_ROLE(old_name_listener)
{
    if (args.size() > 1) {
        const uid_t uid = args.at(1).toUInt();
        if (::setgid(uid) != 0 || ::setuid(uid) != 0)
            return 4;
    }
    QList<QLocalServer *> servers;
    for (const QString &name : {QStringLiteral("tavolin-%1").arg(args.at(0)),
                                QStringLiteral("tavolin-%1-%2").arg(args.at(0), paths::sessionKey())}) {
        auto *server = new QLocalServer;
        server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
        if (!server->listen(name))
            return 5;
        QObject::connect(server, &QLocalServer::newConnection, [] { std::cout << "taken" << std::endl; });
        servers << server;
    }
    std::cout << "listening" << std::endl;
    QTimer::singleShot(60s, [] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}

TEST_F(SessionsEndToEnd, AListenerOnTheOldInstanceNameTakesNoStart)
{
    QStringList args{QString::number(::getuid())};
    const passwd *nobody = ::getpwnam("nobody");
    if (::getuid() == 0 && nobody)
        args << QString::number(nobody->pw_uid); // a listener of another user
    QProcess listener;
    listener.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    listener.start(childProgram(), childArguments(QStringLiteral("old_name_listener"), args));
    ASSERT_TRUE(waitFor([&] { return listener.canReadLine(); }, 10s));
    ASSERT_EQ(listener.readLine().trimmed(), QByteArray("listening"));

    const std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
    startPaletteOver(fixture.get(), window, palette);
    ASSERT_TRUE(palette && activate(*window));
    ASSERT_TRUE(forceShow(*palette)) << "`tavolin --show` was not taken by the palette";
    EXPECT_TRUE(waitForPanel(*palette, [](const PanelContent &panel) { return panel.rows.contains(u"Save As…"_qs); }))
        << panelAndLog(*palette);
    EXPECT_EQ(listener.readAllStandardOutput(), QByteArray()) << "the old name's listener was reached";
    listener.kill();
    listener.waitForFinished(5000);
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

TEST_F(SessionsEndToEnd, WithoutAnAccessibilityBusThePermissionWindowShows)
{
    QString why;
    const std::unique_ptr<SideSession> side =
        SideSession::start({QStringLiteral("--no-a11y"), QStringLiteral("--wm")}, &why);
    ASSERT_TRUE(side) << why.toStdString();
    const std::unique_ptr<PaletteRun> palette =
        startPalette(QJsonObject{{QStringLiteral("skipWelcome"), true}}, side->environment());
    ASSERT_TRUE(palette);
    EXPECT_TRUE(palette->waitForLog(QStringLiteral("AXIsProcessTrusted=NO"))) << palette->log().toStdString();
    ASSERT_TRUE(waitFor([&] { return windowMappedIn(side->environment(), QStringLiteral("Tavolin")); }, 10s))
        << "no permission window: " << palette->log().toStdString();

    // Return presses its button: the switch is tried and the window closes. The key goes to the active window,
    // so first the window must have the keyboard (asked for again while the window manager has not yet given
    // it: a window found by name can be gone or not yet mapped a moment later).
    const auto xdotoolIn = [&](const QStringList &arguments) -> std::optional<QString> {
        const std::optional<ProgramRun> run = runToEnd(QStringLiteral("xdotool"), arguments, side->environment(), 5000);
        return run && run->exitCode == 0 ? std::optional(run->output.trimmed()) : std::nullopt;
    };
    const bool active = waitFor(
        [&] {
            if (xdotoolIn({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")}) == QLatin1String("Tavolin"))
                return true;
            xdotoolIn({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                       QStringLiteral("^Tavolin$"), QStringLiteral("windowactivate")});
            return false;
        },
        10s);
    ASSERT_TRUE(active) << "the permission window never had the keyboard";
    ASSERT_TRUE(xdotoolIn({QStringLiteral("key"), QStringLiteral("Return")}));
    EXPECT_TRUE(palette->waitForLog(QStringLiteral("accessibility switched on:"))) << palette->log().toStdString();
    EXPECT_TRUE(waitFor([&] { return !windowMappedIn(side->environment(), QStringLiteral("Tavolin")); }, 10s))
        << "the permission window stayed open";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

struct DisplayCase
{
    const char *name;
    const char *display; // nullptr: unset
    const char *message;
};

const DisplayCase kDisplayCases[] = {
    {"NoDisplay", nullptr, "no display"},
    {"DisplayThatIsNotThere", ":987", "cannot open the display"},
};

// Both programs, without a display they can open: a message and exit 1, not Qt's abort.
TEST(NoDisplayEndToEnd, BothProgramsSayWhyAndExitOne)
{
    for (const DisplayCase &c : kDisplayCases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (c.display)
            env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.display));
        else
            env.remove(QStringLiteral("DISPLAY"));
        for (const char *program : {TAVOLIN_PROGRAM, TAVOLIN_PREFERENCES_PROGRAM}) {
            const std::optional<ProgramRun> run = runToEnd(QString::fromLatin1(program), {}, env);
            ASSERT_TRUE(run) << c.name << ": " << program << " did not end";
            EXPECT_FALSE(run->crashed) << c.name << ": " << program << "\n" << run->output.toStdString();
            EXPECT_EQ(run->exitCode, 1) << c.name << ": " << program << "\n" << run->output.toStdString();
            EXPECT_TRUE(run->output.contains(QLatin1String(c.message)))
                << c.name << ": " << program << "\n" << run->output.toStdString();
            EXPECT_FALSE(run->output.contains(QLatin1String("Reinstalling"))) << run->output.toStdString();
        }
    }
}

} // namespace
} // namespace tavolin::test
