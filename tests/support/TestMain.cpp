// GoogleTest main for the core layers' tests: a QCoreApplication (timers, queued calls, file watching),
// the user's files out of reach, and the child roles of multi-process tests.
#include "TestRun.h"

#include "common/QtLoopWithoutGlib.h"

#include <QCoreApplication>

#include <optional>

int main(int argc, char **argv)
{
    tavolin::test::isolateFromUserFiles();
    std::optional<tavolin::QtLoopWithoutGlib> loopWithoutGlib(std::in_place); // as the programs that read AT-SPI
    QCoreApplication app(argc, argv);
    loopWithoutGlib.reset();
    return tavolin::test::runChildRoleOrTests(argc, argv);
}
