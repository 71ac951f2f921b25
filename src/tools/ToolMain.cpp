#include "tools/ToolMain.h"

#include "common/Dispatcher.h"
#include "common/Log.h"
#include "common/Paths.h"
#include "palette/Transliteration.h"

#include <QCoreApplication>
#include <QTextStream>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>

namespace tavolin::menutool {

void runToolProgram(int argc, char **argv, const std::function<std::unique_ptr<ToolPlatform>()> &makePlatform)
{
    // Rows are many small blocks built right after the file's large buffers are freed: keep large buffers
    // on the heap, where those blocks reuse their pages, instead of mapping and unmapping them.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavolin-menu"));
    // Our own errors are written plainly; the library's informational lines would clutter scripts' output.
    if (qEnvironmentVariableIsEmpty("TAVOLIN_DEBUG"))
        log::setMinimumLevel(log::Level::Error);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::unique_ptr<ToolPlatform> platform = makePlatform();
    QtDispatcher dispatcher; // never destroyed: the program ends with _Exit
    MenuTool tool(*platform, dispatcher);
    useTransliterationCache(paths::cacheDir() + QStringLiteral("/transliterations"));
    const int code = tool.run(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    std::fflush(nullptr);
    saveTransliterationCache();
    // Everything is written and presses have left (run() waits for them): end without destructors, which
    // would free every row one by one and take longer than ranking them did.
    std::_Exit(code);
}

} // namespace tavolin::menutool
