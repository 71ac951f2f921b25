// tavolin-menu: the palette's menu reading and search from a terminal (see MenuTool.h, --help). This program
// links Qt Core only: it ranks rows files itself and hands reading a live application to its live reader.
#include "tools/LiveReaderPlatform.h"
#include "tools/ToolMain.h"

int main(int argc, char **argv)
{
    tavolin::menutool::runToolProgram(argc, argv, [argv] {
        return std::make_unique<tavolin::menutool::LiveReaderPlatform>(argv);
    });
}
