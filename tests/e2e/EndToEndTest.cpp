#include "EndToEndTest.h"

#include "HeadlessSession.h"

#include "support/WaitFor.h"

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

bool panelIsActive()
{
    const std::optional<QString> name = xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
    return name && *name == QLatin1String("Tavolin");
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

void EndToEndTest::startPalette(const QJsonObject &settings, std::unique_ptr<PaletteRun> &run)
{
    QString why;
    bool handedOff = false;
    run = PaletteRun::start(settings, &why, &handedOff);
    // The session is private, so no other palette can hold its instance name: a hand-off is a fault.
    ASSERT_FALSE(!run && handedOff) << "the palette handed its start to another instance: " << why.toStdString();
    ASSERT_TRUE(run) << why.toStdString();
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

} // namespace tavolin::test
