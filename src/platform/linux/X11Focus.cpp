#include "platform/linux/X11Focus.h"

#include "platform/linux/X11Display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <deque>
#include <vector>

namespace tavolin::x11 {
namespace {

Atom atom(Display *display, const char *name)
{
    return XInternAtom(display, name, False);
}

// One property read (the first `length` 32-bit items, of `type` or of any type), its errors (a window that
// vanished) trapped so they never reach Xlib's exiting default handler. Frees what Xlib returned.
struct PropertyReply
{
    PropertyReply(Display *display, Window window, Atom property, long length, Atom type)
    {
        ErrorTrap trap(display);
        unsigned long after = 0;
        const int status = XGetWindowProperty(display, window, property, 0, length, False, type, &actualType,
                                              &format, &count, &after, &data);
        ok = status == Success && trap.sync() == 0;
    }
    ~PropertyReply()
    {
        if (data != nullptr)
            XFree(data);
    }
    PropertyReply(const PropertyReply &) = delete;
    PropertyReply &operator=(const PropertyReply &) = delete;

    bool ok = false;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned char *data = nullptr;
};

// The first 32-bit item of a property (CARDINAL or WINDOW), or none.
std::optional<unsigned long> cardinalProperty(Display *display, Window window, Atom property, Atom type)
{
    const PropertyReply reply(display, window, property, 1, type);
    if (!reply.ok || reply.data == nullptr || reply.actualType != type || reply.format != 32 || reply.count < 1)
        return std::nullopt;
    return reinterpret_cast<const unsigned long *>(reply.data)[0]; // Xlib widens 32-bit items to long
}

bool hasProperty(Display *display, Window window, Atom property)
{
    const PropertyReply reply(display, window, property, 0, AnyPropertyType);
    return reply.ok && reply.actualType != None;
}

bool isClient(Display *display, Window window)
{
    return hasProperty(display, window, atom(display, "WM_STATE"))
        || hasProperty(display, window, atom(display, "_NET_WM_PID"));
}

std::vector<Window> children(Display *display, Window window, Window *parent)
{
    ErrorTrap trap(display);
    Window root = 0;
    Window parentWindow = 0;
    Window *list = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parentWindow, &list, &count) && trap.sync() == 0) {
        result.assign(list, list + count);
        if (parent)
            *parent = parentWindow;
    } else if (parent) {
        *parent = 0;
    }
    if (list != nullptr)
        XFree(list);
    return result;
}

} // namespace

bool hasEwmhWindowManager(Display *display)
{
    const Atom check = atom(display, "_NET_SUPPORTING_WM_CHECK");
    const auto wmWindow = cardinalProperty(display, DefaultRootWindow(display), check, XA_WINDOW);
    if (!wmWindow || *wmWindow == 0)
        return false;
    // A stale property from a window manager that quit points at a window that no longer points to itself.
    const auto self = cardinalProperty(display, Window(*wmWindow), check, XA_WINDOW);
    return self && *self == *wmWindow;
}

unsigned long clientWindow(Display *display, unsigned long window)
{
    const Window root = DefaultRootWindow(display);
    if (window == 0 || window == root)
        return 0;
    // Up: the focus often sits on a child of the client (GTK's and Qt's focus proxies).
    Window current = window;
    while (current != 0 && current != root) {
        if (isClient(display, current))
            return current;
        Window parent = 0;
        children(display, current, &parent);
        current = parent;
    }
    // Down (breadth first): a window manager's frame holds the client below it.
    std::deque<Window> queue{Window(window)};
    for (int visited = 0; !queue.empty() && visited < 512; ++visited) {
        const Window w = queue.front();
        queue.pop_front();
        if (isClient(display, w))
            return w;
        for (Window child : children(display, w, nullptr))
            queue.push_back(child);
    }
    return 0;
}

int32_t windowPid(Display *display, unsigned long window)
{
    if (const auto pid = cardinalProperty(display, window, atom(display, "_NET_WM_PID"), XA_CARDINAL);
        pid && *pid > 0)
        return int32_t(*pid);
    int eventBase = 0;
    int errorBase = 0;
    if (!XResQueryExtension(display, &eventBase, &errorBase))
        return 0;
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue *values = nullptr;
    int32_t pid = 0;
    ErrorTrap trap(display);
    if (XResQueryClientIds(display, 1, &spec, &count, &values) == Success && trap.sync() == 0) {
        for (long i = 0; i < count && pid == 0; ++i) {
            const pid_t found = XResGetClientPid(&values[i]);
            if (found > 0)
                pid = int32_t(found);
        }
    }
    if (values != nullptr)
        XResClientIdsDestroy(count, values);
    return pid;
}

std::optional<FocusedWindow> focusedWindow(Display *display)
{
    const Window root = DefaultRootWindow(display);
    Window candidate = 0;
    if (hasEwmhWindowManager(display)) {
        if (const auto active = cardinalProperty(display, root, atom(display, "_NET_ACTIVE_WINDOW"), XA_WINDOW))
            candidate = Window(*active);
    }
    if (candidate == 0) {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        if (focus == PointerRoot || focus == None || focus == root) {
            // Focus follows the pointer: the top-level window under it has the keyboard.
            Window rootReturn = 0;
            Window child = 0;
            int rx = 0, ry = 0, wx = 0, wy = 0;
            unsigned int mask = 0;
            XQueryPointer(display, root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
            focus = child;
        }
        candidate = focus;
    }
    const Window client = clientWindow(display, candidate);
    if (client == 0)
        return std::nullopt;
    return FocusedWindow{client, windowPid(display, client)};
}

bool activateWindow(Display *display, unsigned long window)
{
    const bool managed = hasEwmhWindowManager(display); // before the trap: traps do not nest
    ErrorTrap trap(display);
    if (managed) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = atom(display, "_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // source: a pager-like tool acting for the user
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    return trap.sync() == 0;
}

WindowClass windowClass(Display *display, unsigned long window)
{
    WindowClass result;
    ErrorTrap trap(display);
    XClassHint hint{nullptr, nullptr};
    if (XGetClassHint(display, window, &hint) && trap.sync() == 0) {
        if (hint.res_name)
            result.instance = hint.res_name;
        if (hint.res_class)
            result.className = hint.res_class;
    }
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return result;
}

} // namespace tavolin::x11

namespace tavolin::x11 {

std::vector<unsigned long> clientWindowsOf(Display *display, int32_t pid)
{
    std::vector<unsigned long> result;
    if (pid <= 0)
        return result;
    for (Window top : children(display, DefaultRootWindow(display), nullptr)) {
        const Window client = clientWindow(display, top);
        if (client == 0 || windowPid(display, client) != pid)
            continue;
        XWindowAttributes attributes{};
        ErrorTrap trap(display);
        const bool ok = XGetWindowAttributes(display, client, &attributes) && trap.sync() == 0;
        if (ok && attributes.map_state == IsViewable)
            result.push_back(client);
    }
    return result;
}

} // namespace tavolin::x11
