// A first start under German (LANGUAGE=de, LANG=de_DE.UTF-8): the welcome window and its button read in German; the
// panel over the Qt fixture shows the German placeholder and accessible name in its search field; the preferences
// program opens under a German title and pane bar (page tabs). The first start logs no error-level line.
#include "EndToEndTest.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace tavolin::test {
namespace {

QProcessEnvironment german()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    return env;
}

using LanguageJourney = EndToEndTest;

TEST_F(LanguageJourney, UnderAGermanLocaleTheWelcomeWindowAndThePanelAreGerman)
{
    const std::unique_ptr<TestApp> fixture =
        TestApp::startFixture(QStringLiteral("tavolin-menu-fixture"), {QStringLiteral("--one-menu")});
    const std::optional<QString> window = windowOfStarted(fixture.get());
    ASSERT_TRUE(window);
    const std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject(), german());
    ASSERT_TRUE(palette);

    ASSERT_TRUE(waitFor([] { return visibleWindowNamed(QStringLiteral("^Willkommen bei Tavolin$")).has_value(); }, 15s))
        << "no German welcome window; windows: "
        << PanelProbe::frameTitles(palette->pid()).join(QLatin1Char(',')).toStdString() << "\n"
        << palette->log().toStdString();
    std::optional<QPoint> button;
    ASSERT_TRUE(waitFor([&] { return (button = PanelProbe::buttonCentre(palette->pid(), QStringLiteral("Los geht’s"))).has_value(); }, 10s))
        << "no \"Los geht’s\" button: " << PanelProbe::shownNames(palette->pid()).join(QLatin1Char(',')).toStdString();
    saveScreenshot(QStringLiteral("welcome-de"));
    ASSERT_TRUE(click(*button));
    ASSERT_TRUE(waitFor([] { return !visibleWindowNamed(QStringLiteral("^Willkommen bei Tavolin$")); }, 5s));

    const std::optional<PanelContent> content = openOverOnceTaken(*palette, *window, [](const PanelContent &panel) {
        return panel.rows.contains(QStringLiteral("Save As…")) && panel.inputHint == QLatin1String("Befehle");
    });
    EXPECT_TRUE(content) << panelAndLog(*palette);
    if (content) {
        EXPECT_EQ(content->inputName, QStringLiteral("Suche"));
        EXPECT_EQ(content->listName, QStringLiteral("Ergebnisse"));
    }
    saveScreenshot(QStringLiteral("panel-de"));
    ASSERT_TRUE(closePanel());
    // An ordinary first start has nothing to report as an error.
    const QStringList errors = palette->log().split(QLatin1Char('\n')).filter(QStringLiteral(" error ["));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

TEST_F(LanguageJourney, UnderAGermanLocaleThePreferencesWindowIsGerman)
{
    const std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject{{QStringLiteral("skipWelcome"), true}}, german());
    ASSERT_TRUE(palette);
    QProcessEnvironment env = german();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), palette->configHome());
    env.insert(QStringLiteral("XDG_DATA_HOME"), palette->dataHome());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), palette->cacheHome());
    env.insert(QStringLiteral("XDG_STATE_HOME"), palette->cacheHome()); // a window place of its own
    QProcess prefs;
    prefs.setProcessEnvironment(env);
    prefs.setProcessChannelMode(QProcess::ForwardedChannels);
    prefs.start(QStringLiteral(TAVOLIN_PREFERENCES_PROGRAM), {});
    ASSERT_TRUE(prefs.waitForStarted(5000));

    // The pane bar reads as page tabs, the pane shown first as the selected one.
    const QStringList expected{QStringLiteral("frame: Tavolin-Einstellungen"),
                               QStringLiteral("page tab list: Einstellungsbereiche"),
                               QStringLiteral("page tab: Allgemein"),
                               QStringLiteral("page tab: Erscheinungsbild"),
                               QStringLiteral("page tab: Palette"),
                               QStringLiteral("page tab: Über"),
                               QStringLiteral("check box: Tavolin bei der Anmeldung starten")};
    QStringList shown;
    const bool german = waitFor([&] {
        shown = PanelProbe::shownRolesAndNames(prefs.processId());
        return std::all_of(expected.begin(), expected.end(), [&](const QString &one) { return shown.contains(one); });
    }, 15s);
    EXPECT_TRUE(german) << "shown: " << shown.join(QLatin1Char(',')).toStdString();
    saveScreenshot(QStringLiteral("preferences-de"));

    // The pane with the longest German labels, chosen as a screen reader's user would: its tab's action.
    ASSERT_TRUE(PanelProbe::pressButton(prefs.processId(), QStringLiteral("Palette")));
    EXPECT_TRUE(waitFor([&] { return PanelProbe::shownNames(prefs.processId()).contains(QStringLiteral("Tastenkürzel der Palette:")); }, 5s))
        << PanelProbe::shownNames(prefs.processId()).join(QLatin1Char(',')).toStdString();
    saveScreenshot(QStringLiteral("preferences-palette-de"));
    prefs.terminate();
    if (!prefs.waitForFinished(3000)) {
        prefs.kill();
        prefs.waitForFinished(2000);
    }
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
