// Whether the hot key opens the panel or goes to the Qt fixture: an item of its File menu holding the palette's key,
// under each application rule, and a window whose menu bar has a single menu.
#include "EndToEndTest.h"
#include "TriggerJourney.h"

namespace tavolin::test {
namespace {

const QString kPrintPreview = QStringLiteral("triggered File > Print Preview");

struct FileKeyCase
{
    const char *name;
    QString rule;     // "" leaves the settings without a rule for the fixture (the default: "auto")
    bool panel;       // the panel opens; else the fixture's own command on the key runs
};

void PrintTo(const FileKeyCase &row, std::ostream *out) { *out << row.name; }

class FileMenuPaletteKey : public TriggerJourney, public ::testing::WithParamInterface<FileKeyCase>
{
};

// Linux menu bars have no application menu: File is the application's first own menu, where an item on the
// default palette key leaves the key to the palette unless the rule says "disabled".
TEST_P(FileMenuPaletteKey, OpensThePanelOrHandsTheKeyOnAsTheRuleSays)
{
    const FileKeyCase &row = GetParam();
    startOverFixture({QStringLiteral("--palette-key-in-file")}, row.rule);
    ASSERT_TRUE(palette);
    ASSERT_TRUE(pressPaletteShortcut());

    if (!row.panel) {
        EXPECT_TRUE(fixture->waitForLogLine(kPrintPreview, 10000))
            << linesOf(*fixture) << "\n" << palette->log().toStdString();
        EXPECT_FALSE(panelWindowVisible());
        EXPECT_EQ(palette->stopAndReportFaults(), QString());
        return;
    }
    const std::optional<PanelContent> content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.rows.contains(QStringLiteral("Print Preview")) && panel.rows.contains(QStringLiteral("Zoom In"));
    });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    // A command performed from the panel reaches the fixture after anything the key set off before it, so
    // once it is logged a press of Print Preview would be logged too.
    performFromPanel(*palette, QStringLiteral("word wrap"));
    ASSERT_TRUE(fixture->waitForLogLine(QStringLiteral("triggered View > Word Wrap checked=1"), 10000))
        << linesOf(*fixture) << "\n" << palette->log().toStdString();
    EXPECT_FALSE(fixture->logLines().contains(kPrintPreview)) << linesOf(*fixture);
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FileMenuPaletteKey,
    ::testing::Values(FileKeyCase{"DefaultSettingsOpenThePanelOnly", QString(), true},
                      FileKeyCase{"AllowOpensThePanelOnly", QStringLiteral("allow"), true},
                      FileKeyCase{"DisabledRunsTheApplicationsCommand", QStringLiteral("disabled"), false}),
    [](const ::testing::TestParamInfo<FileKeyCase> &info) { return std::string(info.param.name); });

TEST_F(TriggerJourney, AWindowWithASingleMenuGetsThePanel)
{
    startOverFixture({QStringLiteral("--one-menu")}, QString());
    ASSERT_TRUE(palette);
    ASSERT_TRUE(pressPaletteShortcut());

    const std::optional<PanelContent> content = waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.rows.contains(QStringLiteral("Save As…")) && panel.rows.contains(QStringLiteral("Quit"));
    });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    EXPECT_FALSE(content->rows.contains(QStringLiteral("Undo"))) << describe(content).toStdString();
    performFromPanel(*palette, QStringLiteral("gamma"));
    EXPECT_TRUE(fixture->waitForLogLine(QStringLiteral("triggered File > Recent > More > Gamma"), 10000))
        << linesOf(*fixture) << "\n" << palette->log().toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
