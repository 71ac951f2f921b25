// The preferences program saves an application's extensions while the palette runs over the Qt fixture: the palette
// runs "updateExtension", its panel lists the saved extensions (and not the renamed or removed ones after a second
// save), and both programs keep opening "CommandExtensions-db", the palette again on its next start. The preferences
// side is that program's own saving code (ExtensionLibrary) in this process, over the palette run's folders.
#include "EndToEndTest.h"
#include "PreferencesSide.h"

#include "common/Paths.h"
#include "common/PluginDataItem.h"
#include "common/SettingsKeys.h"
#include "common/Store.h"
#include "prefs/ExtensionLibrary.h"

#include <functional>

namespace tavolin::test {
namespace {

const QString kAppKey = QStringLiteral("tavolin-menu-fixture.app");
const QString kRunCommand = QStringLiteral("run command updateExtension");
// Typed into the panel: every extension label below holds it, no fixture menu command does.
const QString kQuery = QStringLiteral("notes");
const QString kTableLabel = QStringLiteral("Notes: Format Table");
const QString kListLabel = QStringLiteral("Notes: Format List");
const QString kCountLabel = QStringLiteral("Notes: Count Paragraphs");

// After the rename and the removal the list settles on the renamed extension alone; until the palette has
// read both updates it may still show an old label.
bool onlyTheRenamedOne(const QStringList &listed)
{
    return listed.contains(kListLabel) && !listed.contains(kTableLabel) && !listed.contains(kCountLabel);
}

QStringList labelsOf(const QList<PluginDataItem> &records)
{
    QStringList labels;
    for (const PluginDataItem &record : records)
        labels.append(record.label);
    return labels;
}

class ExtensionUpdateEndToEnd : public EndToEndTest
{
protected:
    // Opens the panel over `window`, types the query and returns what the panel lists once `ready` holds
    // (nullopt when it never did). Closes the panel again with Escape.
    static std::optional<PanelContent> rowsFor(const PaletteRun &palette, const QString &window,
                                               const std::function<bool(const QStringList &)> &ready)
    {
        if (!activate(window) || !pressPaletteShortcut())
            return std::nullopt;
        std::optional<PanelContent> content;
        const auto shows = [&](const std::function<bool(const PanelContent &)> &check) {
            return waitFor(
                [&] {
                    content = PanelProbe::panel(palette.pid());
                    return content && check(*content);
                },
                10s);
        };
        // The fixture's menus are listed and the panel has the keyboard.
        if (!shows([](const PanelContent &panel) {
                return panel.rows.contains(QStringLiteral("Save As…")) && panelIsActive();
            })
            || !type(kQuery))
            return std::nullopt;
        const bool matched =
            shows([&](const PanelContent &panel) { return panel.input == kQuery && ready(panel.rows); });
        closePanel();
        return matched ? content : std::nullopt;
    }
};

TEST_F(ExtensionUpdateEndToEnd, SavedExtensionsReachTheRunningPaletteAndBothProgramsKeepOpeningTheDatabase)
{
    const std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    std::optional<QString> window;
    std::unique_ptr<PaletteRun> palette;
    ASSERT_NO_FATAL_FAILURE(startPaletteOver(fixture.get(), window, palette));
    ASSERT_TRUE(palette);

    // Before any save the fixture has no extensions. Once the panel has shown, the palette has also
    // installed its first-start records.
    std::optional<PanelContent> rows = rowsFor(*palette, *window, [](const QStringList &) { return true; });
    ASSERT_TRUE(rows) << panelAndLog(*palette);
    EXPECT_FALSE(rows->rows.contains(kTableLabel)) << describe(rows).toStdString();

    const SameFoldersAs folders(*palette);
    PreferencesSide prefs;
    prefs.library.loadExtensions();
    EXPECT_EQ(prefs.library.apps().size(), 1) << "the palette's first-start records, read from the shared "
                                                 "database: "
                                              << prefs.library.apps().join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(prefs.library.apps().contains(kAppKey));

    // First save: two extensions for the fixture, one save each, as the pane adds them.
    ASSERT_TRUE(prefs.library.doAdd(PluginDataItem(kAppKey, kTableLabel, QStringLiteral("format-table.sh"))));
    ASSERT_TRUE(palette->waitForLog(kRunCommand)) << palette->log().toStdString();
    ASSERT_TRUE(prefs.library.doAdd(PluginDataItem(kAppKey, kCountLabel, QStringLiteral("count/run.sh"))));
    ASSERT_TRUE(palette->waitForLog(kRunCommand, 10000, 1)) << palette->log().toStdString();
    EXPECT_TRUE(waitFor([&] { return !prefs.domain.contains(settings::kCommand); }, 5s))
        << "the palette removes a command once it has run it";

    // This process reads the saved records while the palette runs.
    {
        Store shared(QString::fromLatin1(PluginDataItem::kStoreName), Store::Sharing::SharedBetweenPrograms);
        EXPECT_EQ(labelsOf(PluginDataItem::arrayFromJSON(shared.get(QStringLiteral("p_") + kAppKey))),
                  (QStringList{kTableLabel, kCountLabel}));
    }
    rows = rowsFor(*palette, *window, [](const QStringList &listed) {
        return listed.contains(kTableLabel) && listed.contains(kCountLabel);
    });
    ASSERT_TRUE(rows) << panelAndLog(*palette);

    // Second save: one renamed, the other removed (its folder goes to the Trash).
    PluginDataItem renamed = prefs.library.extensionsFor(kAppKey).value(0);
    renamed.label = kListLabel;
    ASSERT_TRUE(prefs.library.updateItem(kAppKey, 0, renamed));
    ASSERT_TRUE(palette->waitForLog(kRunCommand, 10000, 2)) << palette->log().toStdString();
    ASSERT_TRUE(prefs.library.doRemove(kAppKey, 1));
    ASSERT_TRUE(palette->waitForLog(kRunCommand, 10000, 3)) << palette->log().toStdString();
    EXPECT_EQ(prefs.trashed, QStringList{paths::dataDir() + QStringLiteral("/CommandExtensions/count")});
    rows = rowsFor(*palette, *window, onlyTheRenamedOne);
    ASSERT_TRUE(rows) << "expected " << kListLabel.toStdString() << " and neither old label; the panel shows:\n"
                      << panelAndLog(*palette);

    // The palette's next start reads the records back from the database the preferences side wrote.
    ASSERT_TRUE(restarted(*palette));
    rows = rowsFor(*palette, *window, onlyTheRenamedOne);
    ASSERT_TRUE(rows) << "expected " << kListLabel.toStdString() << " and neither old label; the panel shows:\n"
                      << panelAndLog(*palette);
    prefs.library.loadExtensions();
    EXPECT_EQ(labelsOf(prefs.library.extensionsFor(kAppKey)), QStringList{kListLabel})
        << "the preferences side still opens the database after the palette's second start";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
