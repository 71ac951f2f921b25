#pragma once

#include "palette/RowData.h"

#include <QString>

#include <optional>

namespace tavolin {

// The panel's result table as a provider sees it: something to reload after a search. Implemented by the
// panel (and by fakes in tests). Main thread.
class ResultTable
{
public:
    virtual ~ResultTable() = default;
    virtual void reloadData() = 0;
};

// What every row provider (menu commands, the palette's options, files) offers the controller, the panel
// and the list views. Providers are process-wide objects; callers hold references, never ownership.
//
// Threads: every operation runs on the main thread unless its provider says otherwise.
class DataProvider
{
public:
    virtual ~DataProvider() = default;

    // Icon (theme name or path) shown left of the input while this provider is current; none for no icon.
    virtual std::optional<QString> appIcon() = 0;
    // The row whose children are shown; null at the top level.
    virtual RowDataPtr filteredParent() = 0;
    // Placeholder text of the input field.
    virtual QString inputHint() = 0;
    // The row shown at a table index; null outside the table.
    virtual RowDataPtr dataOnRow(qsizetype index) = 0;
    virtual qsizetype numberOfRows() = 0;
    // The index to select after a new result; none selects nothing.
    virtual std::optional<qsizetype> firstSelectedItem() = 0;
    // The autocomplete candidate for the typed text; null when there is none or it is ambiguous.
    virtual RowDataPtr findMenuMatch(const QString &text) = 0;
    // The row whose shortcut, in KeyData::toString() form, is `text`; null when none.
    virtual RowDataPtr itemForShortcut(const QString &text) = 0;
    // Filters and ranks for `text`, then reloads `table` (may be null; it must outlive a queued reload).
    // True when the shown rows changed or `force` asked for a fresh result.
    virtual bool search(const QString &text, ResultTable *table, bool force) = 0;
    // Enters `row`: its children are shown and it becomes filteredParent().
    virtual void filter(const RowDataPtr &row) = 0;
    // Goes up one level.
    virtual void unfilter() = 0;
    // Leaves every level.
    virtual void clearfilter() = 0;
    // Forgets transient search state (the mode changed).
    virtual void resetStatus() = 0;
    // The row at `index` starts a new group (the list draws a group label above it).
    virtual bool isFirstInGroup(qsizetype index) = 0;
};

// How the menu provider reports to the palette controller, which implements this and is held weakly.
class MenuDataProviderWatcher
{
public:
    virtual ~MenuDataProviderWatcher() = default;
    // The palette shall be shown over the application. Main thread.
    virtual void onShow(DataProvider &provider) = 0;
    // The shortcut belongs to the application. Main thread.
    virtual void onBypass(DataProvider &provider) = 0;
    // The provider's rows changed. Any thread.
    virtual void onUpdate(DataProvider &provider) = 0;
};

} // namespace tavolin
