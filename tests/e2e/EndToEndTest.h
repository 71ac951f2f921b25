#pragma once

#include "HeadlessSession.h"
#include "PaletteRun.h"
#include "PanelProbe.h"
#include "support/WaitFor.h"

#include <QColor>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tavolin::test {

// Journeys write their bounds as 5s, 10s.
using namespace std::chrono_literals;

class TestApp;

// What a panel read showed, for failure messages: the input, the selected row and the rows (with their
// groups when the panel lists groups).
QString describe(const std::optional<PanelContent> &content);

// What the panel of `palette` shows now, alone and followed by the palette's log, for failure messages.
std::string panelNow(const PaletteRun &palette);
std::string panelAndLog(const PaletteRun &palette);
// The log lines of `app` (the Qt fixture's triggered items), for failure messages.
std::string linesOf(const TestApp &app);

// The content of the file at `path`; empty when it cannot be read.
QByteArray fileContent(const QString &path);
// Writes `content` as the whole file at `path`; false when that failed.
bool writeFile(const QString &path, const QByteArray &content);

// Settings for a palette run: no welcome window and, unless `rule` is empty, that rule ("allow", "auto",
// "disabled") for the Qt fixture.
QJsonObject settingsWithFixtureRule(const QString &rule);

// The active window's id, as xdotool gives it; nullopt when none is.
std::optional<QString> activeWindow();

// The screen's size, as xdotool gives it; nullopt when it failed.
std::optional<QSize> displaySize();

// Whether the panel is the active window, so typed keys reach its input rather than the application below.
bool panelIsActive();

// The colour the panel window shows just inside its top-left corner (its border, which the theme's window
// background fills), grabbed from the screen; nullopt while no panel is mapped or the grab failed.
std::optional<QRgb> panelCornerColour();

// The palette started with `settings` in `session`; null (with a test failure) when it did not start or
// handed its start to another instance.
std::unique_ptr<PaletteRun> startPalette(const QJsonObject &settings,
                                         const QProcessEnvironment &session = QProcessEnvironment::systemEnvironment());

// Restarts `palette` over the same folders (PaletteRun::restart); a failure says why.
::testing::AssertionResult restarted(PaletteRun &palette);

// Saves the whole screen as `name`.png in the folder TAVOLIN_E2E_SCREENSHOTS names; nothing when it is unset.
void saveScreenshot(const QString &name);

// Base of the end-to-end tests: a private headless session with a window manager (which activates and
// raises the panel, as on a desktop) and xdotool. SetUp skips, saying why, when any of them is missing.
// Every wait in the journeys is bounded and waits for what is then asserted.
// Programs the tests start under ASan run without strict string checks: libxkbcommon-x11 (loaded through
// Qt's xcb platform) strndup()s atom names that are not NUL-terminated, which that one option reports as an
// overflow inside the system library. Everything else stays on.
class EndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override;

    // Keys and text go through XTest to the active window (the panel, once it has the keyboard).
    static bool activate(const QString &window);
    static bool pressPaletteShortcut();
    static bool type(const QString &text);
    // An xdotool key name: "Return", "Escape", "ctrl+a".
    static bool pressKey(const QString &key);
    static bool pressReturn() { return pressKey(QStringLiteral("Return")); }
    // A left click at `point` (screen coordinates).
    static bool click(const QPoint &point);
    // Runs `tavolin --show` beside `palette`, as a desktop's own key binding would: the running palette shows
    // its panel, forced. False when that program did not hand the request over and exit with 0.
    static bool forceShow(const PaletteRun &palette);
    // Escape, then waits (bounded) until the panel is hidden.
    static bool closePanel();

    // The window of `app` (started already, may be null) once it is mapped; nullopt, with a test failure, when
    // the application did not start or showed no window.
    static std::optional<QString> windowOfStarted(const TestApp *app);

    // Waits for the window of `app` (started already, may be null), on the screen and on the accessibility
    // bus, and starts the palette with the rule "allow" for the Qt fixture. Fails, leaving `palette` null,
    // when any of it did not happen.
    static void startPaletteOver(const TestApp *app, std::optional<QString> &window, std::unique_ptr<PaletteRun> &palette);

    // Mousepad with its one window on the accessibility bus, and that window's id; null (with a test failure)
    // when it did not get so far. Check that mousepad is installed first.
    static std::unique_ptr<TestApp> startMousepad(std::optional<QString> &window);

    // The palette's panel once it is mapped, has the keyboard and its accessible list satisfies `ready`;
    // nullopt when that did not happen within `bound`.
    static std::optional<PanelContent> waitForPanel(const PaletteRun &palette,
                                                    const std::function<bool(const PanelContent &)> &ready,
                                                    std::chrono::milliseconds bound = std::chrono::seconds(15));
    // Types `query` into the panel and waits as waitForPanel does until `best` is the first row, selected.
    static std::optional<PanelContent> typeUntilBest(const PaletteRun &palette, const QString &query,
                                                     const QString &best);
    // openOver, pressing the hot key again each time no panel came within 2 s, as a person would while the
    // palette does not take it yet (a rule change still on its way, the moments after the welcome window).
    static std::optional<PanelContent> openOverOnceTaken(const PaletteRun &palette, const QString &window,
                                                         const std::function<bool(const PanelContent &)> &ready);
    // Activates `window`, presses the hot key and waits as waitForPanel does.
    static std::optional<PanelContent> openOver(const PaletteRun &palette, const QString &window,
                                                const std::function<bool(const PanelContent &)> &ready,
                                                std::chrono::milliseconds bound = std::chrono::seconds(15));
};

// Base of the journeys over Mousepad: SetUp skips, saying why, when it is not installed, and otherwise starts
// it and the palette (no rule stored: "auto"), failing when either did not start.
class MousepadJourney : public EndToEndTest
{
protected:
    void SetUp() override;

    std::unique_ptr<TestApp> mousepad;
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
};

// Base of the journeys over the Qt fixture: SetUp starts the fixture and the palette over its window (the
// rule "allow" for it), and fails when either did not start.
class FixtureJourney : public EndToEndTest
{
protected:
    void SetUp() override;

    std::unique_ptr<TestApp> fixture;
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
};

} // namespace tavolin::test
