#pragma once

#include "accessibility/ElementSource.h"
#include "common/Mutex.h"
#include "platform/linux/AtspiMenuWalker.h"
#include "platform/linux/WindowClassCache.h"

#include <QByteArray>

#include <atomic>
#include <memory>

namespace tavolin {

class AtspiThread;
class AtspiPresser;

// What an AtspiElementSource read, for figures and tests.
struct AtspiReadStats
{
    int nodes = 0;       // accessibility objects visited
    int menuItems = 0;   // of them menu items (leaves and submenus)
    double milliseconds = 0;
    bool stoppedByTimeout = false;
    AtspiCallFigures figures; // calls and time per kind of call
};

// The ElementSource of the Linux desktop, over the AT-SPI accessibility bus.
//
// Reading: asking an application element for its MenuBar reads the whole menu bar at once, on the one
// libatspi thread (see AtspiThread), into an immutable snapshot: a GTK application's from one GetItems
// reply (every object with its role, name and states), one GetChildren per menu for the order and one
// key binding per item, each group sent at once on the application's own connection (AtspiTreeReads::Items);
// other toolkits object by object, each call sent as soon as the answer it depends on is in, many in
// flight at once (AtspiWalkCalls::Streamed); GTK applications that cannot answer GetItems object by object
// through libatspi. The bar comes back as soon as its top-level items and the first menu are read
// (GetItems and the streamed walk), and asking a later top-level item for its children waits until its
// menu is read whole, menu after menu: the first menus' rows need not wait for the last menu. Every other
// attribute read of that menu bar's elements is answered from the snapshot, so the reader may call from
// any thread, several at once (ReadMode::Parallel); only the first menu may be read on the main thread
// without waiting. The snapshot
// presents both toolkits in the shape the reader expects, an item whose single child is a menu holding the
// items: GTK's menus (item and menu in one element) are split in two, Qt's nameless popup menus are the
// menus. Names are trimmed; enabled = ENABLED and SENSITIVE; checked = CHECKED ("✓"); the shortcut comes
// from the key binding (GTK's accelerator field, Qt's portable text), never from a mnemonic.
//
// Time-outs: every call is bounded by the messaging time-out (0.9 s, with no start-up grace); the first
// call of an application that runs into it marks the application unresponsive, which ends the walk there
// and makes its later requests fail at once with CannotComplete, so a stopped application costs one
// time-out, not one per item.
//
// Windows: an application element answers Windows (every frame, dialog and window) and MainWindow (the
// active frame, else the first frame), read in one go within one messaging time-out into snapshots that
// answer Title, Role ("AXWindow") and Document: the Document interface's "DocURL"/"URI" of the window or an
// element inside it, else a path in the title that names an existing file (GTK 3 editors expose no
// document); absent when neither gives one.
//
// Pressing: the action ("click", else "press", "activate", else action 0) is sent by AtspiPresser on a
// fresh connection of its own (to the application's own socket where it offers one), and its outcome read on
// the presser's thread, so a command that opens a modal dialog stalls neither the caller nor the application.
//
// The focused application: focusedApplicationPid() (the X11 focus, or the window with the ACTIVE state in
// a Wayland session), matched against the accessibility desktop's applications by process id.
//
// Ownership: elements keep their snapshot alive. Threads: any (see above).
class AtspiElementSource final : public ElementSource
{
public:
    // Connects to the accessibility bus of the current session through `thread`, the program's one libatspi
    // thread; isReady() is false when there is no bus.
    explicit AtspiElementSource(std::shared_ptr<AtspiThread> thread);
    ~AtspiElementSource() override;

    bool isReady() const;
    // Figures of the last menu bar walk (waits for the end of a walk that handed its bar out early).
    AtspiReadStats lastReadStats() const;
    // Whether walks use libatspi's cache (default On); Off is the one-round-trip-per-attribute reference
    // that benchmarks compare against.
    void setCacheUse(AtspiCacheUse use) { m_cacheUse.store(use); }
    // How GTK menu items' actions are read when walked (default Single); the others are for comparing figures.
    void setActionReads(AtspiActionReads reads) { m_actionReads.store(reads); }
    // Where GTK trees come from (default Items); Walk is for comparing figures.
    void setTreeReads(AtspiTreeReads reads) { m_treeReads.store(reads); }
    // How the other toolkits' trees are walked (default Streamed); OneByOne is for comparing figures.
    void setWalkCalls(AtspiWalkCalls calls) { m_walkCalls.store(calls); }
    // Waits (bounded by two messaging time-outs) until the presses sent so far have their outcome, and hands
    // the connections that must stay open to a process of their own, for a process that exits right after
    // pressing. False when a press had no outcome yet.
    bool flushPresses();

    // The process of the focused application (see FocusedApplication.h); 0 when nothing tells.
    int32_t focusedApplicationPid();
    // The application element of process `pid`, or null when it is not on the accessibility desktop.
    ElementRef applicationForPid(int32_t pid);
    // Every application on the accessibility desktop (name, pid), for diagnostics.
    std::vector<std::pair<QString, int32_t>> applications();

    ReadMode readMode() const override { return ReadMode::Parallel; }
    ElementRef systemWideElement() override;
    AXError setMessagingTimeout(const ElementRef &element, double seconds) override;
    AXError copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out) override;
    AXError attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count) override;
    AXError pid(const ElementRef &element, int32_t &pid) override;
    AXError performAction(const ElementRef &element, const QString &action) override;
    AXError performActionReporting(const ElementRef &element, const QString &action, ActionOutcome outcome) override;
    bool menuBarStartsWithSystemMenu() const override { return false; }
    bool applicationAnswers(const ElementRef &application) override;
    std::optional<QByteArray> elementIdentity(const ElementRef &element) override;
    MenuReadCuts menuReadCuts(const ElementRef &application) override;
    bool isProcessTrusted() override;
    std::optional<RunningApp> runningApplication(int32_t pid) override;

private:
    class AppElement;
    class NodeElement;
    class SystemElement;

    struct BarRead;

    AXError readMenuBar(const ElementRef &element, const AppElement &app, AXValue &out);
    void walkInto(BarRead &read, const ElementRef &element, const AtspiWalkOptions &options);
    void noteWalk(const AppElement &app, const AtspiWalkResult &walk, double ms);
    AXError appAttribute(const ElementRef &element, const AppElement &app, AXAttribute attribute, AXValue &out);
    AXError readWindowsInto(const AppElement &app, AXAttribute attribute, AXValue &out);

    std::atomic<int> m_timeoutMs{900}; // before m_presser, which starts with it
    std::shared_ptr<AtspiThread> m_thread; // shared with application elements, which release on it
    std::unique_ptr<AtspiPresser> m_presser;
    WindowClassCache m_windowClasses; // of the applications found, for their identity
    ElementRef m_systemWide;
    std::atomic<AtspiCacheUse> m_cacheUse{AtspiCacheUse::On};
    std::atomic<AtspiActionReads> m_actionReads{AtspiActionReads::Single};
    std::atomic<AtspiTreeReads> m_treeReads{AtspiTreeReads::Items};
    std::atomic<AtspiWalkCalls> m_walkCalls{AtspiWalkCalls::Streamed};
    Mutex m_lastAppMutex;
    int32_t m_lastAppPid GUARDED_BY(m_lastAppMutex) = 0;
    ElementRef m_lastApp GUARDED_BY(m_lastAppMutex); // the application element last found, for m_lastAppPid
    mutable Mutex m_statsMutex;
    AtspiReadStats m_stats GUARDED_BY(m_statsMutex);
};

} // namespace tavolin
