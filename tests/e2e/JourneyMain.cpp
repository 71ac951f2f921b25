// GoogleTest main for the journeys. Unlike the core tests' main, Qt keeps its GLib event loop here: the
// journeys read the panel and the applications over AT-SPI with libatspi on this main thread (PanelProbe),
// whose bus connection sits on GLib's default context and is only read while that loop runs. Without it,
// what the bus sends piles up between probes and the next probe times out wading through it.
#include "support/TestRun.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    tavolin::test::isolateFromUserFiles();
    QCoreApplication app(argc, argv);
    return tavolin::test::runChildRoleOrTests(argc, argv);
}
