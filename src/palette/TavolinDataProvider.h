#pragma once

#include "palette/DataProvider.h"
#include "palette/MenuItemData.h"
#include "palette/SearchUtils.h"

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

namespace tavolin {

class Dispatcher;

// The row provider for command rows (menus, options): levels entered and left again, the split of a level
// into history rows and other rows, ranked search over a level, the autocomplete candidate and the mapping
// from table index to row. Subclasses supply the rows (all()) and fill the hooks.
//
// A level is named by its path text: path elements joined with U+0E33. Entering row p shows every row whose
// path text is p's path + p's title, or begins with it followed by U+0E33 (all descendants), unless the
// row is reserved for another level (showWhenPathIs) or hidden by an ancestor. The top level lists every row
// of every depth that is not reserved or hidden, so a search there runs over the whole flattened menu.
//
// Threads: main thread, except that all() may be computed by a subclass under its own lock.
class TavolinDataProvider : public DataProvider
{
public:
    static constexpr QChar kLevelSeparator{0x0E33};

    // A search asked for on another thread reloads the table through `dispatcher`, which must outlive the
    // provider.
    explicit TavolinDataProvider(Dispatcher &dispatcher) : m_dispatcher(dispatcher) {}
    ~TavolinDataProvider() override = default;

    // Where the provider queues work. Any thread.
    Dispatcher &dispatcher() const { return m_dispatcher; }

    // The level path text of a row's own level (its path joined with U+0E33).
    static QString levelOf(const MenuItemData &row);
    // The level path text of the children of `parent` (its path and title joined with U+0E33).
    static QString childLevelOf(const MenuItemData &parent);

    // Hooks. all(): every row at every depth, in order (base: allRows).
    virtual QList<MenuItemDataPtr> all() { return allRows; }
    // Whether an ancestor's rule hides `current` below `parent` (null at the top level). Base: false.
    virtual bool hiddenByAncestor(const MenuItemData *parent, const MenuItemData &current);
    // Called before the top level is built, to add group rows to filteredMenus. Base: nothing.
    virtual void shouldAppendTopLevels() {}
    // Whether the autocomplete also tries English titles. Base: false.
    virtual bool shouldMatchEntitle() { return false; }

    // DataProvider
    std::optional<QString> appIcon() override { return appIconName; }
    RowDataPtr filteredParent() override;
    QString inputHint() override;
    RowDataPtr dataOnRow(qsizetype index) override;
    qsizetype numberOfRows() override;
    std::optional<qsizetype> firstSelectedItem() override;
    RowDataPtr findMenuMatch(const QString &text) override;
    RowDataPtr itemForShortcut(const QString &text) override;
    bool search(const QString &text, ResultTable *table, bool force) override;
    void filter(const RowDataPtr &row) override;
    void unfilter() override;
    void clearfilter() override;
    void resetStatus() override;
    bool isFirstInGroup(qsizetype index) override;

    // Forgets the search and every level list (keyword, entered rows, results, candidates), so that rows of
    // an owner whose rows were replaced are neither listed nor performed any more. Main thread.
    void resetSearchState();
    // Rebuilds the current level's lists for `parent` (null: the top level).
    void updateFilter(const MenuItemDataPtr &parent);

    // Where the locale of the current application comes from (the shell's current application); set once
    // at start-up. Empty: no locale.
    static void setLocaleContextSource(std::function<std::optional<QLocale>()> source);

    QList<MenuItemDataPtr> allRows;              // rows of providers that do not compute all()
    QHash<QString, MenuItemDataPtr> keyMaps;     // KeyData::toString() → row
    std::optional<QString> appIconName;
    QString keyword;                             // trimmed text of the last search
    QList<MenuItemDataPtr> filteredRecents;      // history rows of the level, by historyIndex
    QList<MenuItemDataPtr> filterResults;        // other rows of the level, in all() order
    QList<MenuItemDataPtr> filteredMenus;        // autocomplete candidates
    std::optional<QList<MenuItemDataPtr>> searchResults; // none while the text is empty
    QList<MenuItemDataPtr> filteredParents;      // entered rows, outermost first

private:
    void applyLocaleContext();
    void split(const MenuItemDataPtr &row);

    Dispatcher &m_dispatcher;
    SearchUtils m_search; // told the current application's locale before each search
};

} // namespace tavolin
