// The hot key over the Qt fixture (ruled "allow"): a combination another X client holds is refused in the
// preferences program beside its recorder, while the old key goes on opening the panel; a settings file broken while
// the palette runs leaves the hot key working.
#include "EndToEndTest.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <gtest/gtest.h> // before Xlib, whose None macro clashes with gtest

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tavolin::test {
namespace {

const QString kTakenMessage =
    QStringLiteral("Ctrl+Alt+T cannot be used: it is already taken by another program. Ctrl+Shift+P stays in use.");

QString settingsPath(const PaletteRun &palette)
{
    return palette.configHome() + QStringLiteral("/tavolin/io.quorvane.Tavolin.json");
}

// Another X client holding Ctrl+Alt+T on the root window, as a desktop's own shortcut would.
class OtherClientsGrab
{
public:
    OtherClientsGrab()
    {
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            return;
        m_key = XKeysymToKeycode(m_display, XK_t);
        XGrabKey(m_display, m_key, ControlMask | Mod1Mask, DefaultRootWindow(m_display), False, GrabModeAsync,
                 GrabModeAsync);
        XSync(m_display, False);
    }
    ~OtherClientsGrab()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    OtherClientsGrab(const OtherClientsGrab &) = delete;
    OtherClientsGrab &operator=(const OtherClientsGrab &) = delete;

    bool isHeld() const { return m_display != nullptr && m_key != 0; }

private:
    Display *m_display = nullptr;
    KeyCode m_key = 0;
};

class HotkeyEndToEnd : public EndToEndTest
{
protected:
    void startFixtureAndPalette()
    {
        m_fixture = TestApp::startFixture();
        startPaletteOver(m_fixture.get(), m_fixtureWindow, m_palette);
    }

    // Ctrl+Shift+P over the fixture opens the panel listing its menus.
    void expectPaletteKeyOpensThePanel()
    {
        const std::optional<PanelContent> content = openOver(*m_palette, *m_fixtureWindow, [](const PanelContent &panel) {
            return panel.rows.contains(QStringLiteral("Save As…"));
        });
        EXPECT_TRUE(content) << panelAndLog(*m_palette);
    }

    // The preferences program over the palette's folders, as the same user starts it.
    std::unique_ptr<TestApp> startPreferences() const
    {
        return TestApp::start(QStringLiteral("env"), {QStringLiteral("XDG_CONFIG_HOME=") + m_palette->configHome(),
                                                      QStringLiteral("XDG_DATA_HOME=") + m_palette->dataHome(),
                                                      QStringLiteral(TAVOLIN_PREFERENCES_PROGRAM)});
    }

    // Clicks the showing button of `pid` named `name` with the pointer, as a person does.
    static bool clickButton(qint64 pid, const QString &name)
    {
        const std::optional<QPoint> centre = PanelProbe::buttonCentre(pid, name);
        return centre && click(*centre);
    }

    std::unique_ptr<TestApp> m_fixture;
    std::optional<QString> m_fixtureWindow;
    std::unique_ptr<PaletteRun> m_palette;
};

TEST_F(HotkeyEndToEnd, AKeyAnotherClientHoldsIsRefusedBesideTheRecorderAndTheOldKeyStillOpensThePanel)
{
    startFixtureAndPalette();
    ASSERT_TRUE(m_palette);
    const OtherClientsGrab other;
    ASSERT_TRUE(other.isHeld());
    const std::unique_ptr<TestApp> preferences = startPreferences();
    ASSERT_TRUE(preferences) << "tavolin-preferences did not start";
    const std::optional<QString> window = waitForWindowOf(preferences->pid());
    ASSERT_TRUE(window) << "the preferences program showed no window; still running: "
                        << (preferences->process().state() == QProcess::Running);
    ASSERT_TRUE(activate(*window));
    ASSERT_TRUE(waitFor([&] { return clickButton(preferences->pid(), QStringLiteral("Palette")); }, 15s))
        << PanelProbe::shownNames(preferences->pid()).join(u'|').toStdString();

    // Record Ctrl+Alt+T in the palette shortcut's recorder, as a person does.
    ASSERT_TRUE(waitFor([&] { return clickButton(preferences->pid(), QStringLiteral("Ctrl+Shift+P")); }, 10s))
        << PanelProbe::shownNames(preferences->pid()).join(u'|').toStdString();
    ASSERT_TRUE(waitFor([&] { return PanelProbe::shownNames(preferences->pid()).contains(QStringLiteral("Type shortcut…")); }, 5s));
    ASSERT_TRUE(pressKey(QStringLiteral("ctrl+alt+t")));

    // Beside the recorder: why, and the recorder names the shortcut that still works.
    QStringList shown;
    EXPECT_TRUE(waitFor(
        [&] {
            shown = PanelProbe::shownNames(preferences->pid());
            return shown.contains(kTakenMessage) && shown.contains(QStringLiteral("Ctrl+Shift+P"));
        },
        10s)) << shown.join(u'|').toStdString() << "\n" << m_palette->log().toStdString();
    EXPECT_EQ(m_palette->storedSetting(QStringLiteral("palette_shortcut")).toString(),
              QStringLiteral("cmd+shift+p"));

    expectPaletteKeyOpensThePanel();
    EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
}

TEST_F(HotkeyEndToEnd, ASettingsFileBrokenWhileThePaletteRunsKeepsTheHotKey)
{
    startFixtureAndPalette();
    ASSERT_TRUE(m_palette);
    // An editor saving half a file: it does not parse.
    QSaveFile file(settingsPath(*m_palette));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"skipWelcome\": true, \"palette_shortcut\": \"cmd+shi");
    ASSERT_TRUE(file.commit());
    ASSERT_TRUE(m_palette->waitForLog(QStringLiteral("the last settings read stay in force")))
        << m_palette->log().toStdString();

    expectPaletteKeyOpensThePanel();
    EXPECT_EQ(m_palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
