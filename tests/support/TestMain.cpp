// GoogleTest main for every Tavolin test binary: a QCoreApplication (timers, queued calls, file watching),
// and the child roles of multi-process tests.
#include "ChildProcess.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int exitCode = 0;
    if (tavolin::test::runChildRoleIfAsked(argc, argv, &exitCode))
        return exitCode;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
