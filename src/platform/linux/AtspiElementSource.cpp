#include "platform/linux/AtspiElementSource.h"

#include "common/Log.h"
#include "common/Mutex.h"
#include "platform/linux/AccessibilityStatus.h"
#include "platform/linux/AtspiItemsTree.h"
#include "platform/linux/AtspiMenuWalker.h"
#include "platform/linux/AtspiPresser.h"
#include "platform/linux/AtspiThread.h"
#include "platform/linux/AtspiWindowReader.h"
#include "platform/linux/FocusedApplication.h"
#include "platform/linux/ProcessIdentity.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11Focus.h"

#include <QElapsedTimer>

#include <future>

#include <atspi/atspi.h>

namespace tavolin {

// The system-wide element: answers FocusedApplication only.
class AtspiElementSource::SystemElement final : public Element
{
};

// An application on the accessibility desktop. The libatspi object is released on the libatspi thread.
class AtspiElementSource::AppElement final : public Element
{
public:
    AppElement(std::shared_ptr<AtspiThread> thread, AtspiAccessible *accessible, int32_t pid, QString name,
               bool unresponsive)
        : thread(std::move(thread)), accessible(accessible), pid(pid), name(std::move(name)),
          unresponsive(unresponsive)
    {
    }
    ~AppElement() override
    {
        AtspiAccessible *a = accessible;
        thread->post([a] { g_object_unref(a); });
    }

    std::shared_ptr<AtspiThread> thread;
    AtspiAccessible *accessible;
    int32_t pid;
    QString name;
    mutable std::atomic<bool> unresponsive; // set by the first time-out; later requests fail at once

    // The windows read in flight, shared by every caller that asks while it runs (quick open's sources ask
    // together): one read costs the application one round of requests, and no caller's time-out runs while
    // its own read waits its turn on the libatspi thread behind another.
    struct WindowsRead
    {
        std::shared_future<AtspiWindowsResult> result;
        std::chrono::steady_clock::time_point deadline;
    };
    WindowsRead joinWindowsRead(int timeoutMs) const;

    mutable Mutex windowsMutex;
    mutable std::optional<WindowsRead> windowsRead GUARDED_BY(windowsMutex);
    mutable Mutex cutsMutex;
    mutable MenuReadCuts cuts GUARDED_BY(cutsMutex); // of the latest menu bar read
};

// An element of a menu bar snapshot, with the application's own socket for pressing it.
class AtspiElementSource::NodeElement final : public Element
{
public:
    NodeElement(AtspiMenuNodePtr node, int32_t pid, QString directAddress)
        : node(std::move(node)), pid(pid), directAddress(std::move(directAddress))
    {
    }
    AtspiMenuNodePtr node;
    int32_t pid;
    QString directAddress; // empty when the application offers none
};

namespace {

template<typename T>
const T *as(const ElementRef &element)
{
    return dynamic_cast<const T *>(element.get());
}

// A top-level window from one windows read: answers Title, Role and Document from its snapshot.
class WindowElement final : public Element
{
public:
    WindowElement(AtspiWindowSnapshot snapshot, int32_t pid) : snapshot(std::move(snapshot)), pid(pid) {}
    AtspiWindowSnapshot snapshot;
    int32_t pid;
};

constexpr auto kWindowRole = "AXWindow";
constexpr int kWindowsReadSlackMs = 50; // for the last reply to travel back

AXError windowAttribute(const WindowElement &window, AXAttribute attribute, AXValue &out)
{
    switch (attribute) {
    case AXAttribute::Title:
        out = window.snapshot.title;
        return AXError::Success;
    case AXAttribute::Role:
        out = QString::fromLatin1(kWindowRole);
        return AXError::Success;
    case AXAttribute::Document:
        if (!window.snapshot.document)
            return AXError::NoValue;
        out = *window.snapshot.document;
        return AXError::Success;
    default:
        return AXError::AttributeUnsupported;
    }
}

// The children of `node`. A top-level item handed out before its menu was read waits for it; the walk fills
// every menu by its end, so the bound here (the read's budget and two time-outs from now) is a safety net.
const std::vector<AtspiMenuNodePtr> &childrenOf(const AtspiMenuNode &node, int timeoutMs)
{
    if (!node.pending)
        return node.children;
    const auto bound = std::chrono::steady_clock::now() + menulimits::kReadBudget + 2 * std::chrono::milliseconds(timeoutMs);
    if (const std::vector<AtspiMenuNodePtr> *children = node.pending->wait(bound))
        return *children;
    log::error(QStringLiteral("accessibility: the menu of %1 was not read in time").arg(node.title.value_or(QString())));
    static const std::vector<AtspiMenuNodePtr> none;
    return none;
}

} // namespace

// Starts a windows read on the libatspi thread, or joins the one in flight. Never called on the
// libatspi thread (the caller waits for it).
AtspiElementSource::AppElement::WindowsRead AtspiElementSource::AppElement::joinWindowsRead(int timeoutMs) const
{
    MutexLocker lock(windowsMutex);
    const bool inFlight =
        windowsRead && windowsRead->result.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
    if (inFlight)
        return *windowsRead;
    // The read bounds its own requests; the caller is bounded here as well, because one libatspi call may
    // send more requests than it says. A late result is dropped (the task owns its promise). The task runs
    // before the application element's release, which is queued behind it. The read's budget ends with the
    // caller's wait, not a time-out after the task starts: on a busy machine the task may start late, and a
    // read that then ran its whole budget would end after its caller gave up, its windows lost.
    using namespace std::chrono;
    const auto budgetEnd = steady_clock::now() + milliseconds(timeoutMs);
    auto promise = std::make_shared<std::promise<AtspiWindowsResult>>();
    windowsRead = WindowsRead{promise->get_future().share(), budgetEnd + milliseconds(kWindowsReadSlackMs)};
    thread->post([promise, accessible = accessible, budgetEnd, timeoutMs] {
        AtspiWindowLimits limits;
        const auto left = duration_cast<milliseconds>(budgetEnd - steady_clock::now()).count();
        limits.budgetMs = int(std::max<decltype(left)>(1, left));
        promise->set_value(readWindows(accessible, limits, timeoutMs));
    });
    return *windowsRead;
}

// Windows (every top-level window) or MainWindow (the one mainWindowIndex picks), read in one go on the
// libatspi thread within one messaging time-out.
AXError AtspiElementSource::readWindowsInto(const AppElement &app, AXAttribute attribute, AXValue &out)
{
    if (app.unresponsive.load())
        return AXError::CannotComplete;
    const AppElement::WindowsRead read = app.joinWindowsRead(m_timeoutMs.load());
    if (read.result.wait_until(read.deadline) != std::future_status::ready) {
        app.unresponsive.store(true);
        return AXError::CannotComplete;
    }
    const AtspiWindowsResult &result = read.result.get();
    if (result.failed)
        log::debug(QStringLiteral("accessibility: windows read of pid %1 cut short: %2 windows, %3 requests in %4 ms")
                       .arg(app.pid)
                       .arg(result.windows.size())
                       .arg(result.requests)
                       .arg(result.milliseconds, 0, 'f', 0));
    if (result.failed && result.windows.empty()) {
        app.unresponsive.store(true);
        return AXError::CannotComplete;
    }
    const int32_t pid = app.pid;
    if (attribute == AXAttribute::MainWindow) {
        const int index = mainWindowIndex(result.windows);
        if (index < 0)
            return AXError::NoValue;
        out = ElementRef(std::make_shared<WindowElement>(result.windows[size_t(index)], pid));
        return AXError::Success;
    }
    ElementList windows;
    windows.reserve(result.windows.size());
    for (const AtspiWindowSnapshot &snapshot : result.windows)
        windows.push_back(std::make_shared<WindowElement>(snapshot, pid));
    out = std::move(windows);
    return AXError::Success;
}

namespace {

// The class of the last of `pid`'s client windows; none without a display or a window.
std::optional<QString> windowClassOf(int32_t pid)
{
    if (std::unique_ptr<x11::Connection> connection = x11::Connection::open()) {
        const auto windows = x11::clientWindowsOf(connection->display(), pid);
        if (!windows.empty()) {
            if (auto cls = x11::windowClass(connection->display(), windows.back()).className)
                return QString::fromStdString(*cls);
        }
    }
    return std::nullopt;
}

} // namespace

AtspiElementSource::AtspiElementSource(std::shared_ptr<AtspiThread> thread)
    : m_presser(std::make_unique<AtspiPresser>(AccessibilityStatus::busAddress(), m_timeoutMs.load())),
      m_windowClasses(windowClassOf)
{
    m_thread = std::move(thread);
    m_systemWide = std::make_shared<SystemElement>();
    m_thread->run([this] { atspi_set_timeout(m_timeoutMs.load(), 0); }); // 0: no start-up grace
}

AtspiElementSource::~AtspiElementSource()
{
    m_thread->run([] {}); // the menu bar reads still running touch this source
}

bool AtspiElementSource::isReady() const
{
    return m_thread->isReady();
}

AtspiReadStats AtspiElementSource::lastReadStats() const
{
    m_thread->run([] {}); // the read handed its bar out early: wait for its end
    MutexLocker lock(m_statsMutex);
    return m_stats;
}

ElementRef AtspiElementSource::systemWideElement()
{
    return m_systemWide;
}

AXError AtspiElementSource::setMessagingTimeout(const ElementRef &, double seconds)
{
    if (!(seconds > 0))
        return AXError::Failure;
    // Queued, not waited for: every show sets it, and the thread may be busy reading another application's
    // menus. Tasks run in order, so every later call sees it.
    const int ms = int(seconds * 1000);
    if (m_timeoutMs.exchange(ms) != ms)
        m_thread->post([ms] { atspi_set_timeout(ms, 0); });
    m_presser->setTimeout(ms);
    return AXError::Success;
}

int32_t AtspiElementSource::focusedApplicationPid()
{
    return tavolin::focusedApplicationPid(*m_thread, m_timeoutMs.load());
}

ElementRef AtspiElementSource::applicationForPid(int32_t pid)
{
    if (!isReady() || pid <= 0)
        return nullptr;
    const int timeoutMs = m_timeoutMs.load();
    std::shared_ptr<AtspiThread> thread = m_thread;
    // Bounded: the caller is the palette's main thread at every show, and the libatspi thread may be busy
    // for seconds reading another application's menus (or a hostile tree up to its budget).
    const std::optional<ElementRef> looked =
        m_thread->runWithin(std::chrono::milliseconds(timeoutMs + kBusyThreadSlackMs), [thread, pid, timeoutMs]() -> ElementRef {
        AtspiAccessible *desktop = atspi_get_desktop(0);
        if (desktop == nullptr)
            return nullptr;
        atspi_accessible_clear_cache(desktop); // applications come and go between calls
        ElementRef found;
        const gint count = atspi_accessible_get_child_count(desktop, nullptr);
        for (gint i = 0; i < count && !found; ++i) {
            AtspiAccessible *app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (app == nullptr)
                continue;
            // The pid comes from the bus daemon, so a stopped application does not delay it.
            if (int32_t(atspi_accessible_get_process_id(app, nullptr)) == pid) {
                // One request bounded by the messaging time-out: libatspi's get_name of a GTK application
                // right after the cache was cleared waited 1.8 s on a stopped one.
                QString name;
                const AtspiItemsStatus read = fetchName(atspiApplicationBus(app), atspiApplicationBusName(app),
                                                        QByteArrayLiteral("/org/a11y/atspi/accessible/root"),
                                                        timeoutMs, name);
                found = std::make_shared<AppElement>(thread, app, pid, name, read == AtspiItemsStatus::Failed);
                continue;
            }
            g_object_unref(app);
        }
        g_object_unref(desktop);
        if (!found)
            log::debug(QStringLiteral("accessibility: no application of pid %1 among the desktop's %2").arg(pid).arg(count));
        return found;
    });
    MutexLocker lock(m_lastAppMutex);
    if (looked) {
        if (*looked) {
            m_lastAppPid = pid;
            m_lastApp = *looked;
        }
        return *looked;
    }
    // Still busy: the element this pid had last time serves (the same application shown again while its
    // menus are read behind the panel).
    log::debug(QStringLiteral("accessibility: the libatspi thread is busy; pid %1 %2")
                   .arg(pid)
                   .arg(m_lastAppPid == pid ? QStringLiteral("keeps its element") : QStringLiteral("is not found")));
    return m_lastAppPid == pid ? m_lastApp : nullptr;
}

std::vector<std::pair<QString, int32_t>> AtspiElementSource::applications()
{
    if (!isReady())
        return {};
    return m_thread->run([] {
        std::vector<std::pair<QString, int32_t>> list;
        AtspiAccessible *desktop = atspi_get_desktop(0);
        if (desktop)
            atspi_accessible_clear_cache(desktop);
        const gint count = desktop ? atspi_accessible_get_child_count(desktop, nullptr) : 0;
        for (gint i = 0; i < count; ++i) {
            AtspiAccessible *app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (app == nullptr)
                continue;
            gchar *name = atspi_accessible_get_name(app, nullptr);
            list.emplace_back(QString::fromUtf8(name ? name : ""), int32_t(atspi_accessible_get_process_id(app, nullptr)));
            g_free(name);
            g_object_unref(app);
        }
        if (desktop)
            g_object_unref(desktop);
        return list;
    });
}

// One reading of a menu bar on the libatspi thread, shared by the task and the caller waiting for its bar.
struct AtspiElementSource::BarRead
{
    Mutex mutex;
    ConditionVariable changed;
    std::optional<AtspiEarlyBar> early GUARDED_BY(mutex); // the bar handed out before the walk ended
    std::optional<AtspiWalkResult> walk GUARDED_BY(mutex); // once the walk ended
    QString directAddress GUARDED_BY(mutex);
};

// The menu bar is handed back as soon as its top-level items and the first menu are read; each later menu
// answers Children once it is read whole (AtspiPendingMenu), so the first menus' rows need not wait for the
// last.
// The walk's figures, cuts and failure are stored before the readers can see its end.
AXError AtspiElementSource::readMenuBar(const ElementRef &element, const AppElement &app, AXValue &out)
{
    if (app.unresponsive.load())
        return AXError::CannotComplete;
    AtspiAccessible *accessible = app.accessible;
    AtspiWalkOptions options;
    options.cache = m_cacheUse.load();
    options.actions = m_actionReads.load();
    options.tree = m_treeReads.load();
    options.calls = m_walkCalls.load();
    options.timeoutMs = m_timeoutMs.load();
    auto read = std::make_shared<BarRead>();
    options.onBar = [read, accessible, timeoutMs = options.timeoutMs](const AtspiEarlyBar &early) {
        // Presses go to the application's own socket, so they never hold its accessibility-bus connection.
        QString address;
        fetchDirectAddress(atspiApplicationBus(accessible), atspiApplicationBusName(accessible), timeoutMs, address);
        MutexLocker lock(read->mutex);
        read->early = early;
        read->directAddress = address;
        read->changed.notifyAll();
    };
    // The task keeps the application element; the source waits in its destructor for the tasks it posted.
    m_thread->post([this, element, read, options] { walkInto(*read, element, options); });
    MutexLocker lock(read->mutex);
    while (!read->early && !read->walk)
        read->changed.wait(read->mutex);
    if (read->early) {
        out = ElementRef(std::make_shared<NodeElement>(read->early->bar, app.pid, read->directAddress));
        return AXError::Success;
    }
    const AtspiWalkResult &walk = *read->walk;
    if (!walk.menuBar) {
        if (walk.failed)
            return AXError::CannotComplete;
        return walk.cuts.vanished ? AXError::InvalidElement : AXError::NoValue;
    }
    out = ElementRef(std::make_shared<NodeElement>(walk.menuBar, app.pid, read->directAddress));
    return AXError::Success;
}

// The libatspi thread's part of readMenuBar: the walk, then what it found stored, then its end told.
void AtspiElementSource::walkInto(BarRead &read, const ElementRef &element, const AtspiWalkOptions &options)
{
    const auto &app = static_cast<const AppElement &>(*element);
    QElapsedTimer timer;
    timer.start();
    AtspiWalkResult walk = walkMenuBar(app.accessible, options);
    std::optional<AtspiEarlyBar> early;
    {
        MutexLocker lock(read.mutex);
        early = read.early;
    }
    QString address;
    if (!early && walk.menuBar && !walk.failed)
        fetchDirectAddress(atspiApplicationBus(app.accessible), atspiApplicationBusName(app.accessible),
                           options.timeoutMs, address);
    noteWalk(app, walk, double(timer.nsecsElapsed()) / 1e6);
    if (early)
        early->fillRest(walk.menuBar);
    MutexLocker lock(read.mutex);
    if (!early)
        read.directAddress = address;
    read.walk = std::move(walk);
    read.changed.notifyAll();
}

// Stores what a walk found of `app`: its figures, its cuts, and whether it still answers.
void AtspiElementSource::noteWalk(const AppElement &app, const AtspiWalkResult &walk, double ms)
{
    log::debug(QStringLiteral("accessibility: read %1 menu items of %2 (pid %3) in %4 ms")
                   .arg(walk.menuItems).arg(app.name).arg(app.pid).arg(qRound(ms)));
    {
        MutexLocker lock(m_statsMutex);
        m_stats = AtspiReadStats{walk.nodes, walk.menuItems, ms, walk.failed, walk.figures};
    }
    {
        MutexLocker lock(app.cutsMutex);
        app.cuts = walk.cuts;
    }
    if (walk.failed) {
        app.unresponsive.store(true);
        log::error(QStringLiteral("accessibility: %1 (pid %2) stopped answering; its menus are partial")
                       .arg(app.name).arg(app.pid));
    }
    if (walk.cuts.any()) {
        log::error(QStringLiteral("accessibility: reading the menus of %1 (pid %2): %3")
                       .arg(app.name).arg(app.pid).arg(walk.cuts.describe().join(QStringLiteral("; "))));
    }
}

AXError AtspiElementSource::appAttribute(const ElementRef &element, const AppElement &app, AXAttribute attribute,
                                         AXValue &out)
{
    switch (attribute) {
    case AXAttribute::Title:
        if (app.name.isEmpty())
            return app.unresponsive.load() ? AXError::CannotComplete : AXError::NoValue;
        out = app.name;
        return AXError::Success;
    case AXAttribute::Role:
        out = QString::fromLatin1(axrole::kApplication);
        return AXError::Success;
    case AXAttribute::MenuBar:
        return readMenuBar(element, app, out);
    case AXAttribute::Windows:
    case AXAttribute::MainWindow:
        return readWindowsInto(app, attribute, out);
    default:
        return AXError::AttributeUnsupported;
    }
}

AXError AtspiElementSource::copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out)
{
    if (as<SystemElement>(element)) {
        if (attribute != AXAttribute::FocusedApplication)
            return AXError::AttributeUnsupported;
        ElementRef app = applicationForPid(focusedApplicationPid());
        if (!app)
            return AXError::NoValue;
        out = app;
        return AXError::Success;
    }
    if (const AppElement *app = as<AppElement>(element))
        return appAttribute(element, *app, attribute, out);
    if (const WindowElement *window = as<WindowElement>(element))
        return windowAttribute(*window, attribute, out);
    const NodeElement *item = as<NodeElement>(element);
    if (item == nullptr)
        return AXError::InvalidElement;
    const AtspiMenuNode &node = *item->node;
    switch (attribute) {
    case AXAttribute::Title:
        if (!node.title)
            return AXError::NoValue;
        out = *node.title;
        return AXError::Success;
    case AXAttribute::Enabled:
        out = node.enabled;
        return AXError::Success;
    case AXAttribute::Role:
        out = node.role;
        return AXError::Success;
    case AXAttribute::Children: {
        const std::vector<AtspiMenuNodePtr> &nodes = childrenOf(node, m_timeoutMs.load());
        ElementList children;
        children.reserve(nodes.size());
        for (const AtspiMenuNodePtr &child : nodes)
            children.push_back(std::make_shared<NodeElement>(child, item->pid, item->directAddress));
        out = std::move(children);
        return AXError::Success;
    }
    case AXAttribute::MenuItemMarkChar:
        if (!node.checked)
            return AXError::NoValue;
        out = QStringLiteral("✓");
        return AXError::Success;
    case AXAttribute::MenuItemCmdChar:
        if (!node.shortcut || !node.shortcut->cmdChar)
            return AXError::NoValue;
        out = *node.shortcut->cmdChar;
        return AXError::Success;
    case AXAttribute::MenuItemCmdVirtualKey:
        if (!node.shortcut || node.shortcut->virtualKey < 1)
            return AXError::NoValue;
        out = node.shortcut->virtualKey;
        return AXError::Success;
    case AXAttribute::MenuItemCmdModifiers:
        if (!node.shortcut)
            return AXError::NoValue;
        out = node.shortcut->modifierFlags;
        return AXError::Success;
    default:
        return AXError::AttributeUnsupported;
    }
}

AXError AtspiElementSource::attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count)
{
    const NodeElement *item = as<NodeElement>(element);
    if (item == nullptr)
        return as<AppElement>(element) || as<SystemElement>(element) || as<WindowElement>(element)
            ? AXError::AttributeUnsupported
                                                                    : AXError::InvalidElement;
    if (attribute != AXAttribute::Children)
        return AXError::AttributeUnsupported;
    count = int64_t(childrenOf(*item->node, m_timeoutMs.load()).size());
    return AXError::Success;
}

AXError AtspiElementSource::pid(const ElementRef &element, int32_t &pid)
{
    if (const AppElement *app = as<AppElement>(element)) {
        pid = app->pid;
        return AXError::Success;
    }
    if (const NodeElement *item = as<NodeElement>(element)) {
        pid = item->pid;
        return AXError::Success;
    }
    if (const WindowElement *window = as<WindowElement>(element)) {
        pid = window->pid;
        return AXError::Success;
    }
    return AXError::InvalidElement;
}

AXError AtspiElementSource::performAction(const ElementRef &element, const QString &action)
{
    return performActionReporting(element, action, nullptr);
}

AXError AtspiElementSource::performActionReporting(const ElementRef &element, const QString &action,
                                                   ActionOutcome outcome)
{
    const NodeElement *item = as<NodeElement>(element);
    if (item == nullptr)
        return AXError::InvalidElement;
    if (action != QLatin1String(kAXPressAction))
        return AXError::NotImplemented;
    if (item->node->actionIndex < 0)
        return AXError::AttributeUnsupported;
    if (!ProcessIdentity::isAlive(item->pid))
        return AXError::InvalidElement;
    const AtspiPressTarget target{item->node->busName, item->directAddress, item->node->path, item->node->actionIndex};
    return m_presser->press(target, std::move(outcome)) ? AXError::Success : AXError::Failure;
}

bool AtspiElementSource::flushPresses()
{
    const bool flushed = m_presser->flush(2 * m_timeoutMs.load());
    m_presser->handOffHeld();
    return flushed;
}

bool AtspiElementSource::applicationAnswers(const ElementRef &application)
{
    const AppElement *app = as<AppElement>(application);
    return app == nullptr || !app->unresponsive.load();
}

std::optional<QByteArray> AtspiElementSource::elementIdentity(const ElementRef &element)
{
    const NodeElement *item = as<NodeElement>(element);
    if (item == nullptr || item->node->path.isEmpty())
        return std::nullopt;
    return (item->node->busName + QLatin1Char(':') + item->node->path).toUtf8();
}

MenuReadCuts AtspiElementSource::menuReadCuts(const ElementRef &application)
{
    const AppElement *app = as<AppElement>(application);
    if (app == nullptr)
        return {};
    MutexLocker lock(app->cutsMutex);
    return app->cuts;
}

bool AtspiElementSource::isProcessTrusted()
{
    return isReady() && AccessibilityStatus::isTrusted();
}

std::optional<RunningApp> AtspiElementSource::runningApplication(int32_t pid)
{
    return ProcessIdentity::runningApp(pid, m_windowClasses.classOf(pid));
}

} // namespace tavolin
