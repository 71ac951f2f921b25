// A new user's first start, with no settings at all: the palette comes up with its welcome window, writes its
// built-in application rules, and logs no error-level line (the desktop's journal keeps its log).
#include "EndToEndTest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace tavolin::test {
namespace {

using FirstStartEndToEnd = EndToEndTest;

TEST_F(FirstStartEndToEnd, LogsNoErrorAndWritesTheBuiltInRules)
{
    const std::unique_ptr<PaletteRun> palette = startPalette(QJsonObject{});
    ASSERT_TRUE(palette);
    // What a new user sees first.
    ASSERT_TRUE(waitFor([] { return visibleWindowNamed(QStringLiteral("^Welcome to Tavolin$")).has_value(); },
                        std::chrono::seconds(10))) << "no welcome window\n" << palette->log().toStdString();
    // The program answers the accessibility bus from its event loop: once it does, start-up is over (and a
    // termination signal takes the ordinary quit).
    ASSERT_TRUE(waitFor([&] { return PanelProbe::frameCount(palette->pid()) >= 0; }, std::chrono::seconds(10)))
        << "the palette does not answer on the accessibility bus\n" << palette->log().toStdString();

    // Start-up writes the rules before it reports its accessibility check, which start() waited for.
    EXPECT_FALSE(palette->storedSetting(QStringLiteral("palette_rule_app")).toArray().isEmpty())
        << fileContent(palette->configHome() + QStringLiteral("/tavolin/io.quorvane.Tavolin.json")).toStdString();

    const QString log = palette->log();
    const QStringList errors = log.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^\\S+ error \\[")));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString() << "\nwhole log:\n" << log.toStdString();
    const QString faults = palette->stopAndReportFaults();
    EXPECT_TRUE(faults.isEmpty()) << faults.toStdString() << "\nwhole log:\n" << palette->log().toStdString();
}

} // namespace
} // namespace tavolin::test
