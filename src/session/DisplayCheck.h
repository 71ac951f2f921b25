#pragma once

namespace tavolin::session {

// Both programs show windows, so they need a display. Without one Qt aborts while making the application
// ("Reinstalling the application may fix this problem"); these turn that into a clear message and exit 1.
//
// Call guardDisplayStart() before constructing the QApplication and displayStartDone() right after it:
// - no DISPLAY and no WAYLAND_DISPLAY (and QT_QPA_PLATFORM names no other platform): prints the message and
//   exits 1 at once;
// - a display that cannot be opened: Qt's fatal message while the application is made is replaced by the
//   message, and the program exits 1. Qt's platform warnings of that moment are held and only printed when
//   the start goes on.
// `program` names the program in the message. Main thread, once.
void guardDisplayStart(const char *program);
void displayStartDone();

} // namespace tavolin::session
