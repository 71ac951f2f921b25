#pragma once

#include "common/KeyData.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;

namespace tavolin {

// One element of a menu bar snapshot, already in the reader's shape (see AtspiElementSource). Immutable
// once the walk that made it returned; shared by the elements that point at it.
struct AtspiMenuNode
{
    QString role;                 // one of the axrole constants, or "AXUnknown"
    std::optional<QString> title; // trimmed name; absent for the nameless menus of the reader's shape
    bool enabled = false;
    bool checked = false;
    std::optional<KeyData> shortcut;
    std::vector<std::shared_ptr<const AtspiMenuNode>> children;
    // Where a press goes: the application's bus name, the object path and the action's index (-1: none).
    QString busName;
    QString path;
    int actionIndex = -1;
};

using AtspiMenuNodePtr = std::shared_ptr<const AtspiMenuNode>;

struct AtspiWalkResult
{
    AtspiMenuNodePtr menuBar; // null when the application has none (or did not answer)
    int nodes = 0;
    int menuItems = 0;
    bool failed = false;      // a call failed or timed out: the walk stopped there, the tree is partial
};

enum class AtspiCacheUse {
    On,  // libatspi's cache (GTK answers GetItems with the whole tree in one reply); cleared first
    Off, // every attribute is one round trip: the reference the figures compare against
};

// Finds the menu bar of `application` (breadth first, not descending into menus, tables, lists or text)
// and reads it whole. Runs on the libatspi thread only. Stops at the first failed call.
AtspiWalkResult walkMenuBar(AtspiAccessible *application, AtspiCacheUse cache);

} // namespace tavolin
