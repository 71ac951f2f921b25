#pragma once

#include "accessibility/AXMenuItem.h"
#include "common/KeyData.h"
#include "palette/RowData.h"
#include "palette/TextFolding.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

class MenuItemData;
using MenuItemDataPtr = std::shared_ptr<MenuItemData>;

// A row's path (ancestor titles from the top-level menu down) and what is derived from it: each element in
// Latin letters without marks and the display label. Immutable once made, so the rows of one menu can share
// one (see the MenuItemData constructor taking it). Safe to read from any thread.
class RowPath
{
public:
    // Transliterates each element (see toLatin). Never null; an empty path shares one instance.
    static std::shared_ptr<const RowPath> make(const QStringList &path);
    // The path of a row under `parent`: the parent's path and title. Reuses the parent's Latin path, so a row
    // deep in a menu transliterates one element, not its whole path again.
    static std::shared_ptr<const RowPath> under(const RowPath &parentPath, const QString &parentTitle);

    const QStringList &path() const { return m_path; }
    const QStringList &latinPath() const { return m_latinPath; }
    // The path joined with " • "; "" for a top-level row.
    const QString &secondaryLabel() const { return m_secondaryLabel; }

    // For the search's path forms (see RowSearchForms): the fold mask of the elements joined by spaces plus
    // a space, so that a form's mask is this | the title's mask. None when an element needs ICU to fold
    // (then only folding the whole form gives its mask). The default mode's is computed once, here.
    std::optional<uint64_t> foldMask(FoldMode mode) const;
    std::optional<uint64_t> latinFoldMask(FoldMode mode) const;
    // Whether the Latin path joined by spaces differs from the path joined by spaces.
    bool latinJoinDiffers() const { return m_latinJoinDiffers; }

private:
    RowPath(QStringList path, QStringList latinPath);

    QStringList m_path;
    QStringList m_latinPath;
    QString m_secondaryLabel;
    std::optional<uint64_t> m_defaultMask;
    std::optional<uint64_t> m_latinDefaultMask;
    bool m_latinJoinDiffers = false;
};
using RowPathPtr = std::shared_ptr<const RowPath>;

// Punctuation that separates words in titles such as "Print-Preview" or "Show (All)": [-_+()'"\\/]. A row's
// plain title form (RowSearchForms::plainAlt) has a space in place of each.
constexpr bool isWordPunctuation(QChar c)
{
    switch (c.unicode()) {
    case u'-': case u'_': case u'+': case u'(': case u')': case u'\'': case u'"': case u'\\': case u'/':
        return true;
    default:
        return false;
    }
}

// The forms of a row's texts that the search compares, folded once and kept on the row (see SearchUtils).
// The title forms share one block of keys, so scoring a row touches little memory. Filled lazily on the
// thread that searches; rebuilt when the fold mode or the title changes. Not copyable (spans point into the
// blocks).
//
// The path forms (full, latinFull) are folded only when first needed: MenuItemData::searchForms() gives
// every form, titleForms() may leave them unbuilt (pathFormsBuilt false). Their masks are known either way,
// so a search can tell that a path form lacks a character of the keyword without folding it. Building them
// moves the block: spans copied out of the struct before are stale after a searchForms() call.
struct RowSearchForms
{
    RowSearchForms() = default;
    RowSearchForms(const RowSearchForms &) = delete;
    RowSearchForms &operator=(const RowSearchForms &) = delete;

    FoldMode mode = FoldMode::Default;
    FoldedSpan title;
    std::optional<FoldedSpan> plainAlt;   // title with punctuation spaced out; none when that changes nothing
    std::optional<FoldedSpan> latinTitle; // none when latinTitle() is ""
    FoldedSpan full;                      // path joined by spaces, a space, the title
    std::optional<FoldedSpan> latinFull;  // the same over latinPath(); none when equal to full
    // Only rows searched while translations are known have English forms: kept apart so the others stay small.
    struct English
    {
        std::optional<FoldedText> title; // folded enTitle(); none without one
        std::optional<FoldedText> full;  // enPath joined by spaces, a space, enTitle; built on demand
    };
    std::unique_ptr<English> english;     // null: neither form
    std::vector<uint32_t> block;          // keys of title, plainAlt, latinTitle, then full, latinFull
    uint64_t fullMask = 0;                // full.mask, known before full is built
    uint64_t latinFullMask = 0;           // latinFull's mask when hasLatinFull
    bool hasLatinFull = false;            // latinFull differs from full (and is set once built)
    bool pathFormsBuilt = false;          // full and latinFull hold their keys
};

// A command row: a menu item of the target application, or a history placeholder, an extension command or
// one of the palette's own options built the same way.
//
// Rows are built on any thread (the menu readers) and read on the main thread afterwards. The lazy caches
// (latinTitle, enPath, the search forms) and enTitle are written by the thread that searches, which is the
// main thread: they are not guarded.
class MenuItemData : public RowData
{
public:
    // Looks up the menu rule option for a title in an application ("" for rows that are not menu items).
    using IgnorableOption = std::function<std::optional<int64_t>(const QString &title, const QString &appKey)>;
    // Records a performed live menu row in the history.
    using PerformedSink = std::function<void(const MenuItemData &row)>;
    // Tells the user that performing a live menu row did not reach the application: the row's title and
    // why. Called on whatever thread the press's outcome arrives on.
    using PressFailedSink = std::function<void(const QString &title, const QString &why)>;

    // The basic row. `appKey` selects the menu rules: the target's executable name, "" for other rows.
    MenuItemData(const QString &title, const QStringList &path, bool isChecked, std::optional<KeyData> shortcut,
                 const QString &appKey);
    // The basic row over a shared path (null: top level); what many rows of one menu use.
    MenuItemData(const QString &title, RowPathPtr path, bool isChecked, std::optional<KeyData> shortcut,
                 const QString &appKey);
    // A row under `parent` (may be null): path = parent's path + parent's title; not checked.
    MenuItemData(const QString &title, bool hasSubmenu, std::optional<KeyData> shortcut, const MenuItemData *parent,
                 const QString &appKey);
    // The row of a menu item record (never null): trimmed title, submenu flag, shortcut and check mark.
    MenuItemData(AXMenuItemPtr ref, const MenuItemData *parent, const QString &appKey);

    // The default action. With a live item: presses it, records the row through the performed sink, and
    // returns true whatever comes of it; the press's outcome is logged once the application answered, and
    // one that did not reach the item goes to the press-failed sink. Without one: true.
    static bool pressLiveItem(RowData &row);

    const std::optional<QString> &hintLabel() const { return m_hintLabel; }
    void setHintLabel(std::optional<QString> label) { m_hintLabel = std::move(label); }
    const QStringList &path() const { return m_rowPath->path(); }
    bool isChecked() const { return m_isChecked; }
    void setIsChecked(bool checked) { m_isChecked = checked; }
    // False only for a disabled item the reader was asked to keep (the terminal tool's rows).
    bool isEnabled() const { return m_isEnabled; }
    void setIsEnabled(bool enabled) { m_isEnabled = enabled; }
    const std::optional<KeyData> &shortcut() const { return m_shortcut; }
    void setShortcut(std::optional<KeyData> shortcut) { m_shortcut = std::move(shortcut); }
    const std::optional<QString> &showWhenPathIs() const { return m_showWhenPathIs; }
    void setShowWhenPathIs(std::optional<QString> path) { m_showWhenPathIs = std::move(path); }
    const AXMenuItemPtr &ref() const { return m_ref; }
    const std::optional<QString> &primaryHint() const { return m_primaryHint; }
    void setPrimaryHint(std::optional<QString> hint) { m_primaryHint = std::move(hint); }
    bool isSelfHidden() const { return m_isSelfHidden; }
    int historyIndex() const { return m_historyIndex; }
    void setHistoryIndex(int index) { m_historyIndex = index; }

    // The path joined with " • " for display; "" for a top-level row.
    const QString &secondaryLabel() const { return m_rowPath->secondaryLabel(); }
    // Each path element in Latin letters without marks (computed at creation).
    const QStringList &latinPath() const { return m_rowPath->latinPath(); }
    // The path with its derived forms, to share with sibling rows. Never null.
    const RowPathPtr &rowPath() const { return m_rowPath; }
    // The title in Latin letters without marks, or "" when that is the title itself. Cached.
    const QString &latinTitle();
    const std::optional<QString> &enTitle() const { return m_enTitle; }
    void setEnTitle(std::optional<QString> title);
    // The path in English (LocaleUtils' map, also tried without "…"); empty for rows without a live item.
    // Cached on first use.
    const QStringList &enPath();

    // The folded search texts for `mode`, built on first use (see RowSearchForms).
    const RowSearchForms &searchForms(FoldMode mode);
    // The same, but the path forms may be left unbuilt (see RowSearchForms); a later searchForms() call for
    // the same mode fills them into the same object.
    const RowSearchForms &titleForms(FoldMode mode);
    // The English path form, built on first use after enTitle is known.
    const FoldedText &enFullForm(FoldMode mode);
    // The folded English title for `mode`, or null without one.
    const FoldedText *enTitleForm(FoldMode mode);

    // Process-wide hooks, installed once at start-up on the main thread before rows are built.
    // Default lookup (also after an empty one): no menu rule applies. Default sink: records nothing.
    static void setIgnorableOptionLookup(IgnorableOption lookup);
    static void setPerformedSink(PerformedSink sink);
    // Default: none (failed presses are only logged).
    static void setPressFailedSink(PressFailedSink sink);

private:
    void init(const QString &title, RowPathPtr path, bool isChecked, std::optional<KeyData> shortcut,
              const QString &appKey);
    RowSearchForms &ensureSearchForms(FoldMode mode);
    RowSearchForms &ensureTitleForms(FoldMode mode);
    void buildPathForms(RowSearchForms &forms);

    // Read for every row by the search: kept together.
    std::unique_ptr<RowSearchForms> m_searchForms;
    int m_historyIndex = -1;
    bool m_isChecked = false;
    bool m_isSelfHidden = false;
    bool m_isEnabled = true;
    AXMenuItemPtr m_ref;
    std::optional<QString> m_enTitle;

    std::optional<QString> m_hintLabel;
    RowPathPtr m_rowPath; // never null
    std::optional<KeyData> m_shortcut;
    std::optional<QString> m_showWhenPathIs;
    std::optional<QString> m_primaryHint;
    std::optional<QStringList> m_enPath;
    std::optional<QString> m_latinTitle;
};

} // namespace tavolin
