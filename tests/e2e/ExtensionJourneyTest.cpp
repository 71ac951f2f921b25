// A script extension for the Qt fixture, saved by the preferences program's own code (ExtensionLibrary, in this
// process over the palette run's folders), is found in the palette and run with Return: the script sees its
// application (TAVOLIN_APP) and that application's process (TAVOLIN_APP_PID).
#include "EndToEndTest.h"
#include "PreferencesSide.h"

#include "common/Paths.h"
#include "common/PluginDataItem.h"

#include <QTemporaryDir>

namespace tavolin::test {
namespace {

const QString kAppKey = QStringLiteral("tavolin-menu-fixture.app");
const QString kLabel = QStringLiteral("Envprobe: Write Context");

// The script's environment as NAME=VALUE lines; empty until the script has finished writing it.
QStringList environmentWritten(const QString &path)
{
    return QString::fromUtf8(fileContent(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

using ExtensionJourney = FixtureJourney;

TEST_F(ExtensionJourney, AddedExtensionRunsFromThePaletteWithTheApplicationsContext)
{
    QTemporaryDir out;
    const QString written = out.path() + QStringLiteral("/env");
    // Written aside and renamed, so the test never reads half a file.
    ASSERT_TRUE(addExtension(*palette, kAppKey, kLabel, QStringLiteral("envprobe.sh"),
                             QStringLiteral("env > '%1.part' && mv '%1.part' '%1'\n").arg(written).toUtf8()))
        << palette->log().toStdString();

    std::optional<PanelContent> content =
        openOver(*palette, *window, [](const PanelContent &panel) { return panel.rows.contains(QStringLiteral("Save As…")); });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    ASSERT_TRUE(typeUntilBest(*palette, QStringLiteral("envprobe"), kLabel)) << panelNow(*palette);
    ASSERT_TRUE(pressReturn());

    QStringList environment;
    EXPECT_TRUE(waitFor([&] { return !(environment = environmentWritten(written)).isEmpty(); }, 10s))
        << "the extension did not run: " << palette->log().toStdString();
    EXPECT_TRUE(environment.contains(QStringLiteral("TAVOLIN_APP=") + kAppKey)) << environment.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(environment.contains(QStringLiteral("TAVOLIN_APP_PID=%1").arg(fixture->pid())))
        << environment.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(waitFor([] { return !panelWindowVisible(); }, 5s)) << "the panel stayed open";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
