// GoogleTest main for the core layers' tests: a QCoreApplication (timers, queued calls, file watching),
// the user's files out of reach, and the child roles of multi-process tests.
#include "TestRun.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    tavolin::test::isolateFromUserFiles();
    QCoreApplication app(argc, argv);
    return tavolin::test::runChildRoleOrTests(argc, argv);
}
