#include "PanelProbe.h"

#include <atspi/atspi.h>

#include <deque>
#include <functional>
#include <memory>

namespace tavolin::test {
namespace {

constexpr int kTimeoutMs = 900;
constexpr int kMaxNodes = 400; // the panel's tree is small; this only bounds a runaway walk
constexpr int kMaxWindowNodes = 3000; // a preferences window's tree

struct Unref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Ref = std::unique_ptr<AtspiAccessible, Unref>;

void ensureInit()
{
    static const bool initialised = [] {
        atspi_init();
        // No start-up grace: a fresh application that does not answer must not hold a read for 15 s.
        atspi_set_timeout(kTimeoutMs, 0);
        return true;
    }();
    (void)initialised;
}

QString takeString(gchar *text)
{
    const QString result = QString::fromUtf8(text ? text : "");
    g_free(text);
    return result;
}

// A string property of `node` read with `get`; "" when the read failed.
QString readString(AtspiAccessible *node, gchar *(*get)(AtspiAccessible *, GError **))
{
    GError *error = nullptr;
    const QString text = takeString(get(node, &error));
    g_clear_error(&error);
    return text;
}

QString nameOf(AtspiAccessible *node)
{
    return readString(node, atspi_accessible_get_name).trimmed();
}

AtspiRole roleOf(AtspiAccessible *node)
{
    GError *error = nullptr;
    const AtspiRole role = atspi_accessible_get_role(node, &error);
    if (!error)
        return role;
    g_clear_error(&error);
    return ATSPI_ROLE_INVALID;
}

int childCount(AtspiAccessible *node)
{
    GError *error = nullptr;
    const int count = atspi_accessible_get_child_count(node, &error);
    g_clear_error(&error);
    return count < 0 ? 0 : count;
}

Ref childAt(AtspiAccessible *node, int index)
{
    GError *error = nullptr;
    Ref child(atspi_accessible_get_child_at_index(node, index, &error));
    g_clear_error(&error);
    return child;
}

bool hasState(AtspiAccessible *node, AtspiStateType state)
{
    AtspiStateSet *states = atspi_accessible_get_state_set(node);
    if (!states)
        return false;
    const bool has = atspi_state_set_contains(states, state);
    g_object_unref(states);
    return has;
}

QString descriptionOf(AtspiAccessible *node)
{
    return readString(node, atspi_accessible_get_description);
}

QString textOf(AtspiAccessible *node)
{
    AtspiText *text = atspi_accessible_get_text_iface(node);
    if (!text)
        return {};
    GError *error = nullptr;
    const QString content = takeString(atspi_text_get_text(text, 0, -1, &error));
    g_clear_error(&error);
    g_object_unref(text);
    return content;
}

// The application with process id `pid` on the desktop, read afresh.
Ref application(qint64 pid)
{
    ensureInit();
    Ref desktop(atspi_get_desktop(0));
    if (!desktop)
        return nullptr;
    atspi_accessible_clear_cache(desktop.get());
    const int count = childCount(desktop.get());
    for (int i = 0; i < count; ++i) {
        Ref app = childAt(desktop.get(), i);
        if (!app)
            continue;
        GError *error = nullptr;
        const guint appPid = atspi_accessible_get_process_id(app.get(), &error);
        g_clear_error(&error);
        if (qint64(appPid) == pid)
            return app;
    }
    return nullptr;
}

bool isButton(AtspiRole role)
{
    return role == ATSPI_ROLE_PUSH_BUTTON || role == ATSPI_ROLE_TOGGLE_BUTTON || role == ATSPI_ROLE_CHECK_BOX
        || role == ATSPI_ROLE_PAGE_TAB;
}

std::optional<QPoint> centreOf(AtspiAccessible *node)
{
    AtspiComponent *component = atspi_accessible_get_component_iface(node);
    if (!component)
        return std::nullopt;
    GError *error = nullptr;
    AtspiRect *rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
    g_clear_error(&error);
    g_object_unref(component);
    if (!rect)
        return std::nullopt;
    const std::optional<QPoint> centre =
        rect->width > 0 && rect->height > 0 ? std::optional(QPoint(rect->x + rect->width / 2, rect->y + rect->height / 2))
                                            : std::nullopt;
    g_free(rect);
    return centre;
}

// Calls `visit` for every showing element of `pid`, breadth first, until it returns true; that element.
// What is not showing is skipped with everything inside it.
Ref findShowing(qint64 pid, const std::function<bool(AtspiAccessible *)> &visit)
{
    Ref app = application(pid);
    if (!app)
        return nullptr;
    std::deque<Ref> queue;
    queue.push_back(std::move(app));
    for (int visited = 0; !queue.empty() && visited < kMaxWindowNodes; ++visited) {
        Ref node = std::move(queue.front());
        queue.pop_front();
        if (visited > 0) {
            if (!hasState(node.get(), ATSPI_STATE_SHOWING))
                continue;
            if (visit(node.get()))
                return node;
        }
        const int count = childCount(node.get());
        for (int i = 0; i < count; ++i) {
            if (Ref child = childAt(node.get(), i))
                queue.push_back(std::move(child));
        }
    }
    return nullptr;
}

// The first showing button of `pid` named `name` (a checkable one or a page tab too).
Ref findButton(qint64 pid, const QString &name)
{
    return findShowing(pid, [&](AtspiAccessible *node) { return isButton(roleOf(node)) && nameOf(node) == name; });
}

} // namespace

std::optional<PanelContent> PanelProbe::panel(qint64 pid)
{
    Ref app = application(pid);
    if (!app)
        return std::nullopt;
    // Breadth first: the input row's text field and the list sit a few levels under the window.
    std::deque<Ref> queue;
    queue.push_back(std::move(app));
    std::optional<QString> input;
    QString inputHint;
    QString inputName;
    Ref list;
    for (int visited = 0; !queue.empty() && visited < kMaxNodes && !(input && list); ++visited) {
        Ref node = std::move(queue.front());
        queue.pop_front();
        const AtspiRole role = roleOf(node.get());
        if (role == ATSPI_ROLE_LIST && !list) {
            list = std::move(node);
            continue;
        }
        if ((role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY) && !input) {
            input = textOf(node.get());
            inputHint = descriptionOf(node.get()).trimmed();
            inputName = nameOf(node.get());
        }
        const int count = childCount(node.get());
        for (int i = 0; i < count; ++i) {
            if (Ref child = childAt(node.get(), i))
                queue.push_back(std::move(child));
        }
    }
    if (!list)
        return std::nullopt;
    PanelContent content;
    content.input = input.value_or(QString());
    content.inputHint = inputHint;
    content.inputName = inputName;
    content.listName = nameOf(list.get());
    const int rows = std::min(childCount(list.get()), PanelContent::kMaxRows);
    for (int i = 0; i < rows; ++i) {
        Ref row = childAt(list.get(), i);
        if (!row)
            break;
        if (content.selected < 0 && hasState(row.get(), ATSPI_STATE_SELECTED))
            content.selected = i;
        content.rows.append(nameOf(row.get()));
        // A group comes on a line of its own before the rest.
        const QString description = descriptionOf(row.get());
        const qsizetype lineEnd = description.indexOf(QLatin1Char('\n'));
        content.groups.append(lineEnd < 0 ? QString() : description.left(lineEnd).trimmed());
        content.details.append(description.mid(lineEnd + 1).trimmed());
    }
    return content;
}

int PanelProbe::frameCount(qint64 pid)
{
    Ref app = application(pid);
    if (!app)
        return -1;
    int frames = 0;
    const int count = childCount(app.get());
    for (int i = 0; i < count; ++i) {
        if (Ref child = childAt(app.get(), i); child && roleOf(child.get()) == ATSPI_ROLE_FRAME)
            ++frames;
    }
    return frames;
}

QStringList PanelProbe::frameTitles(qint64 pid)
{
    Ref app = application(pid);
    if (!app)
        return {};
    QStringList titles;
    const int count = childCount(app.get());
    for (int i = 0; i < count; ++i) {
        if (Ref child = childAt(app.get(), i); child && roleOf(child.get()) == ATSPI_ROLE_FRAME)
            titles.append(nameOf(child.get()));
    }
    return titles;
}

std::optional<QPoint> PanelProbe::buttonCentre(qint64 pid, const QString &name)
{
    const Ref button = findButton(pid, name);
    return button ? centreOf(button.get()) : std::nullopt;
}

bool PanelProbe::pressButton(qint64 pid, const QString &name)
{
    const Ref button = findButton(pid, name);
    AtspiAction *action = button ? atspi_accessible_get_action_iface(button.get()) : nullptr;
    if (!action)
        return false;
    GError *error = nullptr;
    const bool done = atspi_action_do_action(action, 0, &error);
    g_clear_error(&error);
    g_object_unref(action);
    return done;
}

QStringList PanelProbe::shownNames(qint64 pid)
{
    QStringList names;
    findShowing(pid, [&](AtspiAccessible *node) {
        if (QString name = nameOf(node); !name.isEmpty())
            names.append(name);
        return false;
    });
    return names;
}

QStringList PanelProbe::shownRolesAndNames(qint64 pid)
{
    QStringList named;
    findShowing(pid, [&](AtspiAccessible *node) {
        if (QString name = nameOf(node); !name.isEmpty())
            named.append(readString(node, atspi_accessible_get_role_name) + QStringLiteral(": ") + name);
        return false;
    });
    return named;
}

namespace {

// As childAt, but failing (null, `failed` set) when the application did not answer.
Ref checkedChildAt(AtspiAccessible *node, int index, bool &failed)
{
    GError *error = nullptr;
    Ref child(atspi_accessible_get_child_at_index(node, index, &error));
    if (error) {
        failed = true;
        g_clear_error(&error);
    }
    return child;
}

int checkedChildCount(AtspiAccessible *node, bool &failed)
{
    GError *error = nullptr;
    const int count = atspi_accessible_get_child_count(node, &error);
    if (error || count < 0)
        failed = true;
    g_clear_error(&error);
    return count < 0 ? 0 : count;
}

QString checkedName(AtspiAccessible *node, bool &failed)
{
    GError *error = nullptr;
    gchar *name = atspi_accessible_get_name(node, &error);
    if (error)
        failed = true;
    g_clear_error(&error);
    return takeString(name).trimmed();
}

} // namespace

std::optional<QStringList> PanelProbe::windowTitles(qint64 pid)
{
    Ref app = application(pid);
    if (!app)
        return std::nullopt;
    bool failed = false;
    QStringList titles;
    const int count = checkedChildCount(app.get(), failed);
    for (int i = 0; i < count && !failed; ++i) {
        if (Ref child = checkedChildAt(app.get(), i, failed))
            titles.append(checkedName(child.get(), failed));
    }
    return failed ? std::nullopt : std::optional<QStringList>(titles);
}

std::optional<QStringList> PanelProbe::fieldTexts(qint64 pid, const QString &title)
{
    Ref app = application(pid);
    if (!app)
        return std::nullopt;
    bool failed = false;
    Ref window;
    const int count = checkedChildCount(app.get(), failed);
    for (int i = 0; i < count && !failed && !window; ++i) {
        Ref child = checkedChildAt(app.get(), i, failed);
        if (child && checkedName(child.get(), failed) == title)
            window = std::move(child);
    }
    if (!window || failed)
        return std::nullopt;
    QStringList texts;
    std::deque<Ref> queue;
    queue.push_back(std::move(window));
    for (int visited = 0; !queue.empty() && visited < kMaxNodes && !failed; ++visited) {
        Ref node = std::move(queue.front());
        queue.pop_front();
        const AtspiRole role = roleOf(node.get());
        if (role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY) {
            texts.append(textOf(node.get()));
            continue;
        }
        if (role == ATSPI_ROLE_TABLE || role == ATSPI_ROLE_TREE_TABLE || role == ATSPI_ROLE_LIST)
            continue;
        const int children = checkedChildCount(node.get(), failed);
        for (int i = 0; i < children && !failed; ++i) {
            if (Ref child = checkedChildAt(node.get(), i, failed))
                queue.push_back(std::move(child));
        }
    }
    return failed ? std::nullopt : std::optional<QStringList>(texts);
}

} // namespace tavolin::test
