#include "TestRun.h"

#include "ChildProcess.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tavolin::test {
namespace {

constexpr auto kMarker = "TAVOLIN_TEST_HOME";
std::unique_ptr<QTemporaryDir> g_home; // removed at exit

} // namespace

void isolateFromUserFiles()
{
    if (qEnvironmentVariableIsSet(kMarker))
        return; // a child of a test run: share the parent's folder
    g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tavolin-test-XXXXXX"));
    if (!g_home->isValid())
        qFatal("cannot create a temporary home for the tests");
    const QString root = g_home->path();
    const char *const variables[][2] = {
        {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"}, {"XDG_CACHE_HOME", "cache"}};
    for (const auto &[variable, folder] : variables) {
        const QString path = root + QLatin1Char('/') + QLatin1String(folder);
        QDir().mkpath(path);
        qputenv(variable, path.toLocal8Bit());
    }
    qputenv(kMarker, root.toLocal8Bit());
}

int runChildRoleOrTests(int argc, char **argv)
{
    int exitCode = 0;
    if (runChildRoleIfAsked(argc, argv, &exitCode))
        return exitCode;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace tavolin::test
