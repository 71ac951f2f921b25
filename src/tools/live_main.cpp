// tavolin-menu-live: tavolin-menu over the accessibility bus, the X11 focus and /proc. tavolin-menu replaces
// itself with this program, given the same arguments, when a command reads a live application.
#include "common/QtLoopWithoutGlib.h"
#include "tools/AtspiToolPlatform.h"
#include "tools/ToolMain.h"

int main(int argc, char **argv)
{
    // libatspi's application connections are run by its own thread alone; this program starts no other.
    const tavolin::QtLoopWithoutGlib loopWithoutGlib;
    tavolin::menutool::runToolProgram(argc, argv, [] { return std::make_unique<tavolin::menutool::AtspiToolPlatform>(); });
}
