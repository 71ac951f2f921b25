// An extension run from the palette over Mousepad learns the document Mousepad shows: the preferences side saves an
// extension whose script writes $TAVOLIN_DOCUMENT to a file, the panel lists it under "Extensions", and Return runs
// it. Keyboard only; skips when Mousepad is missing.
#include "EndToEndTest.h"
#include "MousepadRun.h"
#include "PreferencesSide.h"

#include "common/Paths.h"
#include "common/PluginDataItem.h"

#include <QFile>
#include <QTemporaryDir>

namespace tavolin::test {
namespace {

const QString kLabel = QStringLiteral("Show Document Path");

class ExtensionDocumentJourney : public EndToEndTest
{
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        if (IsSkipped())
            return;
        if (!Mousepad::installed())
            GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
        ASSERT_TRUE(m_folder.isValid());
    }

    QTemporaryDir m_folder;
};

TEST_F(ExtensionDocumentJourney, AnExtensionRunOverMousepadIsToldItsDocument)
{
    const QString letter = m_folder.filePath(QStringLiteral("letter to Ada.txt"));
    const QString written = m_folder.filePath(QStringLiteral("document-seen.txt"));
    ASSERT_TRUE(writeFile(letter, "Dear Ada\n"));

    const std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject{{QStringLiteral("skipWelcome"), true}});
    ASSERT_TRUE(palette);
    ASSERT_TRUE(addExtension(*palette, QStringLiteral("mousepad.app"), kLabel, QStringLiteral("show-document.sh"),
                             "#!/bin/sh\nprintf '%s' \"${TAVOLIN_DOCUMENT-unset}\" > '" + QFile::encodeName(written) + "'\n"))
        << palette->log().toStdString();

    const std::unique_ptr<Mousepad> mousepad = Mousepad::start(palette->dataHome(), {letter});
    ASSERT_TRUE(mousepad);
    const std::optional<QString> window = waitForWindowOf(mousepad->pid());
    ASSERT_TRUE(window) << "Mousepad showed no window";
    ASSERT_TRUE(waitFor([&] { return Mousepad::showsFile(mousepad->pid(), letter); }, 15s));

    // The extension rows come after Mousepad's menus, beyond the rows a read returns: typed for below.
    ASSERT_TRUE(openOver(*palette, *window, [](const PanelContent &panel) { return panel.rows.contains(u"Save As..."_qs); }))
        << panelAndLog(*palette);
    ASSERT_TRUE(type(QStringLiteral("show document path")));
    ASSERT_TRUE(waitForPanel(*palette, [](const PanelContent &panel) {
        return panel.selected >= 0 && panel.rows.value(panel.selected) == kLabel;
    })) << panelNow(*palette);
    ASSERT_TRUE(pressReturn());

    // Waits for the whole path: the shell creates the file before printf fills it.
    EXPECT_TRUE(waitFor([&] { return fileContent(written) == letter.toUtf8(); }, 10s))
        << "the extension was told \"" << fileContent(written).toStdString() << "\"\n" << palette->log().toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
