// What a screen reader finds in the open panel over Mousepad, read over AT-SPI: the search field and the result list
// have names, each row tells its menu path and shortcut after its title, and the button beside the field is named in
// words.
#include "EndToEndTest.h"

namespace tavolin::test {
namespace {

using ScreenReaderJourney = MousepadJourney;

TEST_F(ScreenReaderJourney, TheOpenPanelNamesItsFieldAndListAndTellsEachRowsPathAndShortcut)
{
    ASSERT_TRUE(mousepad && palette);

    const QString saveAs = QStringLiteral("Save As...");
    const std::optional<PanelContent> content = openOver(*palette, *window, [&](const PanelContent &panel) {
        const qsizetype row = panel.rows.indexOf(saveAs);
        return row >= 0 && !panel.details.value(row).isEmpty();
    });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    EXPECT_EQ(content->inputName, QStringLiteral("Search"));
    EXPECT_EQ(content->inputHint, QStringLiteral("Commands"));
    EXPECT_EQ(content->listName, QStringLiteral("Results"));
    const QString details = content->details.value(content->rows.indexOf(saveAs));
    EXPECT_TRUE(details.startsWith(QLatin1String("menu File, shortcut ")) && details.contains(QLatin1String("S")))
        << details.toStdString();
    EXPECT_TRUE(PanelProbe::buttonCentre(palette->pid(), QStringLiteral("Tavolin's own commands")))
        << PanelProbe::shownNames(palette->pid()).join(QLatin1Char(',')).toStdString();
    ASSERT_TRUE(closePanel());
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
