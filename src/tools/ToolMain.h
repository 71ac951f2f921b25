#pragma once

#include "tools/MenuTool.h"

#include <functional>
#include <memory>

namespace tavolin::menutool {

// The process around MenuTool, shared by tavolin-menu and its live reader: sets the allocator up for many
// small rows, creates the QCoreApplication, quiets the library's informational log (TAVOLIN_DEBUG keeps it),
// runs the tool over the platform `makePlatform` returns (called once, after the application exists),
// writes its output and ends the process with the tool's exit code. Main thread; never returns.
[[noreturn]] void runToolProgram(int argc, char **argv,
                                 const std::function<std::unique_ptr<ToolPlatform>()> &makePlatform);

} // namespace tavolin::menutool
