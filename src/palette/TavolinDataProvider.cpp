#include "TavolinDataProvider.h"

#include "accessibility/LocaleUtils.h"
#include "common/Dispatcher.h"
#include "common/Mutex.h"
#include "palette/SearchUtils.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace tavolin {
namespace {

struct LocaleSource
{
    Mutex mutex;
    std::function<std::optional<QLocale>()> source GUARDED_BY(mutex);
};

LocaleSource &localeSource()
{
    static LocaleSource s;
    return s;
}

bool onMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// The autocomplete passes: the one row of `candidates` whose form starts with `typed`; none when no row or
// two rows do.
template<typename FormOf>
std::optional<MenuItemDataPtr> singlePrefixMatch(const QList<MenuItemDataPtr> &candidates, const FoldedText &typed,
                                                 FormOf formOf)
{
    MenuItemDataPtr match;
    for (const MenuItemDataPtr &row : candidates) {
        const std::optional<FoldedSpan> form = formOf(*row);
        if (!form || !startsWithFolded(*form, typed.span()))
            continue;
        if (match)
            return MenuItemDataPtr(); // ambiguous: stop here
        match = row;
    }
    if (match)
        return match;
    return std::nullopt; // nothing: try the next pass
}

} // namespace

QString TavolinDataProvider::levelOf(const MenuItemData &row)
{
    return row.path().join(kLevelSeparator);
}

QString TavolinDataProvider::childLevelOf(const MenuItemData &parent)
{
    return (parent.path() + QStringList{parent.title()}).join(kLevelSeparator);
}

bool TavolinDataProvider::hiddenByAncestor(const MenuItemData *, const MenuItemData &)
{
    return false;
}

RowDataPtr TavolinDataProvider::filteredParent()
{
    return filteredParents.isEmpty() ? nullptr : filteredParents.last();
}

QString TavolinDataProvider::inputHint()
{
    if (!filteredParents.isEmpty()) {
        if (const std::optional<QString> hint = filteredParents.last()->inputHint())
            return *hint;
    }
    return QCoreApplication::translate("tavolin::TavolinDataProvider", "Commands");
}

RowDataPtr TavolinDataProvider::dataOnRow(qsizetype index)
{
    if (index < 0)
        return nullptr;
    if (searchResults)
        return index < searchResults->size() ? searchResults->at(index) : nullptr;
    if (index < filteredRecents.size())
        return filteredRecents.at(index);
    index -= filteredRecents.size();
    return index < filterResults.size() ? filterResults.at(index) : nullptr;
}

qsizetype TavolinDataProvider::numberOfRows()
{
    return searchResults ? searchResults->size() : filteredRecents.size() + filterResults.size();
}

bool TavolinDataProvider::isFirstInGroup(qsizetype index)
{
    const auto row = std::dynamic_pointer_cast<MenuItemData>(dataOnRow(index));
    return row && row->historyIndex() == 0;
}

std::optional<qsizetype> TavolinDataProvider::firstSelectedItem()
{
    const QList<MenuItemDataPtr> &list = searchResults ? *searchResults : filterResults;
    if (list.isEmpty())
        return std::nullopt;
    if (filteredParents.isEmpty() || !filteredParents.last()->applyOnHover())
        return 0;
    // A preview level (themes): select the row that is in effect.
    const auto checked = std::find_if(list.begin(), list.end(), [](const MenuItemDataPtr &row) { return row->isChecked(); });
    if (checked == list.end())
        return std::nullopt;
    return static_cast<qsizetype>(checked - list.begin());
}

RowDataPtr TavolinDataProvider::findMenuMatch(const QString &text)
{
    if (text.isEmpty())
        return nullptr;
    applyLocaleContext();
    const FoldMode mode = m_search.foldMode();
    const FoldedText typed(text, mode);

    if (auto match = singlePrefixMatch(filteredMenus, typed, [mode](MenuItemData &row) {
            return std::optional<FoldedSpan>(row.searchForms(mode).title);
        }))
        return *match;
    if (LocaleUtils::hasTrans() && shouldMatchEntitle()) {
        for (const MenuItemDataPtr &row : filteredMenus) {
            if (row->ref() && !row->enTitle())
                row->setEnTitle(LocaleUtils::getEnLabel(row->title()));
        }
        if (auto match = singlePrefixMatch(filteredMenus, typed, [mode](MenuItemData &row) {
                const FoldedText *en = row.enTitle() ? row.enTitleForm(mode) : nullptr;
                return en ? std::optional<FoldedSpan>(en->span()) : std::nullopt;
            }))
            return *match;
    }
    if (auto match = singlePrefixMatch(filteredMenus, typed,
                                       [mode](MenuItemData &row) { return row.searchForms(mode).latinTitle; }))
        return *match;
    return nullptr;
}

RowDataPtr TavolinDataProvider::itemForShortcut(const QString &text)
{
    return keyMaps.value(text);
}

bool TavolinDataProvider::search(const QString &text, ResultTable *table, bool force)
{
    const QString trimmed = text.trimmed();
    if (!force && trimmed == keyword)
        return false;
    if (force)
        updateFilter(filteredParents.isEmpty() ? nullptr : filteredParents.last());
    applyLocaleContext();
    keyword = trimmed;
    if (trimmed.isEmpty())
        searchResults.reset();
    else
        searchResults = m_search.search(trimmed, filteredRecents + filterResults);
    if (table) {
        if (onMainThread())
            table->reloadData();
        else
            m_dispatcher.toMain([table] { table->reloadData(); });
    }
    return true;
}

void TavolinDataProvider::filter(const RowDataPtr &row)
{
    const auto menuRow = std::dynamic_pointer_cast<MenuItemData>(row);
    if (!menuRow)
        return;
    if (!filteredParents.contains(menuRow))
        filteredParents.append(menuRow);
    updateFilter(menuRow);
}

void TavolinDataProvider::unfilter()
{
    if (!filteredParents.isEmpty())
        filteredParents.removeLast();
    updateFilter(filteredParents.isEmpty() ? nullptr : filteredParents.last());
}

void TavolinDataProvider::clearfilter()
{
    filteredParents.clear();
    updateFilter(nullptr);
}

void TavolinDataProvider::resetStatus()
{
    resetSearchState();
    updateFilter(nullptr);
    filteredRecents.clear();
}

void TavolinDataProvider::resetSearchState()
{
    keyword.clear();
    filteredParents.clear();
    filteredRecents.clear();
    filterResults.clear();
    filteredMenus.clear();
    searchResults.reset();
}

void TavolinDataProvider::split(const MenuItemDataPtr &row)
{
    if (row->historyIndex() < 0)
        filterResults.append(row);
    else
        filteredRecents.append(row);
}

void TavolinDataProvider::updateFilter(const MenuItemDataPtr &parent)
{
    filteredMenus.clear();
    filteredRecents.clear();
    filterResults.clear();
    if (!parent)
        shouldAppendTopLevels();
    const QList<MenuItemDataPtr> rows = all();
    const QString level = parent ? childLevelOf(*parent) : QString();
    const QString descendants = level + kLevelSeparator;
    for (const MenuItemDataPtr &row : rows) {
        if (!row)
            continue;
        if (row->expands())
            filteredMenus.append(row);
        const std::optional<QString> &reserved = row->showWhenPathIs();
        if (!parent) {
            if (reserved || hiddenByAncestor(nullptr, *row))
                continue;
            split(row);
            continue;
        }
        if (reserved && *reserved != level)
            continue;
        const QString own = levelOf(*row);
        if (own != level && !own.startsWith(descendants))
            continue;
        if (!hiddenByAncestor(parent.get(), *row))
            split(row);
    }
    std::stable_sort(filteredRecents.begin(), filteredRecents.end(),
                     [](const MenuItemDataPtr &a, const MenuItemDataPtr &b) { return a->historyIndex() < b->historyIndex(); });
}

void TavolinDataProvider::setLocaleContextSource(std::function<std::optional<QLocale>()> source)
{
    MutexLocker lock(localeSource().mutex);
    localeSource().source = std::move(source);
}

void TavolinDataProvider::applyLocaleContext()
{
    std::function<std::optional<QLocale>()> source;
    {
        MutexLocker lock(localeSource().mutex);
        source = localeSource().source;
    }
    m_search.setLocaleContext(source ? source() : std::nullopt);
}

} // namespace tavolin
