#pragma once

#include "accessibility/MenuReadCuts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace tavolin {

// An element of another process's user interface (an application, its menu bar, a menu, a menu item),
// as one ElementSource knows it. Opaque: only the source that made it looks inside (by downcasting).
// Handles are reference counted (ElementRef); the element is released when its last handle goes, on
// whatever thread that happens. A source whose elements must be released on one thread arranges that in
// its subclass's destructor.
class Element
{
public:
    virtual ~Element() = default;

protected:
    Element() = default;
};

using ElementRef = std::shared_ptr<const Element>;
using ElementList = std::vector<ElementRef>;

// Result of one request to the accessibility service. Success is 0; any other value means "no value".
enum class AXError : int {
    Success = 0,
    Failure = 1,              // the service failed for a reason it did not tell
    AttributeUnsupported = 2, // the element has no such attribute
    NoValue = 3,              // the attribute exists but has no value now
    CannotComplete = 4,       // the application did not answer within the time-out
    InvalidElement = 5,       // the element (or its application) is gone
    NotImplemented = 6,       // the source cannot answer this request at all
};

// The attributes the menu reader and its users ask for. Platform names ("AXTitle", "AXEnabled", ...) map to
// these through AXUtils::attributeNamed().
enum class AXAttribute {
    Title,                 // string
    Enabled,               // bool
    Children,              // list of elements
    Role,                  // string, one of the role constants in AXRole
    MenuItemMarkChar,      // string: "✓" for a checked item
    MenuItemCmdChar,       // string: the shortcut's character or key name
    MenuItemCmdVirtualKey, // integer: the shortcut's virtual key code
    MenuItemCmdGlyph,      // integer: stands in for the virtual key when there is none
    MenuItemCmdModifiers,  // integer: KeyData modifier mask
    FocusedApplication,    // element (asked of the system-wide element)
    MenuBar,               // element (asked of an application element)
    MainWindow,            // element
    Windows,               // list of elements
    Document,              // string (a file URL or path)
};

namespace axrole {
inline constexpr auto kApplication = "AXApplication";
inline constexpr auto kMenuBar = "AXMenuBar";
inline constexpr auto kMenu = "AXMenu";
inline constexpr auto kMenuItem = "AXMenuItem";
inline constexpr auto kMenuBarItem = "AXMenuBarItem";
} // namespace axrole

// The action that performs a menu item. The Linux source maps it to the item's "click" action (else
// "press", "activate", or action 0).
inline constexpr auto kAXPressAction = "AXPress";

// One attribute value. Readers convert it with AXUtils::getAny(); a value of another type than asked for
// reads as absent.
using AXValue = std::variant<QString, int64_t, bool, ElementRef, ElementList>;

// What the reader needs to know about the process behind an application element. On Linux: the executable
// name from /proc/PID/exe, the desktop file's id, name and icon, the language from the process environment,
// and where its gettext catalogs live.
struct RunningApp
{
    int32_t pid = 0;
    std::optional<QString> name;               // display name (desktop file Name=), if known
    std::optional<QString> appName;            // executable file name, e.g. "mousepad"
    std::optional<QString> bundleIdentifier;   // desktop id, e.g. "org.xfce.mousepad"; else the executable name
    std::optional<QString> bundlePath;         // where the identity came from (the .desktop file), for logs
    QString iconName;                          // icon theme name or absolute path; empty when none
    std::optional<QString> preferredLanguage;  // e.g. "zh_CN.UTF-8", "de_DE", "ja"; none when unknown
    QStringList localeDirs;                    // roots holding LANG/LC_MESSAGES/DOMAIN.mo, in search order
    QStringList textDomains;                   // catalog names in order: the application's own first
};

// How a source may be called.
enum class ReadMode {
    Parallel,   // every call may come from any thread, several at once
    MainThread, // every call must come from the main thread; the reader reads menus one after another there
};

// The seam between the menu reader and the platform's accessibility service, in the style of leveldb's Env:
// no QObject, results returned directly. Implementations: AtspiElementSource (the Linux platform layer) and
// FakeElementSource and MenuGraphSource (tests/support: tests, fuzz targets, benchmarks).
//
// Threads: as readMode() says. Every request is bounded by the messaging time-out; a hung application makes
// requests fail with CannotComplete, never block longer. Failures are results, never exceptions; an element
// from another source or a null handle gives InvalidElement.
class ElementSource
{
public:
    virtual ~ElementSource() = default;

    virtual ReadMode readMode() const = 0;

    // The element that answers FocusedApplication. Never null.
    virtual ElementRef systemWideElement() = 0;
    // Bounds every later request of this process to `seconds` (the reader sets 0.9).
    virtual AXError setMessagingTimeout(const ElementRef &element, double seconds) = 0;

    // Reads one attribute into `out` (left untouched on failure).
    virtual AXError copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out) = 0;
    // Number of values of a list attribute (Children); `count` is left untouched on failure.
    virtual AXError attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count) = 0;
    // Process id of the application that owns `element`.
    virtual AXError pid(const ElementRef &element, int32_t &pid) = 0;
    // Asks the application to perform `action` on `element`. Fire-and-forget: Success means the request was
    // sent, not that the command ran (a command may open a modal dialog and answer much later).
    virtual AXError performAction(const ElementRef &element, const QString &action) = 0;
    // What a performed action came to, once the application answered: Success (it reached the element; a
    // command that opens a dialog may still be running), InvalidElement (the element or its application is
    // gone), Failure (refused) or CannotComplete (no answer within the messaging time-out).
    using ActionOutcome = std::function<void(AXError outcome)>;
    // As performAction, and reports the outcome to `outcome` within about one messaging time-out, on a thread
    // of the source's choosing; never waits for it. When the request could not be sent, returns why and never
    // calls `outcome`. The default reports performAction's result at once, on the calling thread.
    virtual AXError performActionReporting(const ElementRef &element, const QString &action, ActionOutcome outcome)
    {
        const AXError result = performAction(element, action);
        if (result == AXError::Success && outcome)
            outcome(result);
        return result;
    }

    // True when the first child of a menu bar is a system menu that the palette never offers, and the menu
    // after it the application menu (not on Linux, where menu bars have neither: the first menu is an
    // ordinary one, usually "File").
    virtual bool menuBarStartsWithSystemMenu() const = 0;
    // False once the application of element `application` has run into the messaging time-out (what was
    // read of it until then may be partial). Any thread.
    virtual bool applicationAnswers(const ElementRef &application)
    {
        (void)application;
        return true;
    }
    // What element `element` is, the same for every handle to it, so a reader can tell an element met again
    // (a menu that lists itself): on Linux its bus name and object path. None when the source cannot tell.
    virtual std::optional<QByteArray> elementIdentity(const ElementRef &element)
    {
        (void)element;
        return std::nullopt;
    }
    // What cut the source's own reading of the menus of `application` short, besides a time-out (which
    // applicationAnswers tells): limits it ran into, elements that vanished. Any thread.
    virtual MenuReadCuts menuReadCuts(const ElementRef &application)
    {
        (void)application;
        return {};
    }
    // Whether this process may read other applications (on Linux: the accessibility bus answers and
    // accessibility is enabled). Only used in the failure message.
    virtual bool isProcessTrusted() = 0;
    // The process behind `pid`; none when it is gone or unknown.
    virtual std::optional<RunningApp> runningApplication(int32_t pid) = 0;
};

} // namespace tavolin
