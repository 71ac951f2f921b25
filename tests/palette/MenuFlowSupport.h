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

// Counts the menu provider's updates to the palette controller and keeps, for each, the titles listed then.
class RecordingProviderWatcher final : public MenuDataProviderWatcher
{
public:
    std::function<QStringList()> snapshot;

    void onShow(DataProvider &) override {}
    void onBypass(DataProvider &) override {}
    void onUpdate(DataProvider &) override
    {
        std::lock_guard lock(m_mutex);
        m_snapshots << (snapshot ? snapshot().join(QLatin1Char(',')) : QString());
    }
    QStringList snapshots() const
    {
        std::lock_guard lock(m_mutex);
        return m_snapshots;
    }
    qsizetype updates() const { return snapshots().size(); }

private:
    mutable std::mutex m_mutex;
    QStringList m_snapshots;
};

} // namespace tavolin::test
