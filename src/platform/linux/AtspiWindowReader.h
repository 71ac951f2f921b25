#pragma once

#include <QString>

#include <optional>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;

namespace tavolin {

// Where a window's document location came from.
enum class DocumentOrigin {
    None,
    DocumentInterface, // the AT-SPI Document interface's "DocURL" (or "URI") attribute
    WindowTitle,       // a path in the window's title that names an existing file (windowtitle::documentPath)
};

// One top-level window of an application, as read at one moment. Immutable once the read returned.
struct AtspiWindowSnapshot
{
    QString title;                   // the window's trimmed name
    bool active = false;             // ACTIVE state: it holds its application's focus (needs a window manager)
    bool dialog = false;             // a dialog or alert rather than a frame or plain window
    std::optional<QString> document; // a URL ("file:///…", "https://…") or an absolute path; none: no document
    DocumentOrigin origin = DocumentOrigin::None;
};

struct AtspiWindowLimits
{
    int budgetMs = 900;         // the whole read; each request is bounded by what is left of it
    int maxWindows = 64;        // an application claiming more is read up to here
    int maxNodesPerWindow = 300; // searched for a Document interface, breadth first
    int maxDepth = 10;
};

struct AtspiWindowsResult
{
    std::vector<AtspiWindowSnapshot> windows; // in the application's child order
    int requests = 0;                         // accessibility requests made, for figures
    double milliseconds = 0;
    bool failed = false; // a request failed or the budget ran out: what was read so far is kept, the rest is not
};

// Reads the top-level windows (frames, dialogs, windows) of `application` and the document each shows: the
// Document interface of the window or of an element inside it (not inside menus, tool bars, lists, tables
// or text), else a path in the title. The whole read, not each request, is bounded by limits.budgetMs: each
// request runs with the time-out set to what is left, and the messaging time-out is put back to
// `restoreTimeoutMs` afterwards.
//
// Threads: the libatspi thread only (see AtspiThread). `application` is borrowed.
AtspiWindowsResult readWindows(AtspiAccessible *application, const AtspiWindowLimits &limits, int restoreTimeoutMs);

// The window the user works in: the first active frame, else the first active window, else the first
// frame, else the first window; -1 when there is none.
int mainWindowIndex(const std::vector<AtspiWindowSnapshot> &windows);

} // namespace tavolin
