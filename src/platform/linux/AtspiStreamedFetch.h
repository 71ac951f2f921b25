#pragma once

#include "platform/linux/AtspiCallQueue.h"
#include "platform/linux/AtspiMenuWalker.h"
#include "platform/linux/AtspiStreamedWalk.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace tavolin {

// What the streamed walk learnt of one accessibility object.
struct AtspiFetchedObject
{
    static constexpr int kNullChild = -1;   // a null reference: a child destroyed while its menu was listed
    static constexpr int kNotLookedUp = -2; // past the limit of objects looked up

    QByteArray busName;
    QByteArray path;
    int depth = 0;          // the fewest menus between it and the bar it was found at
    QByteArray order;       // the child indexes from the bar down to where it was first found, 4 bytes each
    bool asked = false;     // its calls were sent (not when it lies too deep, or past the object limit)
    int waiting = 0;        // calls sent and not answered yet
    bool gone = false;      // a call about it answered with an error: destroyed meanwhile
    bool roleKnown = false;
    int role = 0;           // AtspiRole
    QString name;           // trimmed
    uint64_t states = 0;    // bit N: AtspiStateType N
    bool hasAction = false; // offers org.a11y.atspi.Action
    bool childrenKnown = false;
    std::vector<int> children; // objects by index, or kNullChild, kNotLookedUp
    std::vector<std::pair<QByteArray, QByteArray>> childRefs; // bus name and path of each
    bool descended = false;    // its children were looked up
    int actionCount = 0;
    std::vector<QString> actionNames; // GetName of each action, lowercased
    QString binding;                  // the first non-empty key binding (menu items only)
    int bindingsAsked = 0;

    // Everything it was asked has come back.
    bool complete() const { return asked && waiting == 0; }
};

// Fetches every object of a menu tree below its bar: for each object its role first, then what the walk
// reads of an object of that role (name, states, interfaces, children; actions' count, names and key
// bindings), each call sent as soon as the answer it depends on is in, through one AtspiCallQueue. Objects
// are fetched once each however often menus list them, and not below menulimits::kMaxDepth.
// Threads: the libatspi thread.
class AtspiStreamedFetch
{
public:
    AtspiStreamedFetch(DBusConnection *bus, AtspiActionNames names, int timeoutMs, AtspiCallFigures &figures);

    // The object (found `depth` menus below the bar), asked for if it was not yet.
    int add(const QByteArray &busName, const QByteArray &path, int depth, const QByteArray &order);
    // Descends from the bar: its children are the menu bar's items.
    void addBar(const QByteArray &busName, const QByteArray &path);

    // Runs the calls until all are answered, the application stops answering or `deadline` passes;
    // `afterAnswers` as AtspiCallQueue::run.
    AtspiCallQueue::Outcome run(std::chrono::steady_clock::time_point deadline,
                                const std::function<void()> &afterAnswers = {});

    // Whether everything below the object at `index` that the walk reads is in: every object reached
    // through children lists (each once) complete, but those too deep to be asked. False where a child lies
    // past the limit of objects looked up: how the walk ends there depends on how the fetch ends.
    bool subtreeComplete(int index) const;

    const AtspiFetchedObject &at(int index) const { return m_objects[size_t(index)]; }

private:
    // Handles a method return of the object's call (errors are handled by send()); false when it has
    // another shape than the protocol's: the object is treated as gone.
    using OnReturn = std::function<bool(DBusMessage *reply)>;

    // `onError`, when given, may take an error reply instead of the object being gone (returns true).
    void send(int index, AtspiCall kind, DBusMessage *call, OnReturn onReturn, OnReturn onError = {});
    void ask(int index);
    void askRest(int index);
    void askInterfaces(int index);
    void askActions(int index);
    void askActionList(int index);
    void askBinding(int index);
    void askChildren(int index);
    void descend(int index);
    static bool mayHoldMenu(const AtspiFetchedObject &object);

    AtspiCallQueue m_queue;
    const AtspiActionNames m_names;
    AtspiCallFigures &m_figures;
    std::deque<AtspiFetchedObject> m_objects; // a deque: handlers keep references while adding
    QHash<QByteArray, int> m_byIdentity;      // bus name ':' path
    int m_bar = -1;
};

} // namespace tavolin
