// The palette's shortcuts through the desktop's GlobalShortcuts portal under a Wayland compositor (sway,
// native Mousepad), the portal played by tavolin-test-portal (tests/fixtures/TestPortal.cpp): the palette
// binds "palette_shortcut" and "open_shortcut" with the keys of its settings, an activation shows the panel
// over the focused application, a changed key is bound again and a trigger the desktop changed is followed.
// A portal that never answers leaves the compositor's binding of `tavolin --show` working.
#include "EndToEndTest.h"
#include "WaylandJourney.h"

#include "common/KeyCodeHelper.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "prefs/Settings.h"
#include "support/SessionUser.h"

#include <QElapsedTimer>
#include <QStandardPaths>

#include <iostream>

namespace tavolin::test {
namespace {

// The test portal, started in the session as its user before the palette, so the palette finds it.
class TestPortal
{
public:
    explicit TestPortal(const QStringList &options)
    {
        startInSession(m_process, QStringLiteral(TAVOLIN_TEST_PORTAL), options);
    }
    ~TestPortal()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(1000);
        }
    }

    // What it printed so far, one entry a line ("bound palette_shortcut CTRL+SHIFT+p").
    QStringList lines()
    {
        m_out += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool waitForLine(const QString &line, std::chrono::milliseconds bound = 10s)
    {
        return waitFor([&] { return lines().contains(line); }, bound);
    }
    void tell(const QString &command) { m_process.write((command + QLatin1Char('\n')).toUtf8()); }

private:
    QProcess m_process;
    QString m_out;
};

class WaylandPortalJourney : public WaylandJourney
{
protected:
    void SetUp() override
    {
        WaylandJourney::SetUp();
        if (IsSkipped())
            return;
        if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
            GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
    }

    // The panel over Mousepad as a person sees it: floating with the keyboard and listing Mousepad's
    // commands. Waits (bounded) for exactly that.
    static bool panelOverMousepad(const PaletteRun &palette, std::optional<PanelContent> &content)
    {
        return waitFor(
            [&] {
                content = PanelProbe::panel(palette.pid());
                return focusedFloatingWindowOf(palette.pid()) && content && content->rows.contains(QStringLiteral("New Window"));
            },
            15s);
    }

    // Escape hands the keyboard back; waits (bounded) until the panel is gone.
    static bool closePanel(const PaletteRun &palette)
    {
        return wtype({QStringLiteral("-k"), QStringLiteral("Escape")})
            && waitFor([&] { return !focusedFloatingWindowOf(palette.pid()); }, 10s);
    }

    // Saves `stored` as the palette key, as the preferences program's recorder does.
    static bool changePaletteKey(const PaletteRun &palette, const QString &stored)
    {
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", palette.configHome().toUtf8());
        bool saved = false;
        {
            SettingsDomain domain;
            Settings prefs(domain);
            saved = prefs.put(QJsonValue(stored), QString(settings::kPaletteShortcut));
        }
        qputenv("XDG_CONFIG_HOME", config);
        return saved && giveToSessionUser(palette.configHome());
    }

    // The test portal (with `portalOptions`), then Mousepad showing its window, then the palette.
    void startOverMousepad(const QStringList &portalOptions)
    {
        m_portal = std::make_unique<TestPortal>(portalOptions);
        ASSERT_TRUE(m_portal->waitForLine(QStringLiteral("ready"))) << m_portal->lines().join(QLatin1Char('\n')).toStdString();
        m_mousepad = TestApp::start(QStringLiteral("mousepad"), {});
        ASSERT_TRUE(m_mousepad && waitForWindowOf(m_mousepad->pid()));
        m_palette = startPalette(settingsWithFixtureRule(QString()));
        ASSERT_TRUE(m_palette);
    }

    std::unique_ptr<TestPortal> m_portal;
    std::unique_ptr<TestApp> m_mousepad;
    std::unique_ptr<PaletteRun> m_palette;
};

TEST_F(WaylandPortalJourney, PortalBindsBothShortcutsAndItsActivationShowsThePanel)
{
    startOverMousepad({});
    if (HasFatalFailure())
        return;

    // Both shortcuts, asked for with the keys the settings hold (quick open's default when it has none).
    ASSERT_TRUE(m_portal->waitForLine(QStringLiteral("bound palette_shortcut CTRL+SHIFT+p")))
        << m_portal->lines().join(QLatin1Char('\n')).toStdString() << "\n" << m_palette->log().toStdString();
    ASSERT_TRUE(m_portal->waitForLine(QStringLiteral("bound open_shortcut CTRL+SHIFT+o")))
        << m_portal->lines().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(m_palette->waitForLog(QStringLiteral("through the GlobalShortcuts portal"))) << m_palette->log().toStdString();
    EXPECT_TRUE(waitFor([&] {
        return m_palette->storedSetting(QString(settings::kPaletteShortcutDesktopTrigger)) == QJsonValue(QStringLiteral("CTRL+SHIFT+p"));
    }, 10s)) << "the trigger the desktop reported is not kept for the preferences";

    ASSERT_TRUE(focusApplication(m_mousepad->pid()));
    QElapsedTimer shown;
    shown.start();
    m_portal->tell(QStringLiteral("activate palette_shortcut"));
    std::optional<PanelContent> content;
    ASSERT_TRUE(panelOverMousepad(*m_palette, content))
        << "panel: " << describe(content).toStdString() << "\nlog: " << m_palette->log().toStdString();
    std::cout << "portal Activated to the panel over Mousepad, focused and listing its commands: " << shown.elapsed()
              << " ms" << std::endl;
    EXPECT_TRUE(screenshot(QStringLiteral("wayland-portal-panel-over-Mousepad")));
    ASSERT_TRUE(closePanel(*m_palette));

    // A new key in the preferences: bound again, in a new session, whose activation shows the panel too.
    ASSERT_TRUE(changePaletteKey(*m_palette, QStringLiteral("cmd+alt+k")));
    ASSERT_TRUE(m_portal->waitForLine(QStringLiteral("bound palette_shortcut CTRL+ALT+k")))
        << m_portal->lines().join(QLatin1Char('\n')).toStdString() << "\n" << m_palette->log().toStdString();
    ASSERT_TRUE(focusApplication(m_mousepad->pid()));
    m_portal->tell(QStringLiteral("activate palette_shortcut"));
    ASSERT_TRUE(panelOverMousepad(*m_palette, content))
        << "panel: " << describe(content).toStdString() << "\nlog: " << m_palette->log().toStdString();
    ASSERT_TRUE(closePanel(*m_palette));

    // The desktop let the user pick another trigger: the palette follows, says which, and keeps it where
    // the preferences show it.
    m_portal->tell(QStringLiteral("change palette_shortcut Super+F9"));
    EXPECT_TRUE(m_palette->waitForLog(QStringLiteral("palette_shortcut with \"Super+F9\""))) << m_palette->log().toStdString();
    const QString desktopTrigger = QString(settings::kPaletteShortcutDesktopTrigger);
    EXPECT_TRUE(waitFor([&] { return m_palette->storedSetting(desktopTrigger) == QJsonValue(QStringLiteral("Super+F9")); }, 10s))
        << m_palette->storedSetting(desktopTrigger).toString().toStdString();
    EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
}

TEST_F(WaylandPortalJourney, PortalThatNeverAnswersLeavesTavolinShowWorking)
{
    startOverMousepad({QStringLiteral("--silent")});
    if (HasFatalFailure())
        return;
    const QString fallback = QStringLiteral("CreateSession had no answer in 0.9 s, so the compositor must run "
                                            "\"tavolin --show\" on Ctrl+Shift+P");
    ASSERT_TRUE(m_palette->waitForLog(fallback)) << m_palette->log().toStdString();

    ASSERT_TRUE(bindPaletteKey(*m_palette));
    ASSERT_TRUE(focusApplication(m_mousepad->pid()));
    QElapsedTimer shown;
    shown.start();
    ASSERT_TRUE(wtype({QStringLiteral("-M"), QStringLiteral("ctrl"), QStringLiteral("-M"), QStringLiteral("shift"),
                       QStringLiteral("p"), QStringLiteral("-m"), QStringLiteral("shift"), QStringLiteral("-m"),
                       QStringLiteral("ctrl")}));
    std::optional<PanelContent> content;
    ASSERT_TRUE(panelOverMousepad(*m_palette, content))
        << "panel: " << describe(content).toStdString() << "\nlog: " << m_palette->log().toStdString();
    std::cout << "compositor key (tavolin --show) to the panel over Mousepad, focused and listing its commands: "
              << shown.elapsed() << " ms" << std::endl;
    EXPECT_EQ(m_palette->countInLog(QStringLiteral("so the compositor must run")), 1) << m_palette->log().toStdString();
    EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
