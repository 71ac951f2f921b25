// "Start at login" changed while the palette is not running (by the preferences program, or by hand in the settings
// file) takes effect at its next start: the autostart entry is written or removed to match.
#include "EndToEndTest.h"
#include "PreferencesSide.h"

#include "common/SettingsKeys.h"

#include <QFile>

namespace tavolin::test {
namespace {

using StartAtLoginJourney = EndToEndTest;

TEST_F(StartAtLoginJourney, ThePaletteMakesTheAutostartEntryMatchTheSettingWhenItStarts)
{
    const std::unique_ptr<PaletteRun> palette =
        startPalette(QJsonObject{{QStringLiteral("skipWelcome"), true}, {QString(settings::kStartOnLogin), true}});
    ASSERT_TRUE(palette);
    const QString entry = palette->configHome() + QStringLiteral("/autostart/tavolin.desktop");
    ASSERT_TRUE(waitFor([&] { return QFile::exists(entry); }, 10s)) << "no autostart entry: " << palette->log().toStdString();
    ASSERT_EQ(palette->stopAndReportFaults(), QString());

    // Switched off while the palette is not running, as the settings file holds it.
    {
        const SameFoldersAs folders(*palette);
        PreferencesSide prefs;
        ASSERT_TRUE(prefs.settings.put(false, settings::kStartOnLogin));
    }
    ASSERT_TRUE(QFile::exists(entry));
    ASSERT_TRUE(restarted(*palette));
    EXPECT_TRUE(waitFor([&] { return !QFile::exists(entry); }, 10s)) << "the entry stayed: " << palette->log().toStdString();

    // And on again: the entry comes back, naming this program.
    ASSERT_EQ(palette->stopAndReportFaults(), QString());
    {
        const SameFoldersAs folders(*palette);
        PreferencesSide prefs;
        ASSERT_TRUE(prefs.settings.put(true, settings::kStartOnLogin));
    }
    ASSERT_TRUE(restarted(*palette));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(entry); }, 10s)) << "no entry: " << palette->log().toStdString();
    EXPECT_TRUE(fileContent(entry).contains("/tavolin\"")) << "the entry does not start the palette";
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
