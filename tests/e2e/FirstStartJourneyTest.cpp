// What a new user meets, by keyboard alone: the first start shows the welcome window, whose check box Space ticks
// (the autostart entry is written at once), Tab reaches "Get Started" and Return closes it; the preferences program
// opens centred rather than in the corner, Ctrl+W closes it, and its next start opens where it was left. Window
// places are read from the X server as the window manager left them.
#include "EndToEndTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace tavolin::test {
namespace {

// The window's place and size as the X server has them, after the window manager placed it.
std::optional<QRect> windowGeometry(const QString &window)
{
    const std::optional<QString> text = xdotool({QStringLiteral("getwindowgeometry"), window});
    static const QRegularExpression pattern(QStringLiteral(R"(Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+))"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(text.value_or(QString()));
    if (!match.hasMatch())
        return std::nullopt;
    return QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                 match.captured(4).toInt());
}

QJsonObject settingsFile(const PaletteRun &palette)
{
    QDir folder(palette.configHome() + QStringLiteral("/tavolin"));
    for (const QString &name : folder.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            return QJsonDocument::fromJson(file.readAll()).object();
    }
    return {};
}

// The preferences program under the session, over the palette's folders and a state folder of its own.
class PreferencesRun
{
public:
    PreferencesRun(const PaletteRun &palette, const QString &stateHome)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), palette.configHome());
        env.insert(QStringLiteral("XDG_DATA_HOME"), palette.dataHome());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), palette.cacheHome());
        env.insert(QStringLiteral("XDG_STATE_HOME"), stateHome);
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QStringLiteral(TAVOLIN_PREFERENCES_PROGRAM), {});
    }
    ~PreferencesRun()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    qint64 pid() const { return m_process.processId(); }
    // True when the program ended by itself with exit code 0 within `boundMs`.
    bool endedCleanly(int boundMs)
    {
        return m_process.waitForFinished(boundMs) && m_process.exitStatus() == QProcess::NormalExit
            && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
};

using FirstStartJourney = EndToEndTest;

TEST_F(FirstStartJourney, TheWelcomeWindowIsUsedWithTabSpaceAndReturn)
{
    const std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject{}); // a first start: no "skipWelcome"
    ASSERT_TRUE(palette);
    std::optional<QString> welcome;
    ASSERT_TRUE(waitFor([&] {
        welcome = visibleWindowNamed(QStringLiteral("^Welcome to Tavolin$"));
        return welcome && activeWindow() == welcome;
    }, 15s)) << "no active welcome window\n" << palette->log().toStdString();
    saveScreenshot(QStringLiteral("welcome"));

    // The shortcut field has the focus first; Tab leaves it for "Start Tavolin at login", Space ticks that.
    const QString autostartEntry = palette->configHome() + QStringLiteral("/autostart/tavolin.desktop");
    ASSERT_FALSE(QFileInfo::exists(autostartEntry));
    ASSERT_TRUE(pressKey(QStringLiteral("Tab")) && pressKey(QStringLiteral("space")));
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(autostartEntry); }, 5s))
        << "Space on \"Start Tavolin at login\" wrote no autostart entry\n" << palette->log().toStdString();

    // Past "Share anonymous usage data" to "Get Started"; Return closes the window.
    ASSERT_TRUE(pressKey(QStringLiteral("Tab")) && pressKey(QStringLiteral("Tab")) && pressReturn());
    EXPECT_TRUE(waitFor([] { return !visibleWindowNamed(QStringLiteral("^Welcome to Tavolin$")); }, 5s))
        << "the welcome window stayed open";
    const QJsonObject settings = settingsFile(*palette);
    EXPECT_EQ(settings.value(QStringLiteral("startOnLogin")), QJsonValue(true));
    EXPECT_FALSE(settings.value(QStringLiteral("sendData")).toBool()) << "the second box was only passed";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

TEST_F(FirstStartJourney, PreferencesOpenCentredCloseWithCtrlWAndReopenWhereLeft)
{
    const std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject{{QStringLiteral("skipWelcome"), true}});
    ASSERT_TRUE(palette);
    QTemporaryDir stateHome;
    ASSERT_TRUE(stateHome.isValid());
    const std::optional<QSize> screen = displaySize();
    ASSERT_TRUE(screen);

    std::optional<QRect> placed;
    {
        PreferencesRun prefs(*palette, stateHome.path());
        const std::optional<QString> window = waitForWindowOf(prefs.pid());
        ASSERT_TRUE(window) << "the preferences window did not show";
        ASSERT_TRUE(waitFor([&] { return (placed = windowGeometry(*window)) && placed->width() >= 560; }, 5s));
        saveScreenshot(QStringLiteral("preferences"));
        const QPoint offCentre = placed->center() - QPoint(screen->width() / 2, screen->height() / 2);
        EXPECT_LE(std::abs(offCentre.x()), 40) << "window at " << placed->x() << "," << placed->y();
        EXPECT_LE(std::abs(offCentre.y()), 60) << "window at " << placed->x() << "," << placed->y();

        // The user moves it, then closes it from the keyboard.
        ASSERT_TRUE(xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"), *window, QStringLiteral("90"),
                             QStringLiteral("70")}));
        ASSERT_TRUE(waitFor([&] { return (placed = windowGeometry(*window)) && placed->topLeft() != QPoint(); }, 5s));
        ASSERT_TRUE(activate(*window) && pressKey(QStringLiteral("ctrl+w")));
        EXPECT_TRUE(prefs.endedCleanly(5000)) << "Ctrl+W did not close the preferences program";
    }

    PreferencesRun again(*palette, stateHome.path());
    const std::optional<QString> window = waitForWindowOf(again.pid());
    ASSERT_TRUE(window) << "the preferences window did not show again";
    std::optional<QRect> reopened;
    EXPECT_TRUE(waitFor([&] {
        reopened = windowGeometry(*window);
        return reopened && (reopened->topLeft() - placed->topLeft()).manhattanLength() <= 4;
    }, 5s)) << "left at " << placed->x() << "," << placed->y() << ", reopened at "
            << (reopened ? reopened->x() : -1) << "," << (reopened ? reopened->y() : -1);
    ASSERT_TRUE(activate(*window) && pressKey(QStringLiteral("ctrl+w")));
    EXPECT_TRUE(again.endedCleanly(5000));
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
