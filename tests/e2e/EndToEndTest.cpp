#include "EndToEndTest.h"

#include "support/WaitFor.h"

#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace tavolin::test {

QString describe(const std::optional<PanelContent> &content)
{
    if (!content)
        return QStringLiteral("no panel on the accessibility bus");
    QStringList rows;
    for (qsizetype i = 0; i < content->rows.size(); ++i) {
        const QString group = content->groups.value(i);
        rows << (group.isEmpty() ? content->rows[i] : content->rows[i] + QStringLiteral(" (") + group + QLatin1Char(')'));
    }
    return QStringLiteral("input \"%1\", selected %2, rows [%3]")
        .arg(content->input)
        .arg(content->selected)
        .arg(rows.join(QStringLiteral(", ")));
}

std::string panelNow(const PaletteRun &palette)
{
    return describe(PanelProbe::panel(palette.pid())).toStdString();
}

std::string panelAndLog(const PaletteRun &palette)
{
    return panelNow(palette) + "\n" + palette.log().toStdString();
}

std::string linesOf(const TestApp &app)
{
    return app.logLines().join(QLatin1Char('\n')).toStdString();
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QJsonObject settingsWithFixtureRule(const QString &rule)
{
    QJsonObject settings{{QStringLiteral("skipWelcome"), true}};
    if (!rule.isEmpty()) {
        settings.insert(QStringLiteral("palette_rule_app"),
                        QJsonArray{QJsonValue(QJsonArray{QStringLiteral("tavolin-menu-fixture"), rule, QStringLiteral("Fixture")})});
    }
    return settings;
}

std::optional<QString> activeWindow()
{
    return xdotool({QStringLiteral("getactivewindow")});
}

std::optional<QSize> displaySize()
{
    const QStringList parts = xdotool({QStringLiteral("getdisplaygeometry")}).value_or(QString()).split(QLatin1Char(' '));
    if (parts.size() != 2)
        return std::nullopt;
    return QSize(parts[0].toInt(), parts[1].toInt());
}

bool panelIsActive()
{
    const std::optional<QString> name = xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
    return name && *name == QLatin1String("Tavolin");
}

std::optional<QRgb> panelCornerColour()
{
    const std::optional<QString> found = visibleWindowNamed(QStringLiteral("^Tavolin$"));
    if (!found)
        return std::nullopt;
    // ImageMagick's import prints the pixel as "0,0: (r,g,b) #RRGGBB srgb(...)".
    QProcess grab;
    grab.start(QStringLiteral("import"), {QStringLiteral("-window"), *found,
                                          QStringLiteral("-crop"), QStringLiteral("1x1+2+2"), QStringLiteral("txt:-")});
    if (!grab.waitForFinished(5000)) {
        grab.kill();
        grab.waitForFinished(1000);
        return std::nullopt;
    }
    const QString out = QString::fromUtf8(grab.readAllStandardOutput());
    const qsizetype hash = out.indexOf(QLatin1Char('#'), out.indexOf(QLatin1Char('\n')));
    const QColor colour(out.mid(hash, 7));
    return hash >= 0 && colour.isValid() ? std::optional<QRgb>(colour.rgb()) : std::nullopt;
}

::testing::AssertionResult restarted(PaletteRun &palette)
{
    QString why;
    if (palette.restart(&why))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.toStdString();
}

void saveScreenshot(const QString &name)
{
    const QString folder = qEnvironmentVariable("TAVOLIN_E2E_SCREENSHOTS");
    if (!folder.isEmpty())
        QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                     folder + QLatin1Char('/') + name + QStringLiteral(".png")});
}

void EndToEndTest::SetUp()
{
    const QByteArray options = qgetenv("ASAN_OPTIONS");
    if (options.contains("strict_string_checks=1"))
        qputenv("ASAN_OPTIONS", QByteArray(options).replace("strict_string_checks=1", "strict_string_checks=0"));
    HeadlessSession *session = HeadlessSession::get();
    if (!session)
        GTEST_SKIP() << HeadlessSession::reason().toStdString();
    if (!haveXdotool())
        GTEST_SKIP() << "xdotool is not installed (scripts/install-deps.sh)";
    if (!session->startWindowManager())
        GTEST_SKIP() << "the window manager did not start";
}

bool EndToEndTest::activate(const QString &window)
{
    return xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}).has_value();
}

bool EndToEndTest::pressPaletteShortcut()
{
    return pressKey(QStringLiteral("ctrl+shift+p"));
}

bool EndToEndTest::type(const QString &text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text}).has_value();
}

bool EndToEndTest::pressKey(const QString &key)
{
    return xdotool({QStringLiteral("key"), key}).has_value();
}

bool EndToEndTest::click(const QPoint &point)
{
    // No --sync: it waits for the pointer to move, which never comes when it is there already (the same
    // button in a repeated run). XTest's move and press reach the server in order anyway.
    return xdotool({QStringLiteral("mousemove"), QString::number(point.x()),
                    QString::number(point.y()), QStringLiteral("click"), QStringLiteral("1")})
        .has_value();
}

bool EndToEndTest::forceShow(const PaletteRun &palette)
{
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), palette.configHome());
    env.insert(QStringLiteral("XDG_DATA_HOME"), palette.dataHome());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), palette.cacheHome());
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(TAVOLIN_PROGRAM), {QStringLiteral("--show")});
    if (!second.waitForFinished(10000)) {
        second.kill();
        second.waitForFinished(2000);
        return false;
    }
    return second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0;
}

bool EndToEndTest::closePanel()
{
    return pressKey(QStringLiteral("Escape")) && waitFor([] { return !panelWindowVisible(); }, std::chrono::seconds(5));
}

std::unique_ptr<PaletteRun> startPalette(const QJsonObject &settings, const QProcessEnvironment &session)
{
    QString why;
    bool handedOff = false;
    std::unique_ptr<PaletteRun> run = PaletteRun::start(settings, &why, &handedOff, session);
    // The session is private, so no other palette can hold its instance name: a hand-off is a fault.
    EXPECT_FALSE(!run && handedOff) << "the palette handed its start to another instance: " << why.toStdString();
    EXPECT_TRUE(run || handedOff) << why.toStdString();
    return run;
}

std::optional<QString> EndToEndTest::windowOfStarted(const TestApp *app)
{
    EXPECT_TRUE(app) << "the application did not start";
    std::optional<QString> window = app ? waitForWindowOf(app->pid()) : std::nullopt;
    EXPECT_TRUE(!app || window) << "the application showed no window";
    return window;
}

void EndToEndTest::startPaletteOver(const TestApp *app, std::optional<QString> &window,
                                    std::unique_ptr<PaletteRun> &palette)
{
    window = windowOfStarted(app);
    ASSERT_TRUE(window);
    // A mapped window is not yet a window on the accessibility bus (a busy machine registers it later), and
    // a hot key over an application the bus does not list yet opens no panel.
    ASSERT_TRUE(waitFor([&] { return PanelProbe::frameCount(app->pid()) >= 1; }, std::chrono::seconds(15)))
        << "the application's window did not appear on the accessibility bus";
    palette = startPalette(settingsWithFixtureRule(QStringLiteral("allow")));
}

std::unique_ptr<TestApp> EndToEndTest::startMousepad(std::optional<QString> &window)
{
    // --disable-server: a Mousepad started elsewhere must not take this window over.
    std::unique_ptr<TestApp> mousepad = TestApp::start(QStringLiteral("mousepad"), {QStringLiteral("--disable-server")});
    EXPECT_TRUE(mousepad) << "Mousepad did not start";
    if (!mousepad)
        return nullptr;
    window = waitForWindowOf(mousepad->pid());
    EXPECT_TRUE(window) << "Mousepad showed no window";
    const bool onTheBus = window && waitFor([&] { return PanelProbe::frameCount(mousepad->pid()) == 1; }, std::chrono::seconds(15));
    EXPECT_TRUE(!window || onTheBus) << "Mousepad did not appear on the accessibility bus";
    return onTheBus ? std::move(mousepad) : nullptr;
}

std::optional<PanelContent> EndToEndTest::waitForPanel(const PaletteRun &palette,
                                                       const std::function<bool(const PanelContent &)> &ready,
                                                       std::chrono::milliseconds bound)
{
    std::optional<PanelContent> content;
    const bool shown = waitFor(
        [&] {
            content = PanelProbe::panel(palette.pid());
            return content && ready(*content) && panelWindowVisible() && panelIsActive();
        },
        bound);
    return shown ? content : std::nullopt;
}

std::optional<PanelContent> EndToEndTest::typeUntilBest(const PaletteRun &palette, const QString &query,
                                                        const QString &best)
{
    if (!type(query))
        return std::nullopt;
    // Menus may still be arriving and re-ranking the list: wait for the best row itself, selected.
    return waitForPanel(palette, [&](const PanelContent &panel) {
        return panel.input == query && panel.selected == 0 && panel.rows.value(0) == best;
    });
}

std::optional<PanelContent> EndToEndTest::openOver(const PaletteRun &palette, const QString &window,
                                                   const std::function<bool(const PanelContent &)> &ready,
                                                   std::chrono::milliseconds bound)
{
    if (!activate(window) || !pressPaletteShortcut())
        return std::nullopt;
    return waitForPanel(palette, ready, bound);
}

std::optional<PanelContent> EndToEndTest::openOverOnceTaken(const PaletteRun &palette, const QString &window,
                                                            const std::function<bool(const PanelContent &)> &ready)
{
    std::optional<PanelContent> content;
    waitFor(
        [&] {
            content = openOver(palette, window, ready, std::chrono::seconds(2));
            return content.has_value();
        },
        std::chrono::seconds(15));
    return content;
}

void MousepadJourney::SetUp()
{
    EndToEndTest::SetUp();
    if (IsSkipped())
        return;
    if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
        GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
    mousepad = startMousepad(window);
    if (mousepad)
        palette = startPalette(settingsWithFixtureRule(QString()));
}

void FixtureJourney::SetUp()
{
    EndToEndTest::SetUp();
    if (IsSkipped())
        return;
    fixture = TestApp::startFixture();
    startPaletteOver(fixture.get(), window, palette);
}

} // namespace tavolin::test
