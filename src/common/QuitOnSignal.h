#pragma once

namespace tavolin {

// Both programs: turns SIGTERM, SIGINT and SIGHUP (a session logging out, Ctrl+C in a terminal, `kill`) into an ordinary
// QCoreApplication::quit(), so the program's quit handling runs and its stores close, instead of the
// default of dying on the spot. The handler only writes a byte to a pipe; the quit happens on the main
// thread's event loop. Call once, on the main thread, after the application object exists. Returns false
// (and leaves the default handling) when the pipe or the handlers could not be set up.
bool quitOnTerminationSignals();

} // namespace tavolin
