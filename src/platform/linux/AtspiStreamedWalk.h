#pragma once

#include "platform/linux/AtspiMenuWalker.h"

#include <QByteArray>
#include <QSet>

#include <chrono>
#include <functional>

typedef struct _AtspiAccessible AtspiAccessible;

namespace tavolin {

// How a streamed walk reads an item's action names.
enum class AtspiActionNames {
    ByIndex,    // its interfaces, the count, then GetName of each: untranslated names from every toolkit
    GetActions, // one GetActions call: Qt answers it with the untranslated names (GTK's are translated)
};

// Reads the menu bar `bar` of an application that keeps no accessibility cache (Qt) into `result`, as
// walkMenuBar reads it object by object with AtspiActionReads::Full: the same nodes in the same order, the
// same limits (`visited` holds the elements read so far, `deadline` ends the read) and the same cuts. But
// instead of one round trip per attribute through libatspi, each call is sent on libatspi's own connection
// as soon as the answer it depends on is in (a menu's children once its list came back), many in flight at
// once (AtspiCallQueue): the application answers back to back.
//
// With `onBar`, the bar is handed out as soon as its top-level items are in, and each of their menus as soon
// as all of it is (AtspiWalkOptions::onBar).
//
// Failure: an application that answers nothing for `timeoutMs` (or leaves) sets result.failed and keeps
// the part read before it; an object that answers with an error was destroyed meanwhile and is left out
// with what is below it (cuts.vanished). Threads: the libatspi thread.
void readMenuBarStreamed(AtspiAccessible *bar, AtspiActionNames names, int timeoutMs,
                         std::chrono::steady_clock::time_point deadline, QSet<QByteArray> &visited,
                         AtspiWalkResult &result, const std::function<void(const AtspiEarlyBar &)> &onBar = {});

} // namespace tavolin
