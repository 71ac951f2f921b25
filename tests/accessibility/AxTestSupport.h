#pragma once

#include "accessibility/AXApp.h"
#include "support/FakeElementSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace tavolin::test {

inline QString dataPath(const char *name) { return QStringLiteral(TAVOLIN_TEST_DATA_DIR "/") + QLatin1String(name); }

// A shortcut's identity text for these tests (the layer compares the text only, never builds it).
inline QString shortcutText(const KeyData &key)
{
    return QStringLiteral("%1|%2|%3").arg(key.cmdChar.value_or(QString())).arg(key.virtualKey).arg(key.modifierFlags);
}

// JSON helpers for small inline descriptions.
inline QJsonObject json(const char *text) { return QJsonDocument::fromJson(QByteArray(text)).object(); }

// Records every callback as a line; onUpdate(item) returns the rows of the item's submenu (flattened), as
// the menu provider would.
class RecordingWatcher : public AxAppWatcher
{
public:
    void onUpdate(const AXMenuPtr &menu) override
    {
        record(QStringLiteral("menu:%1").arg(menu ? menu->items().size() : 0));
    }
    std::vector<AXRowInfo> onUpdate(const AXMenuItemPtr &item, int index) override
    {
        std::vector<AXRowInfo> rows;
        if (item->submenu())
            flatten(*item->submenu(), rows);
        record(QStringLiteral("item:%1:%2:%3").arg(index).arg(item->title().value_or(QString())).arg(rows.size()));
        return rows;
    }
    void onShouldTriggerUpdate(bool value) override { record(QStringLiteral("trigger:%1").arg(value)); }
    void onLoadFinished() override { record(QStringLiteral("finished")); }

    QStringList events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    QStringList eventsStartingWith(const QString &prefix) const { return events().filter(QRegularExpression(QLatin1Char('^') + prefix)); }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_events.clear();
    }

private:
    static void flatten(const AXMenu &menu, std::vector<AXRowInfo> &rows)
    {
        for (const AXMenuItemPtr &item : menu.items()) {
            AXRowInfo row{item->title().value_or(QString()), std::nullopt};
            if (std::optional<KeyData> key = item->shortcut())
                row.shortcutText = shortcutText(*key);
            rows.push_back(row);
            if (item->submenu())
                flatten(*item->submenu(), rows);
        }
    }
    void record(const QString &line)
    {
        std::lock_guard lock(m_mutex);
        m_events << line;
    }

    mutable std::mutex m_mutex;
    QStringList m_events;
};

// Hooks whose answers a test sets and whose calls it reads back.
struct HookState
{
    std::mutex mutex;
    std::optional<bool> rule;              // answer of ruleForApp: "auto" by default
    bool forced = false;
    bool useDefaultHotKey = false;
    std::optional<QString> paletteShortcut;
    std::map<QString, int64_t> menuRules; // title → option
    QStringList ruleUpdates;               // "bundle:isSafe"
    QStringList ruleLookups;               // "appKey:title"
    QStringList transMapCalls;             // "bundle:locale"

    template <typename F>
    auto locked(F f)
    {
        std::lock_guard lock(mutex);
        return f();
    }
    AXAppHooks hooks()
    {
        AXAppHooks h;
        h.ruleForApp = [this](const std::optional<QString> &, const std::optional<QString> &) { return locked([&] { return rule; }); };
        h.updateRuleForApp = [this](const std::optional<QString> &bundle, const std::optional<QString> &, bool safe) {
            locked([&] { ruleUpdates << QStringLiteral("%1:%2").arg(bundle.value_or(QStringLiteral("-"))).arg(safe); });
        };
        h.useDefaultHotKey = [this] { return locked([&] { return useDefaultHotKey; }); };
        h.triggeredByForce = [this] { return locked([&] { return forced; }); };
        h.paletteShortcutString = [this] { return locked([&] { return paletteShortcut; }); };
        h.ignorableOption = [this](const QString &title, const QString &appKey) {
            return locked([&] {
                ruleLookups << appKey + QLatin1Char(':') + title;
                const auto it = menuRules.find(title);
                return it == menuRules.end() ? std::nullopt : std::optional<int64_t>(it->second);
            });
        };
        h.buildTransMap = [this](const std::optional<LocaleBundle> &bundle, const std::optional<QString> &locale) {
            locked([&] {
                transMapCalls << QStringLiteral("%1:%2").arg(bundle ? bundle->identifier : QStringLiteral("-"),
                                                             locale.value_or(QStringLiteral("-")));
            });
        };
        return h;
    }
    QStringList updates()
    {
        return locked([&] { return ruleUpdates; });
    }
};

// A read context over `source` with the given menu rules (title → option).
inline AXReadContextPtr readContext(std::shared_ptr<ElementSource> source, std::map<QString, int64_t> rules = {},
                                    QString appKey = QStringLiteral("scribe"))
{
    auto context = std::make_shared<AXReadContext>();
    context->source = std::move(source);
    context->ignorableOption = [rules = std::move(rules)](const QString &title, const QString &) -> std::optional<int64_t> {
        const auto it = rules.find(title);
        return it == rules.end() ? std::nullopt : std::optional<int64_t>(it->second);
    };
    context->appKey = [appKey] { return appKey; };
    return context;
}

} // namespace tavolin::test
