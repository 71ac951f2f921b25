// GoogleTest main for the preferences tests: a QApplication on the offscreen platform, the user's files out of reach, and child roles.
#include "support/TestRun.h"

#include <QApplication>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tavolin::test::isolateFromUserFiles();
    QApplication app(argc, argv);
    return tavolin::test::runChildRoleOrTests(argc, argv);
}
