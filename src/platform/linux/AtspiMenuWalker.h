#pragma once

#include "accessibility/MenuReadCuts.h"
#include "common/KeyData.h"
#include "common/Mutex.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;

namespace tavolin {

class AtspiPendingMenu;

// One element of a menu bar snapshot, already in the reader's shape (see AtspiElementSource). Immutable
// once the walk that made it returned, or once handed out early (AtspiWalkOptions::onBar); shared by the
// elements that point at it.
struct AtspiMenuNode
{
    QString role;                 // one of the axrole constants, or "AXUnknown"
    std::optional<QString> title; // trimmed name; absent for the nameless menus of the reader's shape
    bool enabled = false;
    bool checked = false;
    std::optional<KeyData> shortcut;
    std::vector<std::shared_ptr<const AtspiMenuNode>> children;
    // A top-level item handed out before its menu was read: its children come from here, once filled.
    std::shared_ptr<AtspiPendingMenu> pending;
    // Where a press goes: the application's bus name, the object path and the action's index (-1: none).
    QString busName;
    QString path;
    int actionIndex = -1;
};

using AtspiMenuNodePtr = std::shared_ptr<const AtspiMenuNode>;

// The children of a top-level item whose menu is still being read: filled once by the walk, waited for by
// the readers. Threads: any.
class AtspiPendingMenu
{
public:
    void fill(std::vector<AtspiMenuNodePtr> children);
    // The children, once filled (they never change after); null when `deadline` passed first.
    const std::vector<AtspiMenuNodePtr> *wait(std::chrono::steady_clock::time_point deadline) const;

private:
    mutable Mutex m_mutex;
    mutable ConditionVariable m_filled;
    std::optional<std::vector<AtspiMenuNodePtr>> m_children GUARDED_BY(m_mutex);
};

// A menu bar as a walk hands it out before it ends: its top-level items, each holding a pending menu.
// `menus[i]` is the pending menu of the bar's i-th listed item.
struct AtspiEarlyBar
{
    AtspiMenuNodePtr bar;
    std::vector<std::shared_ptr<AtspiPendingMenu>> menus;

    // Fills every menu not filled yet with the children of the item at the same path in `whole` (the walk's
    // result), or with none where `whole` has no such item.
    void fillRest(const AtspiMenuNodePtr &whole);
};

// The early bar of a whole one: the same top-level items, each without its children and holding a pending
// menu.
AtspiEarlyBar atspiEarlyBarOf(const AtspiMenuNode &bar);

// Kinds of accessibility calls a walk makes, for figures. A call answered from libatspi's cache costs no
// round trip; the others cost one each.
enum class AtspiCall {
    Setup,       // toolkit name, cache reset
    Role,
    Name,
    Children,    // child count and each child
    States,
    ActionCount,
    ActionName,
    KeyBinding,  // one per call; a pipelined batch counts each binding it asked for
    Items,       // the application's whole tree in one GetItems call
    Streamed,    // every call of a streamed walk (also counted by kind above): their number and wall time
};
constexpr int kAtspiCallKinds = int(AtspiCall::Streamed) + 1;

struct AtspiCallFigures
{
    int calls[kAtspiCallKinds] = {};
    double milliseconds[kAtspiCallKinds] = {};
    int slow[kAtspiCallKinds] = {}; // calls that took 15 µs or more: round trips, not cache hits
};

struct AtspiWalkResult
{
    AtspiMenuNodePtr menuBar; // null when the application has none (or did not answer)
    int nodes = 0;
    int menuItems = 0;
    bool failed = false;      // a call timed out: the walk stopped there, the tree is partial
    MenuReadCuts cuts;        // limits reached (menulimits), elements that vanished while read
    AtspiCallFigures figures;
};

enum class AtspiCacheUse {
    On,  // libatspi's cache (GTK answers GetItems with the whole tree in one reply); cleared first
    Off, // every attribute is one round trip: the reference the figures compare against
};

// How a walk reads the actions (press index and key binding) of GTK menu items. Other toolkits are always
// read in full: their action names and indexes vary (Qt: "Press", "ShowMenu").
enum class AtspiActionReads {
    // Count, every name, and key bindings until one is found: three round trips per item.
    Full,
    // GTK's menu items offer the single action "click" while enabled and shown, and none otherwise: index 0
    // from the cached states and interfaces, and only the key binding of action 0 asked, one round trip per
    // enabled item, none for menus (their key binding is a mnemonic) or disabled items. GTK's items hold no
    // children (a submenu is a menu), so they are not asked for any.
    Single,
    // As Single, with every key binding sent at once at the end of the walk on the application's own
    // connection (GTK's direct socket) and the replies collected together, bounded by one messaging
    // time-out. Not the default: the application's own work per call, not the wait, dominates, so it saves
    // only part of a small share (the figures of bench/platform_menu_read.cpp).
    Pipelined,
};

// Where the tree of a GTK application comes from (other toolkits are always walked).
enum class AtspiTreeReads {
    // Object by object through libatspi and its cache: a round trip for every object the cache lacks and
    // for every menu's children, one after the other.
    Walk,
    // One org.a11y.atspi.Cache.GetItems call on the application's own connection gives every object with
    // its role, name, states and interfaces; then every menu's GetChildren (their order), and then every
    // item's key binding, each group sent at once and collected together. The application does the same
    // work, but nobody waits a round trip per object: 5-15 times faster than Walk here. An application
    // without that call, with another shape of it, or whose cache lacks a menu's child is walked.
    Items,
};

// How the applications that are walked object by object are read: every toolkit but GTK (which answers
// GetItems); whichever way, the same tree comes out.
enum class AtspiWalkCalls {
    // Each call sent on libatspi's connection as soon as the answer it depends on is in, many in flight at
    // once (readMenuBarStreamed): the application answers back to back, nobody waits a round trip per call.
    Streamed,
    // One call after the other through libatspi: the reference the figures compare against.
    OneByOne,
};

struct AtspiWalkOptions
{
    AtspiCacheUse cache = AtspiCacheUse::On;
    AtspiTreeReads tree = AtspiTreeReads::Items;
    AtspiActionReads actions = AtspiActionReads::Single;
    AtspiWalkCalls calls = AtspiWalkCalls::Streamed;
    int timeoutMs = 900; // the bound of each call, and of the whole pipelined batch
    // When set, called (on the walking thread, at most once) as soon as the bar's top-level items and the
    // first item's menu are read, before the other menus are: the walk then fills each item's pending menu
    // as the menu is read whole, except the last, and leaves the menus not yet filled to the caller
    // (AtspiEarlyBar::fillRest with the result's bar), so it can store what the walk found before the
    // readers see the end. Not called for a bar of one menu, for a GTK tree small enough to read in one
    // batch, nor by the object-by-object walk.
    std::function<void(const AtspiEarlyBar &)> onBar;
};

// Finds the menu bar of `application` (breadth first, not descending into menus, tables, lists or text)
// and reads it whole, leaving out the items the application keeps hidden (atspiItemIsListed). Runs on the
// libatspi thread only. Stops at the first call that runs into the time-out (a streamed walk: once the
// application answered nothing for the time-out); an element whose call fails at once (destroyed
// meanwhile) is left out with what is below it, and the walk goes on. Within the limits
// of menulimits: each element (bus name and path) read once, menus no deeper than kMaxDepth, at most
// kMaxRows elements, and no longer than kReadBudget in all.
AtspiWalkResult walkMenuBar(AtspiAccessible *application, const AtspiWalkOptions &options);

// Whether a menu's child of `role` is read at all. An item without the VISIBLE state is one its application
// keeps hidden (GTK 2 and 3: GIMP's unused "Open Recent" slots, geany's radio placeholders), but only while
// its menu has that state: Qt clears VISIBLE on every item of a closed menu, so there it tells nothing.
// Separators are always read (the reader drops them for their empty title).
bool atspiItemIsListed(int role, bool visible, bool menuShown);

// The shortcut a key binding gives: GTK's accelerator field ("n;<Alt>f:n;<Primary>n"), or Qt's portable
// text ("Ctrl+S"; "Alt+X" where X is the mnemonic of `title` is none); nothing for an empty binding.
std::optional<KeyData> atspiShortcutOf(const QString &binding, const QString &title);

// Roles (AtspiRole values) the walk treats as menu items, and those it never searches for a menu bar.
bool isAtspiMenuItemRole(int role);
bool isAtspiLeafContainerRole(int role);

} // namespace tavolin
