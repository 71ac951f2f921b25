// From the second show over the same window, the commands are listed at once from the last show's menus while the
// menus are read again behind them; a menu item renamed since (the Qt fixture's Tools > Rename Me retitles itself
// when performed) is listed under its new title at the next show, the old one gone.
#include "EndToEndTest.h"

namespace tavolin::test {
namespace {

const QString kRenameMe = QStringLiteral("Rename Me");
const QString kRenamed = QStringLiteral("Renamed");
const QString kKept = QStringLiteral("menu rows kept from the last show");

class MenuChangeJourney : public EndToEndTest
{
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        if (IsSkipped())
            return;
        fixture = TestApp::startFixture(QStringLiteral("tavolin-menu-fixture"), {QStringLiteral("--renaming-item")});
        startPaletteOver(fixture.get(), window, palette);
    }

    std::unique_ptr<TestApp> fixture;
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
};

TEST_F(MenuChangeJourney, SecondShowListsTheLastRowsAtOnceAndARenamedItemUnderItsNewTitle)
{
    const auto listsRenameMe = [](const PanelContent &panel) {
        return panel.rows.contains(kRenameMe) && panel.rows.contains(QStringLiteral("Save As…"));
    };
    ASSERT_TRUE(openOver(*palette, *window, listsRenameMe)) << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());

    int keptBefore = palette->countInLog(kKept);
    ASSERT_TRUE(openOver(*palette, *window, listsRenameMe)) << panelNow(*palette);
    EXPECT_TRUE(palette->waitForLog(kKept, 5000, keptBefore)) << "the second show read the menus before listing them:\n"
                                                              << palette->log().toStdString();
    ASSERT_TRUE(typeUntilBest(*palette, QStringLiteral("rename me"), kRenameMe)) << panelNow(*palette);
    ASSERT_TRUE(pressReturn());
    ASSERT_TRUE(fixture->waitForLogLine(QStringLiteral("triggered Tools > Rename Me"), 10000)) << linesOf(*fixture);
    ASSERT_TRUE(waitFor([] { return !panelWindowVisible(); }, 5s)) << "the panel stayed open";

    keptBefore = palette->countInLog(kKept);
    const std::optional<PanelContent> content = openOver(*palette, *window, [](const PanelContent &panel) {
        return panel.rows.contains(kRenamed) && !panel.rows.contains(kRenameMe);
    });
    EXPECT_TRUE(content) << "the renamed item: " << panelAndLog(*palette);
    EXPECT_TRUE(palette->waitForLog(kKept, 5000, keptBefore));
    ASSERT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
