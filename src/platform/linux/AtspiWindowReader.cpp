#include "platform/linux/AtspiWindowReader.h"

#include "platform/linux/WindowTitleDocument.h"

#include <QElapsedTimer>

#include <atspi/atspi.h>

#include <deque>

namespace tavolin {
namespace {

constexpr int kRequestsPerCall = 3;

// One read's requests against one shared budget. A failed request or an exhausted budget ends the read:
// every later request is skipped, so a hung application costs what is left of the budget, once.
class Read
{
public:
    Read(const AtspiWindowLimits &limits, AtspiWindowsResult &result) : m_limits(limits), m_result(result)
    {
        m_timer.start();
    }

    // Gives the next call its share of what is left of the budget; false when nothing is. Right after the
    // cache was cleared one libatspi call may send up to three bus requests (cache fill, then the request),
    // each waiting its whole time-out on a stopped application: so until the application first answers,
    // each gets a third. Once it has answered it is not stopped, and a call slowed by a busy machine gets
    // all that is left: slices of a shrinking rest would fail a live application's read under load.
    bool arm()
    {
        if (spent())
            return false;
        const qint64 left = m_limits.budgetMs - m_timer.elapsed();
        atspi_set_timeout(int(qMax<qint64>(1, m_answered ? left : left / kRequestsPerCall)), 0);
        ++m_result.requests;
        return true;
    }

    // Whether the read is over. Some libatspi calls report a time-out as an empty answer without an error
    // (get_name gives "", is-a gives false): the elapsed time tells those apart.
    bool spent()
    {
        if (!m_result.failed && m_timer.elapsed() >= m_limits.budgetMs)
            m_result.failed = true;
        return m_result.failed;
    }

    bool ok(GError *error)
    {
        if (error != nullptr) {
            g_error_free(error);
            m_result.failed = true;
        }
        return !spent();
    }

    AtspiRole role(AtspiAccessible *a)
    {
        if (!arm())
            return ATSPI_ROLE_INVALID;
        GError *error = nullptr;
        const AtspiRole r = atspi_accessible_get_role(a, &error);
        if (!ok(error))
            return ATSPI_ROLE_INVALID;
        m_answered = true; // a role's time-out is an error, unlike a name's
        return r;
    }

    QString name(AtspiAccessible *a)
    {
        if (!arm())
            return {};
        GError *error = nullptr;
        gchar *n = atspi_accessible_get_name(a, &error);
        const QString text = QString::fromUtf8(n ? n : "").trimmed();
        g_free(n);
        return ok(error) ? text : QString();
    }

    bool isActive(AtspiAccessible *a)
    {
        if (!arm())
            return false;
        AtspiStateSet *set = atspi_accessible_get_state_set(a);
        if (set == nullptr)
            return false;
        if (atspi_state_set_contains(set, ATSPI_STATE_DEFUNCT))
            m_result.failed = true; // how libatspi reports a time-out (or a vanished window) here
        const bool active = atspi_state_set_contains(set, ATSPI_STATE_ACTIVE);
        g_object_unref(set);
        return active && !spent();
    }

    // Up to `max` children, each owned by the caller.
    std::vector<AtspiAccessible *> children(AtspiAccessible *a, int max)
    {
        std::vector<AtspiAccessible *> list;
        if (!arm())
            return list;
        GError *error = nullptr;
        const gint count = atspi_accessible_get_child_count(a, &error);
        if (!ok(error) || count < 0) {
            m_result.failed = true; // -1 is how libatspi reports a time-out here
            return list;
        }
        m_answered = true;
        for (gint i = 0; i < count && i < max && arm(); ++i) {
            AtspiAccessible *child = atspi_accessible_get_child_at_index(a, i, &error);
            if (!ok(error) || child == nullptr) {
                if (child)
                    g_object_unref(child);
                break;
            }
            list.push_back(child);
        }
        return list;
    }

    // "DocURL" (Gecko, WebKit) or "URI" of the element's Document interface; none without one.
    std::optional<QString> documentUrl(AtspiAccessible *a)
    {
        if (!arm())
            return std::nullopt;
        AtspiDocument *document = atspi_accessible_get_document_iface(a);
        if (document == nullptr || spent()) {
            if (document)
                g_object_unref(document);
            return std::nullopt;
        }
        std::optional<QString> url;
        for (const char *key : {"DocURL", "URI"}) {
            if (!arm())
                break;
            GError *error = nullptr;
            gchar *value = atspi_document_get_document_attribute_value(document, const_cast<gchar *>(key), &error);
            const QString text = QString::fromUtf8(value ? value : "").trimmed();
            g_free(value);
            if (error != nullptr) {
                g_error_free(error); // an unknown attribute is an error too: try the next name
                if (spent())
                    break;
                continue;
            }
            if (!text.isEmpty()) {
                url = text;
                break;
            }
        }
        g_object_unref(document);
        return url;
    }

    const AtspiWindowLimits &limits() const { return m_limits; }

private:
    const AtspiWindowLimits &m_limits;
    AtspiWindowsResult &m_result;
    QElapsedTimer m_timer;
    bool m_answered = false; // a request whose time-out shows was answered in time
};

void unrefAll(std::vector<AtspiAccessible *> &list)
{
    for (AtspiAccessible *a : list)
        g_object_unref(a);
    list.clear();
}

bool isWindowRole(AtspiRole role)
{
    return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG
        || role == ATSPI_ROLE_ALERT || role == ATSPI_ROLE_FILE_CHOOSER;
}

// Parts of a window that never hold a document: their (often many) children are not searched.
bool holdsNoDocument(AtspiRole role)
{
    switch (role) {
    case ATSPI_ROLE_MENU_BAR:
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
    case ATSPI_ROLE_TOOL_BAR:
    case ATSPI_ROLE_STATUS_BAR:
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_TERMINAL:
    case ATSPI_ROLE_SCROLL_BAR:
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_COMBO_BOX:
    case ATSPI_ROLE_LABEL:
        return true;
    default:
        return false;
    }
}

// Breadth first from the window itself: the outermost document wins (a page before its frames).
std::optional<QString> findDocument(Read &read, AtspiAccessible *window)
{
    std::deque<std::pair<AtspiAccessible *, int>> queue;
    queue.emplace_back(static_cast<AtspiAccessible *>(g_object_ref(window)), 0);
    std::optional<QString> found;
    int visited = 0;
    while (!queue.empty() && !found && !read.spent() && visited < read.limits().maxNodesPerWindow) {
        auto [a, depth] = queue.front();
        queue.pop_front();
        ++visited;
        const AtspiRole role = depth == 0 ? ATSPI_ROLE_FRAME : read.role(a);
        found = read.documentUrl(a);
        if (!found && depth < read.limits().maxDepth && !holdsNoDocument(role)) {
            for (AtspiAccessible *child : read.children(a, read.limits().maxNodesPerWindow))
                queue.emplace_back(child, depth + 1);
        }
        g_object_unref(a);
    }
    for (auto &entry : queue)
        g_object_unref(entry.first);
    return found;
}

AtspiWindowSnapshot readWindow(Read &read, AtspiAccessible *window, AtspiRole role)
{
    AtspiWindowSnapshot snapshot;
    snapshot.dialog = role == ATSPI_ROLE_DIALOG || role == ATSPI_ROLE_ALERT || role == ATSPI_ROLE_FILE_CHOOSER;
    snapshot.title = read.name(window);
    snapshot.active = read.isActive(window);
    if (std::optional<QString> url = findDocument(read, window)) {
        snapshot.document = std::move(url);
        snapshot.origin = DocumentOrigin::DocumentInterface;
    } else if (std::optional<QString> path = windowtitle::documentPath(snapshot.title)) {
        snapshot.document = std::move(path);
        snapshot.origin = DocumentOrigin::WindowTitle;
    }
    return snapshot;
}

// The same cache choice as the menu walk: GTK sends its whole tree in one reply, Qt is read uncached.
// (Uncached GTK is no option: an event arriving during a call makes libatspi ask the bus for a state set
// from inside its own dispatch, which deadlocks.)
void prepareCache(Read &read, AtspiAccessible *application)
{
    if (!read.arm())
        return;
    gchar *toolkit = atspi_accessible_get_toolkit_name(application, nullptr);
    const bool qt = toolkit != nullptr && g_str_has_prefix(toolkit, "Qt");
    g_free(toolkit);
    atspi_accessible_clear_cache(application); // titles change as documents do
    atspi_accessible_set_cache_mask(application, qt ? ATSPI_CACHE_NONE : ATSPI_CACHE_DEFAULT);
}

} // namespace

AtspiWindowsResult readWindows(AtspiAccessible *application, const AtspiWindowLimits &limits, int restoreTimeoutMs)
{
    AtspiWindowsResult result;
    if (application == nullptr)
        return result;
    QElapsedTimer timer;
    timer.start();
    Read read(limits, result);
    prepareCache(read, application);
    std::vector<AtspiAccessible *> children = read.children(application, limits.maxWindows);
    for (AtspiAccessible *child : children) {
        const AtspiRole role = read.role(child);
        if (read.spent())
            break;
        if (isWindowRole(role))
            result.windows.push_back(readWindow(read, child, role));
    }
    unrefAll(children);
    atspi_set_timeout(restoreTimeoutMs, 0);
    result.milliseconds = double(timer.nsecsElapsed()) / 1e6;
    return result;
}

int mainWindowIndex(const std::vector<AtspiWindowSnapshot> &windows)
{
    const auto find = [&](auto predicate) {
        for (size_t i = 0; i < windows.size(); ++i)
            if (predicate(windows[i]))
                return int(i);
        return -1;
    };
    for (auto predicate : {+[](const AtspiWindowSnapshot &w) { return w.active && !w.dialog; },
                           +[](const AtspiWindowSnapshot &w) { return w.active; },
                           +[](const AtspiWindowSnapshot &w) { return !w.dialog; },
                           +[](const AtspiWindowSnapshot &) { return true; }}) {
        const int index = find(predicate);
        if (index >= 0)
            return index;
    }
    return -1;
}

} // namespace tavolin
