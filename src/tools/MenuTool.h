#pragma once

#include "accessibility/ElementSource.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class QTextStream;

namespace tavolin {
class Dispatcher;
}

namespace tavolin::menutool {

// The tool's exit codes; --help lists them.
enum class ExitCode : int {
    Ok = 0,
    NoMatch = 1,         // search ranked nothing, or perform found no such item
    Usage = 2,           // bad arguments, or a rows file that cannot be read
    NoAccessibility = 3, // no accessibility bus in the session
    NoApplication = 4,   // no such process, no focused application, or not on the accessibility bus
    NoMenuBar = 5,       // the application has no menu bar
    PressFailed = 6,     // the item was found but the press did not reach it (gone, refused, no answer)
    EmptyMenus = 7,      // the menu bar's menus hold no commands: the application fills them when opened
    NotAnswering = 8,    // no answer within the time-out before the menu bar was read, or no command within the budget
    Vanished = 9,        // the application or its menu bar went away while it was read
    Disabled = 10,       // perform found the item, but the application has it disabled
};

// The version of `--json` output, its "format" member; raised when a member changes meaning or goes.
inline constexpr int kJsonFormat = 1;

// Where the tool finds applications: the accessibility bus (AtspiToolPlatform) or a fake in tests.
class ToolPlatform
{
public:
    struct Target
    {
        std::shared_ptr<ElementSource> source;
        ElementRef application; // null: see `code` and `message`
        ExitCode code = ExitCode::Ok;
        QString message;        // why there is no application, for standard error
    };

    virtual ~ToolPlatform() = default;
    // The application of process `pid`, or the focused one without a pid. Main thread.
    virtual Target application(std::optional<int32_t> pid) = 0;
    // Waits (bounded) until presses sent so far have their outcome, so exiting does not drop them.
    virtual void flushPresses() {}
};

// `tavolin-menu`: lists, ranks and performs an application's menu commands from a terminal.
//
//   tavolin-menu list [--pid N] [--json] [--rows FILE]
//   tavolin-menu search QUERY [--pid N] [--json] [--limit N] [--rows FILE]
//   tavolin-menu perform "File > Save As…" [--pid N] [--json]
//
// Output goes to `out`, errors (one line each, "tavolin-menu: ...") to `err`; run() returns the exit code.
// Threads: main thread with a QCoreApplication (reading runs its event loop).
class MenuTool
{
public:
    // Reading queues its work through `dispatcher`, which must outlive the reading (the pool may still run
    // a read of an application that stopped answering).
    MenuTool(ToolPlatform &platform, Dispatcher &dispatcher) : m_platform(platform), m_dispatcher(dispatcher) {}

    // `arguments` include the program name first, as QCoreApplication::arguments().
    int run(const QStringList &arguments, QTextStream &out, QTextStream &err);


private:
    ToolPlatform &m_platform;
    Dispatcher &m_dispatcher;
    // How long reading an application's menus may take in all (each call is bounded on its own as well).
    const std::chrono::milliseconds m_readBound{10000};
    // The rows of the last run, kept as long as the tool: a program that ends without destructors
    // (std::_Exit after flushing, as main does) never frees tens of thousands of rows one by one.
    std::shared_ptr<const void> m_lastRows;
};

} // namespace tavolin::menutool
