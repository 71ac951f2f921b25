// Where the window manager places the panel: a palette started on fresh state folders and opened at once with
// `tavolin --show`, as the README's demo does, shows its first panel centred on the screen, at the same place as
// every later show (read through xdotool getwindowgeometry).
#include "EndToEndTest.h"

#include <QFile>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>

namespace tavolin::test {
namespace {

// The value of `key` in xdotool's --shell output ("X=12\nY=40\n...").
int shellValue(const QString &output, const QString &key)
{
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1).toInt();
    }
    return -1;
}

std::optional<QRect> panelGeometry()
{
    const std::optional<QString> shell =
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QStringLiteral("^Tavolin$"), QStringLiteral("getwindowgeometry"), QStringLiteral("--shell")});
    if (!shell || shell->isEmpty())
        return std::nullopt;
    return QRect(shellValue(*shell, QStringLiteral("X")), shellValue(*shell, QStringLiteral("Y")),
                 shellValue(*shell, QStringLiteral("WIDTH")), shellValue(*shell, QStringLiteral("HEIGHT")));
}

QString describe(const QRect &r)
{
    return QStringLiteral("%1x%2 at %3,%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

// Starts `program` with the palette's XDG folders, as the demo runs its applications.
std::unique_ptr<TestApp> startSharingFolders(const PaletteRun &palette, const QString &program,
                                             const QStringList &args)
{
    const QList<std::pair<const char *, QString>> folders = {{"XDG_CONFIG_HOME", palette.configHome()},
                                                             {"XDG_DATA_HOME", palette.dataHome()},
                                                             {"XDG_CACHE_HOME", palette.cacheHome()}};
    QList<std::pair<const char *, QByteArray>> saved;
    for (const auto &[name, path] : folders) {
        saved.append({name, qgetenv(name)});
        qputenv(name, QFile::encodeName(path));
    }
    std::unique_ptr<TestApp> app = TestApp::start(program, args);
    for (const auto &[name, value] : saved) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    return app;
}

class PanelPlacementEndToEnd : public EndToEndTest
{
protected:
    // Opens the panel over `window`, by the command or the hot key. Its geometry once X shows it listing rows
    // (taller than the input row alone), read before anything asks the palette over the accessibility bus,
    // which would hold up its main thread while the window manager takes the new window in; then the rows
    // are checked to be Mousepad's.
    static std::optional<QRect> showOver(const QString &window, const PaletteRun &palette, bool byCommand)
    {
        if (!activate(window))
            return std::nullopt;
        if (byCommand ? !forceShow(palette) : !pressPaletteShortcut())
            return std::nullopt;
        std::optional<QRect> geometry;
        const bool listing = waitFor(
            [&] {
                geometry = panelGeometry();
                return geometry && geometry->height() > kInputRowHeight;
            },
            15s);
        const std::optional<PanelContent> content = waitForPanel(palette, [](const PanelContent &panel) {
            return panel.rows.contains(QStringLiteral("New Window"));
        });
        return listing && content ? geometry : std::nullopt;
    }

    static constexpr int kInputRowHeight = 60;
};

TEST_F(PanelPlacementEndToEnd, FirstShowOfAFreshPaletteIsCentredLikeEveryLaterShow)
{
    if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
        GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
    const std::optional<QSize> screen = displaySize();
    ASSERT_TRUE(screen);
    // The demo's desktop: the Qt fixture, the palette on fresh folders, and Mousepad sharing those folders,
    // moved over the middle of the screen; the panel asked for as soon as Mousepad is there.
    const std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    ASSERT_TRUE(fixture);
    // Nothing else in the settings: fresh state folders.
    const std::unique_ptr<PaletteRun> palette = startPalette({{QStringLiteral("skipWelcome"), true}});
    ASSERT_TRUE(palette);
    const std::unique_ptr<TestApp> mousepad = startSharingFolders(*palette, QStringLiteral("mousepad"),
                                                                  {QStringLiteral("--disable-server")});
    const std::optional<QString> window = windowOfStarted(mousepad.get());
    ASSERT_TRUE(window);
    ASSERT_TRUE(xdotool({QStringLiteral("windowsize"), QStringLiteral("--sync"), *window, QStringLiteral("900"),
                         QStringLiteral("700"), QStringLiteral("windowmove"), QStringLiteral("--sync"), *window,
                         QStringLiteral("190"), QStringLiteral("162")}));

    const std::optional<QRect> first = showOver(*window, *palette, true);
    ASSERT_TRUE(first) << "the panel did not show\n" << palette->log().toStdString();
    const int centre = first->x() + first->width() / 2;
    EXPECT_LE(std::abs(centre - screen->width() / 2), 2)
        << "first show: " << describe(*first).toStdString() << " on a screen " << screen->width() << " wide";
    EXPECT_GT(first->y(), 0) << "first show: " << describe(*first).toStdString();

    ASSERT_TRUE(closePanel()) << "the panel stayed open";
    const std::optional<QRect> second = showOver(*window, *palette, false);
    ASSERT_TRUE(second) << "the panel did not show again";
    EXPECT_EQ(first->topLeft(), second->topLeft())
        << "first show " << describe(*first).toStdString() << ", second " << describe(*second).toStdString();
    EXPECT_EQ(palette->stopAndReportFaults(), QString());
}

} // namespace
} // namespace tavolin::test
