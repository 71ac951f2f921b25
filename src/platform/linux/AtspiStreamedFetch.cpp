#include "platform/linux/AtspiStreamedFetch.h"

#include "platform/linux/AtspiItemsTree.h"

#include <QElapsedTimer>

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <algorithm>

namespace tavolin {

namespace {

constexpr const char *kAccessible = "org.a11y.atspi.Accessible";
constexpr const char *kAction = "org.a11y.atspi.Action";
constexpr const char *kProperties = "org.freedesktop.DBus.Properties";
// Actions read per object: no toolkit offers more than a few; a count beyond this is not believed.
constexpr int kMaxActions = 16;
// Objects looked up at most: the walk reads no more than kMaxRows nodes (separators and popups count).
constexpr int kMaxObjects = 2 * menulimits::kMaxRows;

bool isMenu(int role)
{
    return role == ATSPI_ROLE_MENU || role == ATSPI_ROLE_POPUP_MENU;
}

DBusMessage *methodCall(const AtspiFetchedObject &object, const char *interface, const char *method)
{
    return dbus_message_new_method_call(object.busName.constData(), object.path.constData(), interface, method);
}

DBusMessage *propertyCall(const AtspiFetchedObject &object, const char *interface, const char *property)
{
    DBusMessage *call = methodCall(object, kProperties, "Get");
    if (call != nullptr
        && !dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID)) {
        dbus_message_unref(call);
        return nullptr;
    }
    return call;
}

DBusMessage *actionCall(const AtspiFetchedObject &object, const char *method, int index)
{
    DBusMessage *call = methodCall(object, kAction, method);
    const dbus_int32_t i = index;
    if (call != nullptr && !dbus_message_append_args(call, DBUS_TYPE_INT32, &i, DBUS_TYPE_INVALID)) {
        dbus_message_unref(call);
        return nullptr;
    }
    return call;
}

// The first argument of `reply` (inside its variant when it has one: a property's value), if of `type`.
bool firstArgument(DBusMessage *reply, int type, DBusMessageIter &value)
{
    DBusMessageIter top;
    if (!dbus_message_iter_init(reply, &top))
        return false;
    if (dbus_message_iter_get_arg_type(&top) == DBUS_TYPE_VARIANT) {
        dbus_message_iter_recurse(&top, &value);
    } else {
        value = top;
    }
    return dbus_message_iter_get_arg_type(&value) == type;
}

bool readString(DBusMessage *reply, QString &out)
{
    DBusMessageIter value;
    if (!firstArgument(reply, DBUS_TYPE_STRING, value))
        return false;
    const char *text = nullptr;
    dbus_message_iter_get_basic(&value, &text);
    out = QString::fromUtf8(text != nullptr ? text : "");
    return true;
}

template<typename T>
bool readBasic(DBusMessage *reply, int type, T &out)
{
    DBusMessageIter value;
    if (!firstArgument(reply, type, value))
        return false;
    dbus_message_iter_get_basic(&value, &out);
    return true;
}

} // namespace

AtspiStreamedFetch::AtspiStreamedFetch(DBusConnection *bus, AtspiActionNames names, int timeoutMs,
                                       AtspiCallFigures &figures)
    : m_queue(bus, timeoutMs), m_names(names), m_figures(figures)
{
}

int AtspiStreamedFetch::add(const QByteArray &busName, const QByteArray &path, int depth, const QByteArray &order)
{
    const QByteArray identity = busName + ':' + path;
    auto found = m_byIdentity.constFind(identity);
    if (found == m_byIdentity.constEnd()) {
        if (int(m_objects.size()) >= kMaxObjects)
            return AtspiFetchedObject::kNotLookedUp; // the walk reports it as cut at the row limit
        AtspiFetchedObject object;
        object.busName = busName;
        object.path = path;
        object.depth = depth;
        object.order = order;
        m_objects.push_back(std::move(object));
        found = m_byIdentity.insert(identity, int(m_objects.size()) - 1);
        if (depth <= menulimits::kMaxDepth)
            ask(*found);
        return *found;
    }
    // Found again nearer the bar (a menu listed twice): what lay too deep before may be read now.
    const int index = *found;
    AtspiFetchedObject &object = m_objects[size_t(index)];
    if (depth < object.depth) {
        object.depth = depth;
        if (!object.asked && depth <= menulimits::kMaxDepth)
            ask(index);
        else if (object.descended)
            descend(index);
    }
    return index;
}

void AtspiStreamedFetch::addBar(const QByteArray &busName, const QByteArray &path)
{
    AtspiFetchedObject bar;
    bar.busName = busName;
    bar.path = path;
    bar.asked = true;
    bar.roleKnown = true;
    bar.role = ATSPI_ROLE_MENU_BAR;
    m_objects.push_back(std::move(bar));
    m_bar = int(m_objects.size()) - 1;
    m_byIdentity.insert(busName + ':' + path, m_bar);
    askRest(m_bar);
}

bool AtspiStreamedFetch::subtreeComplete(int index) const
{
    const AtspiFetchedObject &top = m_objects[size_t(index)];
    // Calls go out in reading order: while one up to this object's is out, something below it may be too.
    if (m_queue.hasCallUpTo(top.order))
        return false;
    std::vector<bool> seen(m_objects.size());
    std::vector<int> stack{index};
    while (!stack.empty()) {
        const int at = stack.back();
        stack.pop_back();
        if (at == AtspiFetchedObject::kNullChild)
            continue;
        if (at == AtspiFetchedObject::kNotLookedUp)
            return false;
        if (seen[size_t(at)])
            continue;
        seen[size_t(at)] = true;
        const AtspiFetchedObject &object = m_objects[size_t(at)];
        if (!object.asked) {
            if (object.depth <= menulimits::kMaxDepth)
                return false;
            continue;
        }
        if (!object.complete())
            return false;
        stack.insert(stack.end(), object.children.begin(), object.children.end());
    }
    return true;
}

AtspiCallQueue::Outcome AtspiStreamedFetch::run(std::chrono::steady_clock::time_point deadline,
                                                const std::function<void()> &afterAnswers)
{
    QElapsedTimer timer;
    timer.start();
    const AtspiCallQueue::Outcome outcome = m_queue.run(deadline, afterAnswers);
    m_figures.calls[int(AtspiCall::Streamed)] += m_queue.callsSent();
    m_figures.milliseconds[int(AtspiCall::Streamed)] += double(timer.nsecsElapsed()) / 1e6;
    return outcome;
}

void AtspiStreamedFetch::send(int index, AtspiCall kind, DBusMessage *call, OnReturn onReturn, OnReturn onError)
{
    ++m_objects[size_t(index)].waiting;
    ++m_figures.calls[int(kind)];
    // In the walk's reading order: an object's calls before those of the objects below it and after it. But
    // the bar's own items go first, all of them: the bar can be handed out once they and the first menu are
    // in (AtspiWalkOptions::onBar), without waiting for every menu before the last item.
    const QByteArray &order = m_objects[size_t(index)].order;
    const QByteArray key = order.size() <= 4 ? QByteArray() : order;
    m_queue.call(call, [this, index, onReturn = std::move(onReturn), onError = std::move(onError)](DBusMessage *reply) {
        AtspiFetchedObject &object = m_objects[size_t(index)];
        --object.waiting;
        if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR) {
            if (isNoAnswer(reply))
                m_queue.stop(); // the application left, or the bus gave up on it
            else if (!onError || !onError(reply))
                object.gone = true;
            return;
        }
        if (!object.gone && !onReturn(reply))
            object.gone = true;
    }, key);
}

void AtspiStreamedFetch::ask(int index)
{
    AtspiFetchedObject &object = m_objects[size_t(index)];
    object.asked = true;
    send(index, AtspiCall::Role, methodCall(object, kAccessible, "GetRole"), [this, index](DBusMessage *reply) {
        AtspiFetchedObject &o = m_objects[size_t(index)];
        dbus_uint32_t role = 0;
        if (!readBasic(reply, DBUS_TYPE_UINT32, role))
            return false;
        o.role = int(role);
        o.roleKnown = true;
        askRest(index);
        return true;
    });
}

// What the walk reads of an object of its role: nothing more of a separator; name (not the bar's) and states
// of every other; the interfaces (for actions) of items and GTK's menus; the children of menus, the bar and
// items (of Qt's, only those whose actions say they may hold a menu).
void AtspiStreamedFetch::askRest(int index)
{
    const AtspiFetchedObject &object = m_objects[size_t(index)];
    const int role = object.role;
    if (role == ATSPI_ROLE_SEPARATOR)
        return;
    if (index != m_bar) {
        send(index, AtspiCall::Name, propertyCall(object, kAccessible, "Name"), [this, index](DBusMessage *reply) {
            AtspiFetchedObject &o = m_objects[size_t(index)];
            if (!readString(reply, o.name))
                return false;
            o.name = o.name.trimmed();
            return true;
        });
    }
    send(index, AtspiCall::States, methodCall(object, kAccessible, "GetState"), [this, index](DBusMessage *reply) {
        DBusMessageIter value;
        if (!firstArgument(reply, DBUS_TYPE_ARRAY, value))
            return false;
        DBusMessageIter words;
        dbus_message_iter_recurse(&value, &words);
        uint64_t states = 0;
        for (int shift = 0; shift < 64 && dbus_message_iter_get_arg_type(&words) == DBUS_TYPE_UINT32; shift += 32) {
            dbus_uint32_t word = 0;
            dbus_message_iter_get_basic(&words, &word);
            states |= uint64_t(word) << shift;
            dbus_message_iter_next(&words);
        }
        // An object its application calls defunct is as good as gone.
        if (states & (uint64_t(1) << ATSPI_STATE_DEFUNCT))
            return false;
        m_objects[size_t(index)].states = states;
        return true;
    });
    const bool item = isAtspiMenuItemRole(role);
    if ((item || role == ATSPI_ROLE_MENU) && m_names == AtspiActionNames::GetActions)
        askActionList(index);
    else if (item || role == ATSPI_ROLE_MENU)
        askInterfaces(index);
    if (!item && !isMenu(role) && index != m_bar)
        return;
    // Qt's items say by their actions whether they hold a menu: askActionList asks for the children then.
    if (item && m_names == AtspiActionNames::GetActions)
        return;
    askChildren(index);
}

void AtspiStreamedFetch::askChildren(int index)
{
    const AtspiFetchedObject &object = m_objects[size_t(index)];
    send(index, AtspiCall::Children, methodCall(object, kAccessible, "GetChildren"), [this, index](DBusMessage *reply) {
        const auto refs = atspiObjectRefs(reply);
        if (!refs)
            return false;
        AtspiFetchedObject &o = m_objects[size_t(index)];
        for (const auto &[bus, path] : *refs) {
            // libatspi hands out no object for the null path: a child destroyed while its menu was listed. A
            // bus name that is none would make libdbus abort when a call is addressed to it.
            const bool null = path.isEmpty() || path == ATSPI_DBUS_PATH_NULL || bus.isEmpty()
                || !dbus_validate_bus_name(bus.constData(), nullptr);
            o.children.push_back(null ? AtspiFetchedObject::kNullChild : AtspiFetchedObject::kNotLookedUp);
            o.childRefs.emplace_back(bus, path);
        }
        o.childrenKnown = true;
        descend(index);
        return true;
    });
}

// Whether the object offers actions (org.a11y.atspi.Action), and if so what they are.
void AtspiStreamedFetch::askInterfaces(int index)
{
    const AtspiFetchedObject &object = m_objects[size_t(index)];
    send(index, AtspiCall::ActionCount, methodCall(object, kAccessible, "GetInterfaces"), [this, index](DBusMessage *reply) {
        DBusMessageIter value;
        if (!firstArgument(reply, DBUS_TYPE_ARRAY, value))
            return false;
        DBusMessageIter names;
        dbus_message_iter_recurse(&value, &names);
        for (; dbus_message_iter_get_arg_type(&names) == DBUS_TYPE_STRING; dbus_message_iter_next(&names)) {
            const char *name = nullptr;
            dbus_message_iter_get_basic(&names, &name);
            if (name != nullptr && qstrcmp(name, kAction) == 0)
                m_objects[size_t(index)].hasAction = true;
        }
        if (m_objects[size_t(index)].hasAction)
            askActions(index);
        return true;
    });
}

// Looks the children up, as many menus below the bar as the walk reads them: a menu's or an item's one
// level further down, a popup menu's (Qt: the menu an item holds) at the item's level.
void AtspiStreamedFetch::descend(int index)
{
    AtspiFetchedObject &object = m_objects[size_t(index)];
    object.descended = true;
    const int depth = index == m_bar ? 0 : object.role == ATSPI_ROLE_POPUP_MENU ? object.depth : object.depth + 1;
    for (size_t i = 0; i < object.children.size(); ++i) {
        if (object.children[i] == AtspiFetchedObject::kNullChild)
            continue;
        const auto &[bus, path] = object.childRefs[i];
        QByteArray order = object.order;
        for (int shift = 24; shift >= 0; shift -= 8)
            order += char((i >> shift) & 0xff); // big-endian: bytewise order is the children's order
        const int child = add(bus, path, depth, order);
        m_objects[size_t(index)].children[i] = child;
    }
}

void AtspiStreamedFetch::askActions(int index)
{
    const AtspiFetchedObject &object = m_objects[size_t(index)];
    send(index, AtspiCall::ActionCount, propertyCall(object, kAction, "NActions"), [this, index](DBusMessage *reply) {
        dbus_int32_t count = 0;
        if (!readBasic(reply, DBUS_TYPE_INT32, count))
            return false;
        AtspiFetchedObject &o = m_objects[size_t(index)];
        o.actionCount = count;
        const int asked = std::clamp(count, 0, kMaxActions);
        o.actionNames.resize(size_t(asked));
        for (int i = 0; i < asked; ++i) {
            // GetName gives the untranslated name ("click"); GetActions would give "Klicken".
            send(index, AtspiCall::ActionName, actionCall(o, "GetName", i), [this, index, i](DBusMessage *r) {
                QString &name = m_objects[size_t(index)].actionNames[size_t(i)];
                if (!readString(r, name))
                    return false;
                name = name.toLower();
                return true;
            });
        }
        if (isAtspiMenuItemRole(o.role))
            askBinding(index);
        return true;
    });
}

// Qt's menu items offer "press" when they perform a command and "showmenu" when they hold a menu (their one
// child); anything else is asked for its children, as other toolkits' items are.
bool AtspiStreamedFetch::mayHoldMenu(const AtspiFetchedObject &object)
{
    if (object.actionCount != int(object.actionNames.size()))
        return true;
    bool press = false;
    for (const QString &name : object.actionNames) {
        if (name == QLatin1String("press"))
            press = true;
        else
            return true;
    }
    return !press;
}

// Qt: every action's untranslated name in one call. An object with no actions answers an empty list, as
// one without the Action interface (GetInterfaces) would be read.
void AtspiStreamedFetch::askActionList(int index)
{
    const AtspiFetchedObject &object = m_objects[size_t(index)];
    send(index, AtspiCall::ActionName, methodCall(object, kAction, "GetActions"), [this, index](DBusMessage *reply) {
        if (!dbus_message_has_signature(reply, "a(sss)"))
            return false;
        DBusMessageIter top;
        DBusMessageIter array;
        dbus_message_iter_init(reply, &top);
        dbus_message_iter_recurse(&top, &array);
        AtspiFetchedObject &o = m_objects[size_t(index)];
        for (; dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&array)) {
            DBusMessageIter entry;
            dbus_message_iter_recurse(&array, &entry);
            const char *name = nullptr;
            dbus_message_iter_get_basic(&entry, &name);
            if (o.actionCount < kMaxActions)
                o.actionNames.push_back(QString::fromUtf8(name != nullptr ? name : "").toLower());
            ++o.actionCount;
        }
        o.hasAction = o.actionCount > 0;
        if (isAtspiMenuItemRole(o.role)) {
            askBinding(index);
            if (mayHoldMenu(o))
                askChildren(index);
            else
                o.childrenKnown = true; // none: a leaf's list would come back empty
        }
        return true;
    }, [this, index](DBusMessage *error) {
        // A bridge that says it is Qt but lacks the call: read the actions one by one.
        if (!dbus_message_is_error(error, DBUS_ERROR_UNKNOWN_METHOD))
            return false;
        askInterfaces(index);
        if (isAtspiMenuItemRole(m_objects[size_t(index)].role))
            askChildren(index);
        return true;
    });
}

// The key bindings of a menu item's actions in turn, until one is not empty.
void AtspiStreamedFetch::askBinding(int index)
{
    AtspiFetchedObject &object = m_objects[size_t(index)];
    if (!object.binding.isEmpty() || object.bindingsAsked >= int(object.actionNames.size()))
        return;
    const int i = object.bindingsAsked++;
    send(index, AtspiCall::KeyBinding, actionCall(object, "GetKeyBinding", i), [this, index](DBusMessage *reply) {
        if (!readString(reply, m_objects[size_t(index)].binding))
            return false;
        askBinding(index);
        return true;
    });
}

} // namespace tavolin
