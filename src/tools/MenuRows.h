#pragma once

#include "accessibility/AXApp.h"
#include "palette/MenuItemData.h"
#include "palette/SearchUtils.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tavolin::menutool {

// The rows of the terminal tool: every command and submenu below an application's top-level menus, in menu
// order, as the palette's rows (MenuItemData) so the palette's search ranks them. Menu rules, history and
// extensions are not applied: the tool shows the application's menus as they are.

// What reading an application's menus gave.
struct MenuRead
{
    bool hasMenuBar = false;
    bool complete = false; // false: the bound passed before every top-level menu was read
    qsizetype topLevelMenus = 0; // the menu bar's menus (their own rows are not listed)
    QList<MenuItemDataPtr> rows;
};

// Whether the rows are read with the application's language, and how the reader learns that it is loaded.
// With one, the application's translation map is built as the palette builds it (AXApp::loadMenus with
// MenuLoad::WithLanguage), so the search matches localized rows by their English titles as the palette does.
class LanguageLoad
{
public:
    // Hooks that build the translation map (LocaleUtils::buildTransMap) and mark the load done; the
    // application is to be created with them.
    AXAppHooks hooks() const;
    // Whether `app`, created with hooks(), has its translation map: at once for an application the palette
    // builds no map for (no bundle identifier). Any thread.
    bool isLoaded(const AXApp &app) const;

private:
    struct State
    {
        std::atomic<bool> built{false};
        std::atomic<bool> withLocale{false}; // the map was built for a language, which AXApp then records
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

// Reads every menu of `app` with the palette's reader (AXApp::loadMenus), running the caller's event loop
// until the last top-level menu is in (and, with `language`, the translation map is built) or `bound` has
// passed. Main thread, with a QCoreApplication.
MenuRead readApplicationRows(const AXAppPtr &app, std::chrono::milliseconds bound,
                             const std::optional<LanguageLoad> &language = std::nullopt);

// The rows file: UTF-8, one row per line,
//   PATH > TITLE [TAB SHORTCUT [TAB STATE]]
// where the path's menus and the title are separated by " > ", SHORTCUT is a key combination in the form
// people write ("Ctrl+Shift+S", "F5", empty: none) and STATE a comma-separated list of "checked", "submenu"
// and "disabled" (an item the application offers but does not allow now). Blank lines and lines starting with "#" are skipped. This is also what `list` prints, so its
// output can be read back.
//
// A row kept as the texts of its `list` line instead of being built (RowsForm::Plain). The texts belong to
// the RowsFile it came from.
struct PlainRow
{
    const QString *path = nullptr;     // "A > B > " with tabs and line breaks flattened; null: a top-level row
    const QString *shortcut = nullptr; // KeyData::displayText(); null: none
    // The title, flattened: Latin-1 when it fits, else UTF-16 (the other pointer null).
    const char *latinTitle = nullptr;
    const char16_t *wideTitle = nullptr;
    uint32_t titleSize = 0;
    bool checked = false;
    bool submenu = false;
    bool disabled = false;
};
// A row of a file read in the plain form, with its score for the filter's query.
struct ScoredLine
{
    double score = 0;
    PlainRow plain;
};
enum class RowsForm {
    Built, // every row the filter may list is built
    Plain, // with a filter, only the rows it lists are kept, as texts (PlainRow)
};
// How many warnings a RowsFile keeps: a file of another kind can give one on every line.
constexpr qsizetype kKeptWarnings = 10;
struct RowsFile
{
    QList<MenuItemDataPtr> rows;
    QStringList warnings;       // the first kKeptWarnings "line N: ..." for lines skipped or fields ignored
    qsizetype warningCount = 0; // all of them
    std::vector<double> scores; // with a filter: each row's RowPrefilter::score(), in row order
    // With a filter, in the plain form: the rows the search lists (score above its threshold), in line order.
    // `rows` stays empty.
    std::deque<ScoredLine> lines; // grows without moving what it holds: no peak of twice its size
    std::vector<std::shared_ptr<const void>> plainTexts; // what plain rows point into
};
// With a filter, the rows it rules out (RowPrefilter::mayList) are left out without being built, their lines
// checked and warned about all the same, and each row built is scored right away (see rankScoredRows). In
// the plain form, rows the filter scores alone are not built at all, the others are built, scored and let go,
// and only the listed ones are kept, as their texts (rankLines). Lines that are not UTF-8 are skipped, with
// a warning.
RowsFile parseRows(const QByteArray &text, const RowPrefilter *filter = nullptr, RowsForm form = RowsForm::Built);
// Reads KeyData::displayText() back ("Ctrl+Shift+S", "Super+Alt+Page Down", "Ctrl++", "F5"); none when the
// text names no key. The modifier words are Linux's: Ctrl is the Command bit, Super the Control bit.
std::optional<KeyData> keyDataFromDisplayText(const QString &text);

// `text` with tabs and line breaks as spaces: they would break the line form, and titles never need them.
QString flatText(QString text);
// `text` as it may be written to a terminal: control characters other than tab and line feed (ESC, BEL,
// carriage return, C1 controls, ...) become U+FFFD. Titles come from other programs; an escape sequence in
// one would act on the terminal. `--json` output needs none of this: JSON escapes them.
QString terminalText(QString text);
// One line of `list` in the rows file form; tabs and line breaks inside titles become spaces.
QString rowLine(const MenuItemData &row);
// Writes rowLine() of many rows into one text, reusing what rows share: the text of a shared path, of a
// shortcut. Not thread-safe; keeps the paths it has seen alive.
class RowLineWriter
{
public:
    // Appends rowLine(row) to `out`.
    void append(const MenuItemData &row, QString &out);
    // Appends the same text for a row kept as texts.
    void append(const PlainRow &row, QString &out);

private:
    void appendShortcutAndState(const QString *shortcut, QLatin1String state, QString &out);

    struct KeyHash
    {
        size_t operator()(const KeyData &key) const noexcept;
    };
    std::unordered_map<RowPathPtr, QString> m_paths;  // "A > B > " with tabs and line breaks flattened
    const std::pair<const RowPathPtr, QString> *m_lastPath = nullptr; // in m_paths
    std::unordered_map<KeyData, QString, KeyHash> m_keys; // displayText()
};

// The state field of a row's line: "checked", "submenu", "disabled", comma-separated in that order; "" for none.
QLatin1String rowStateText(bool checked, bool submenu, bool disabled);

// {"path": [...], "title": ..., "shortcut": "Ctrl+S" or null, "checked": bool, "submenu": bool, "enabled": bool}
QJsonObject rowJson(const MenuItemData &row);
// "File > Save As…"
QString rowPathText(const MenuItemData &row);

struct RankedRow
{
    MenuItemDataPtr row;
    double score;
};
// The rows the palette's search lists for `query` (score above its threshold), best first; equal scores
// keep menu order. Large row lists are scored on several threads. Call it from one thread at a time for a
// given list (the search fills the rows' lazy caches).
std::vector<RankedRow> rankRows(SearchUtils &search, const QString &query, const QList<MenuItemDataPtr> &rows);
// The same over rows already scored (one score per row, as RowsFile::scores): those above `threshold`.
std::vector<RankedRow> rankScoredRows(const QList<MenuItemDataPtr> &rows, const std::vector<double> &scores,
                                      double threshold);

// The lines of a file read in the plain form with a filter that score above `threshold`, best first; equal
// scores keep line order. The pointers are into `file`.
std::vector<const ScoredLine *> rankLines(const RowsFile &file, double threshold);

// The first row whose path and title equal `pathText` ("File > Save As…"). Compared segment by segment,
// ignoring case, blanks around ">" and "..." written for "…". Null when none.
MenuItemDataPtr findRow(const QList<MenuItemDataPtr> &rows, const QString &pathText);

} // namespace tavolin::menutool
