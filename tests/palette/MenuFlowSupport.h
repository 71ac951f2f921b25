#pragma once

#include "accessibility/AXApp.h"
#include "support/FakeElementSource.h"
#include "palette/DataProvider.h"
#include "palette/MenuItemData.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <map>
#include <memory>
#include <mutex>
#include <ostream>

// Readable QString values in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace tavolin::test {

inline QJsonObject appJson(const char *text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(text), &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad application description: %s", qPrintable(error.errorString()));
    return document.object();
}

inline QStringList titlesOf(const QList<MenuItemDataPtr> &rows)
{
    QStringList out;
    for (const MenuItemDataPtr &row : rows)
        out << row->title();
    return out;
}

// Menu rules by title, shared by the reader (AXReadContext), the rows (MenuItemData's lookup) and the
// provider's hiddenByAncestor, as PaletteRulesManager is in the program.
struct MenuRules
{
    std::map<QString, int> byTitle;
    std::optional<int> operator()(const QString &title) const
    {
        const auto it = byTitle.find(title);
        return it == byTitle.end() ? std::nullopt : std::optional<int>(it->second);
    }
};

// Records what the menu provider tells the palette controller; on each update, the titles listed then.
class RecordingProviderWatcher final : public MenuDataProviderWatcher
{
public:
    std::function<QStringList()> snapshot;

    void onShow(DataProvider &) override { record(QStringLiteral("show")); }
    void onBypass(DataProvider &) override { record(QStringLiteral("bypass")); }
    void onUpdate(DataProvider &) override
    {
        record(QStringLiteral("update"));
        if (snapshot) {
            std::lock_guard lock(m_mutex);
            m_snapshots << snapshot().join(QLatin1Char(','));
        }
    }
    QStringList events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    QStringList snapshots() const
    {
        std::lock_guard lock(m_mutex);
        return m_snapshots;
    }
    qsizetype count(const QString &event) const { return events().count(event); }

private:
    void record(const QString &event)
    {
        std::lock_guard lock(m_mutex);
        m_events << event;
    }
    mutable std::mutex m_mutex;
    QStringList m_events;
    QStringList m_snapshots;
};

} // namespace tavolin::test
