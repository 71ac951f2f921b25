// GoogleTest main for the palette program's tests: a QApplication on the offscreen platform, and child roles.
#include "support/ChildProcess.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int exitCode = 0;
    if (tavolin::test::runChildRoleIfAsked(argc, argv, &exitCode))
        return exitCode;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
