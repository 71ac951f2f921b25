// A command performed from the palette over the Qt fixture is on top, marked "Recent", at the next show and after
// the palette's next start (the history kept on disk, listed before the menus are read), and gone once the
// preferences program's "Delete History" sent "clearHistory" through the shared settings.
#include "EndToEndTest.h"

#include <QRegularExpression>

namespace tavolin::test {
namespace {

const QString kSaveAs = QStringLiteral("Save As…"); // listed once the File menu is read
const QString kRecent = QStringLiteral("Recent");

// The File menu is listed and `title` is the first row, the only one marked recent.
bool listsOnTopAsRecent(const PanelContent &panel, const QString &title)
{
    return panel.rows.contains(kSaveAs) && panel.rows.value(0) == title && panel.groups.value(0) == kRecent
        && panel.groups.count(kRecent) == 1;
}

// How many rows the panel held when show `index` (0 first) of the log opened it; -1 when no such show.
int rowsAtShow(const QString &log, int index)
{
    static const QRegularExpression line(QStringLiteral("panel show requested with (\\d+) rows"));
    int seen = 0;
    for (auto it = line.globalMatch(log); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (seen++ == index)
            return match.captured(1).toInt();
    }
    return -1;
}

// The File menu is listed in menu order and no row is marked recent.
bool listsNoHistory(const PanelContent &panel)
{
    return panel.rows.contains(kSaveAs) && panel.rows.value(0) == QLatin1String("New") && !panel.groups.contains(kRecent);
}

class HistoryJourney : public FixtureJourney
{
protected:
    // The real preferences program over the palette's folders, its Palette pane's "Delete History" pressed.
    static ::testing::AssertionResult deleteHistoryInPreferences(const PaletteRun &palette)
    {
        const std::unique_ptr<TestApp> prefs = TestApp::start(
            QStringLiteral("env"),
            {QStringLiteral("XDG_CONFIG_HOME=") + palette.configHome(), QStringLiteral("XDG_DATA_HOME=") + palette.dataHome(),
             QStringLiteral(TAVOLIN_PREFERENCES_PROGRAM)});
        if (!prefs || !waitForWindowOf(prefs->pid()))
            return ::testing::AssertionFailure() << "the preferences program showed no window";
        const int before = palette.countInLog(QStringLiteral("run command clearHistory"));
        // The header's "Palette" shows the pane whose first tab holds the button.
        for (const QString &button : {QStringLiteral("Palette"), QStringLiteral("Delete History")}) {
            std::optional<QPoint> centre;
            if (!waitFor([&] { return (centre = PanelProbe::buttonCentre(prefs->pid(), button)).has_value(); }, 10s)
                || !click(*centre))
                return ::testing::AssertionFailure() << "no \"" << button.toStdString() << "\" button to click";
        }
        if (!palette.waitForLog(QStringLiteral("run command clearHistory"), 10000, before))
            return ::testing::AssertionFailure() << "the palette did not run clearHistory: " << palette.log().toStdString();
        return ::testing::AssertionSuccess();
    }
};

TEST_F(HistoryJourney, PerformedCommandComesFirstAsRecentSurvivesARestartAndGoesWithDeleteHistory)
{
    std::optional<PanelContent> content = openOver(*palette, *window, listsNoHistory);
    ASSERT_TRUE(content) << panelAndLog(*palette);
    ASSERT_TRUE(type(QStringLiteral("beta")));
    content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.input == QLatin1String("beta") && panel.selected == 0 && panel.rows.value(0) == QLatin1String("Beta");
    });
    ASSERT_TRUE(content) << panelNow(*palette);
    ASSERT_TRUE(pressReturn());
    ASSERT_TRUE(fixture->waitForLogLine(QStringLiteral("triggered File > Recent > Beta"), 10000)) << linesOf(*fixture);
    ASSERT_TRUE(waitFor([] { return !panelWindowVisible(); }, 5s)) << "the panel stayed open";

    const auto betaOnTop = [](const PanelContent &panel) { return listsOnTopAsRecent(panel, QStringLiteral("Beta")); };
    content = openOver(*palette, *window, betaOnTop);
    EXPECT_TRUE(content) << "reopened: " << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());

    ASSERT_TRUE(restarted(*palette));
    const int showsBefore = palette->countInLog(QStringLiteral("panel show requested"));
    content = openOver(*palette, *window, betaOnTop);
    EXPECT_TRUE(content) << "after a restart: " << panelNow(*palette);
    // The panel of a fresh process opens before any menu is read: with the remembered command in it already.
    EXPECT_EQ(rowsAtShow(palette->log(), showsBefore), 1) << palette->log().toStdString();
    ASSERT_TRUE(closePanel());

    ASSERT_TRUE(deleteHistoryInPreferences(*palette));
    content = openOver(*palette, *window, listsNoHistory);
    EXPECT_TRUE(content) << "after Delete History: " << panelNow(*palette);
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
