// The palette's own rows (Ctrl+, over the Qt fixture): in Themes, moving the selection previews the theme under it
// (panel colours and stored setting) and Escape puts back the one in effect; the Preferences row starts the
// preferences program.
#include "EndToEndTest.h"

#include <csignal>

namespace tavolin::test {
namespace {

const QString kStartTheme = QStringLiteral("Extra Dark"); // the last theme: Down wraps to the first
const QString kFirstTheme = QStringLiteral("default");
const QStringList kOptionRows{QStringLiteral("Preferences"), QStringLiteral("Themes"), QStringLiteral("About Tavolin"),
                              QStringLiteral("Quit")};

bool darkCorner()
{
    const std::optional<QRgb> colour = panelCornerColour();
    return colour && qGray(*colour) < 80;
}

bool lightCorner()
{
    const std::optional<QRgb> colour = panelCornerColour();
    return colour && qGray(*colour) > 170;
}

class OptionsJourney : public EndToEndTest
{
protected:
    // Opens the panel over `window` and switches it to the palette's own rows.
    static bool openOptions(const PaletteRun &palette, const QString &window)
    {
        return openOver(palette, window, [](const PanelContent &panel) { return panel.rows.contains(QStringLiteral("Save As…")); })
            && pressKey(QStringLiteral("ctrl+comma"))
            && waitForPanel(palette, [](const PanelContent &panel) { return panel.rows == kOptionRows; });
    }
};

TEST_F(OptionsJourney, ThemesPreviewOnTheSelectionEscapeRestoresAndPreferencesOpensItsWindow)
{
    const std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    const std::optional<QString> window = windowOfStarted(fixture.get());
    ASSERT_TRUE(window);
    QJsonObject settings = settingsWithFixtureRule(QStringLiteral("allow"));
    settings.insert(QStringLiteral("usePreferenceShortcut"), true);
    settings.insert(QStringLiteral("theme"), kStartTheme);
    const std::unique_ptr<PaletteRun> palette = startPalette(settings);
    ASSERT_TRUE(palette);
    const auto stored = [&] { return palette->storedSetting(QStringLiteral("theme")).toString(); };

    ASSERT_TRUE(openOptions(*palette, *window)) << panelAndLog(*palette);
    ASSERT_TRUE(typeUntilBest(*palette, QStringLiteral("themes"), QStringLiteral("Themes"))) << panelNow(*palette);
    ASSERT_TRUE(pressReturn());
    // Entered: every theme listed, the one in effect selected.
    std::optional<PanelContent> content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.rows.size() == 8 && panel.rows.value(0) == kFirstTheme && panel.rows.value(panel.selected) == kStartTheme
            && darkCorner();
    });
    ASSERT_TRUE(content) << "Themes entered: " << panelNow(*palette);

    ASSERT_TRUE(pressKey(QStringLiteral("Down")));
    content = waitForPanel(*palette, [&](const PanelContent &panel) {
        return panel.selected == 0 && stored() == kFirstTheme && lightCorner();
    });
    EXPECT_TRUE(content) << "previewing " << kFirstTheme.toStdString() << ": " << panelNow(*palette) << ", stored "
                         << stored().toStdString();

    ASSERT_TRUE(pressKey(QStringLiteral("Escape")));
    content = waitForPanel(*palette, [&](const PanelContent &panel) {
        return panel.rows.value(panel.selected) == kStartTheme && stored() == kStartTheme && darkCorner();
    });
    EXPECT_TRUE(content) << "Escape after the preview: " << panelNow(*palette) << ", stored " << stored().toStdString();
    ASSERT_TRUE(closePanel());
    ASSERT_TRUE(waitFor([&] { return activeWindow() == window; }, 5s)) << "the focus did not return";

    ASSERT_TRUE(openOptions(*palette, *window)) << panelNow(*palette);
    ASSERT_TRUE(pressReturn()); // Preferences, the first row
    std::optional<QString> preferences;
    const QString preferencesTitle = QStringLiteral("^Tavolin Preferences$");
    EXPECT_TRUE(waitFor([&] { return (preferences = visibleWindowNamed(preferencesTitle)).has_value(); }, 15s))
        << "no preferences window: " << palette->log().toStdString();
    if (preferences) {
        // Started by the palette on the test's behalf: end it by its own pid.
        const std::optional<QString> pid = xdotool({QStringLiteral("getwindowpid"), *preferences});
        if (const qint64 id = pid ? pid->toLongLong() : 0; id > 1 && id != palette->pid())
            ::kill(static_cast<pid_t>(id), SIGTERM);
    }
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
