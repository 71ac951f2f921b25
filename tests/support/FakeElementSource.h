#pragma once

#include "accessibility/ElementSource.h"

#include <QJsonObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace tavolin {

// An ElementSource over applications described in JSON, for tests and benchmarks. Records what it
// was asked and has knobs for the failures a real application shows: a failing read, a per-request delay, an
// application that hangs until the time-out, one that vanishes in the middle of a reading.
//
// Description of one application (every key optional except "pid"):
//   { "title": "Scribe", "pid": 4242, "appName": "scribe", "bundleIdentifier": "org.example.Scribe",
//     "icon": "scribe", "language": "de_DE", "localeDirs": ["/usr/share/locale"], "textDomains": ["scribe"],
//     "menuBar": [ NODE, ... ] }            (no "menuBar": the application has none)
// NODE (a menu item unless "role" says otherwise):
//   { "title": "Save", "enabled": true, "mark": "✓", "cmdChar": "S", "virtualKey": 1, "glyph": 2,
//     "modifiers": 0, "role": "AXMenuItem",
//     "menu": [ NODE, ... ],       a submenu: one child of role AXMenu holding these items
//     "children": [ NODE, ... ],   raw children instead (any shape)
//     "separator": true,           an item with no title
//     "fail": ["AXTitle", ...] or true,   these (or all) reads of this element fail
//     "hang": true }               every request to this element runs into the time-out
// An absent key is an attribute without value (NoValue); "enabled" defaults to true, "title": null is absent.
//
// Thread-safe: descriptions are immutable once added; counters and knobs are guarded or atomic.
class FakeElementSource final : public ElementSource
{
public:
    explicit FakeElementSource(ReadMode mode = ReadMode::Parallel);
    ~FakeElementSource() override;

    // Adds an application; returns its pid, or none (with `error`) when the description is malformed.
    std::optional<int32_t> addApplication(const QJsonObject &description, QString *error = nullptr);
    std::optional<int32_t> addApplicationFile(const QString &path, QString *error = nullptr);
    // The application FocusedApplication answers with; none: no focused application.
    void setFocusedApplication(std::optional<int32_t> pid);
    ElementRef applicationElement(int32_t pid) const;
    // The element reached by following titles from the application's menu bar ("File", "Recent"); through
    // the AXMenu level of submenus. Null when not found.
    ElementRef findMenuItem(int32_t pid, const QStringList &titles) const;

    void setMenuBarStartsWithSystemMenu(bool value) { m_systemMenu.store(value); }
    void setTrusted(bool value) { m_trusted.store(value); }

    // Knobs.
    // Every request costs `delay`.
    void setRequestDelay(std::chrono::microseconds delay);
    // True (default): delays and hangs are slept for real. False: only added to simulatedTime(), for tests.
    void setRealTime(bool value) { m_realTime.store(value); }
    // Reads of `attribute` (every request when none) on elements titled `title` fail with Failure.
    void failReads(const QString &title, std::optional<AXAttribute> attribute = std::nullopt);
    // Every request to the application runs into the messaging time-out and fails with CannotComplete.
    void setHanging(int32_t pid, bool hanging);
    // The application vanishes after `requests` more requests: from then on every request to it fails with
    // InvalidElement and it has no running application.
    void vanishAfter(int32_t pid, int64_t requests);
    // Presses of elements titled `title` are sent, but what they come to is `outcome` (InvalidElement: the
    // application had destroyed the item), reported at once on the calling thread.
    void setPressOutcome(const QString &title, AXError outcome);

    // Records.
    int64_t requestCount() const { return m_requests.load(); }
    // Requests made to elements titled `title` (any application).
    int64_t requestCount(const QString &title) const;
    std::chrono::microseconds simulatedTime() const { return std::chrono::microseconds(m_simulatedUs.load()); }
    double messagingTimeout() const;
    // Titles of the elements performed, with the action, e.g. "Save:AXPress", in order.
    QStringList performed() const;
    // The largest number of requests that were running at once.
    int maxConcurrentRequests() const { return m_maxConcurrent.load(); }
    // The distinct threads that made requests.
    size_t requestThreadCount() const;
    // Title of a fake element ("" for none); for assertions.
    static QString titleOf(const ElementRef &element);

    // ElementSource
    ReadMode readMode() const override { return m_mode; }
    ElementRef systemWideElement() override;
    AXError setMessagingTimeout(const ElementRef &element, double seconds) override;
    AXError copyAttributeValue(const ElementRef &element, AXAttribute attribute, AXValue &out) override;
    AXError attributeValueCount(const ElementRef &element, AXAttribute attribute, int64_t &count) override;
    AXError pid(const ElementRef &element, int32_t &pid) override;
    AXError performAction(const ElementRef &element, const QString &action) override;
    AXError performActionReporting(const ElementRef &element, const QString &action, ActionOutcome outcome) override;
    bool menuBarStartsWithSystemMenu() const override { return m_systemMenu.load(); }
    // False while the application hangs (setHanging or "hang": true on its element).
    bool applicationAnswers(const ElementRef &application) override;
    bool isProcessTrusted() override { return m_trusted.load(); }
    std::optional<RunningApp> runningApplication(int32_t pid) override;

    struct Node;
    struct App;

private:
    class Request;
    std::shared_ptr<App> appFor(int32_t pid) const;
    AXError begin(const ElementRef &element, std::optional<AXAttribute> attribute, const Node **node,
                  std::shared_ptr<App> *app);
    void spend(std::chrono::microseconds cost);

    const ReadMode m_mode;
    ElementRef m_systemWide;
    std::atomic<bool> m_systemMenu{false};
    std::atomic<bool> m_trusted{true};
    std::atomic<bool> m_realTime{true};
    std::atomic<int64_t> m_delayUs{0};
    std::atomic<int64_t> m_timeoutUs{6'000'000}; // the service's default until the reader sets its own
    std::atomic<int64_t> m_requests{0};
    std::atomic<int64_t> m_simulatedUs{0};
    std::atomic<int> m_running{0};
    std::atomic<int> m_maxConcurrent{0};

    mutable std::mutex m_mutex;
    std::map<int32_t, std::shared_ptr<App>> m_apps;           // guarded by m_mutex
    std::optional<int32_t> m_focused;                         // guarded by m_mutex
    std::multimap<QString, std::optional<AXAttribute>> m_failing; // guarded by m_mutex
    std::map<QString, int64_t> m_requestsByTitle;             // guarded by m_mutex
    QStringList m_performed;                                  // guarded by m_mutex
    std::map<QString, AXError> m_pressOutcomes;               // guarded by m_mutex
    std::set<std::thread::id> m_threads;                      // guarded by m_mutex
};

} // namespace tavolin
