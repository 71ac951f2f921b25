// The focused application in a Wayland session: two native Wayland applications, the keyboard moved between
// them by the compositor, and `tavolin-menu list` without --pid reads the one that has it each time.
#include "HeadlessSession.h"
#include "PaletteRun.h"
#include "WaylandJourney.h"
#include "support/WaitFor.h"

#include <QJsonDocument>
#include <QStandardPaths>

namespace tavolin::test {
namespace {

// The pid of the application `tavolin-menu list --json` read, 0 when it read none.
qint64 applicationListed(MenuToolRun &run)
{
    run = runMenuTool({QStringLiteral("list"), QStringLiteral("--json")});
    if (run.code != 0)
        return 0;
    return QJsonDocument::fromJson(run.out.toUtf8())
        .object()
        .value(QLatin1String("application"))
        .toObject()
        .value(QLatin1String("pid"))
        .toInteger();
}

TEST_F(WaylandJourney, MenuToolReadsTheApplicationTheCompositorFocuses)
{
    if (QStandardPaths::findExecutable(QStringLiteral("mousepad")).isEmpty())
        GTEST_SKIP() << "mousepad is not installed (scripts/install-deps.sh)";
    std::unique_ptr<TestApp> mousepad = TestApp::start(QStringLiteral("mousepad"), {});
    std::unique_ptr<TestApp> fixture = TestApp::startFixture();
    ASSERT_TRUE(mousepad && fixture);
    ASSERT_TRUE(waitForWindowOf(mousepad->pid()) && waitForWindowOf(fixture->pid()));

    for (const TestApp *focused : {fixture.get(), mousepad.get(), fixture.get(), mousepad.get()}) {
        ASSERT_TRUE(focusApplication(focused->pid()));
        MenuToolRun run;
        qint64 listed = 0;
        waitFor([&] { return (listed = applicationListed(run)) == focused->pid(); }, std::chrono::seconds(5));
        EXPECT_EQ(listed, focused->pid())
            << "focused pid " << focused->pid() << ", tavolin-menu said " << run.code << ": "
            << run.err.toStdString() << run.out.left(300).toStdString();
    }
}

} // namespace
} // namespace tavolin::test
