#include "tools/MenuRows.h"

#include "common/Mutex.h"
#include "common/SafeKeyCodeString.h"
#include "palette/SearchUtils.h"

#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <thread>
#include <unordered_map>

namespace tavolin::menutool {
namespace {

constexpr auto kSeparator = " > ";
// Below this many rows a second thread costs more than it saves.
constexpr qsizetype kRowsPerThread = 4000;

// Collects the rows of each top-level menu as the reader delivers them (several reading threads at once) and
// ends the caller's event loop when the last one is in.
class Collector final : public AxAppWatcher
{
public:
    explicit Collector(QEventLoop *loop) : m_loop(loop) {}

    void onUpdate(const AXMenuPtr &menu) override
    {
        MutexLocker lock(m_mutex);
        m_groups.assign(menu ? menu->items().size() : 0, {});
    }

    std::vector<AXRowInfo> onUpdate(const AXMenuItemPtr &item, int index) override
    {
        QList<MenuItemDataPtr> rows;
        const MenuItemData top(item, nullptr, QString()); // gives its title to the path; not listed
        if (item->submenu()) {
            for (const AXMenuItemPtr &child : item->submenu()->items())
                walk(child, &top, rows);
        }
        std::vector<AXRowInfo> infos;
        infos.reserve(size_t(rows.size()));
        for (const MenuItemDataPtr &row : std::as_const(rows))
            infos.push_back({row->title(), row->shortcut() ? std::optional(row->shortcut()->toString()) : std::nullopt});
        MutexLocker lock(m_mutex);
        if (index >= 0 && size_t(index) < m_groups.size())
            m_groups[size_t(index)] = std::move(rows);
        return infos;
    }

    void onShouldTriggerUpdate(bool) override {}

    void onLoadFinished() override
    {
        {
            MutexLocker lock(m_mutex);
            m_finished = true;
        }
        // Called on the main thread, where the loop runs; queued so a synchronous finish (no menus) still
        // ends a loop that has not started yet.
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
    }

    bool finished() const
    {
        MutexLocker lock(m_mutex);
        return m_finished;
    }

    QList<MenuItemDataPtr> rows() const
    {
        MutexLocker lock(m_mutex);
        QList<MenuItemDataPtr> all;
        for (const QList<MenuItemDataPtr> &group : m_groups)
            all += group;
        return all;
    }

private:
    static void walk(const AXMenuItemPtr &item, const MenuItemData *parent, QList<MenuItemDataPtr> &rows)
    {
        auto row = std::make_shared<MenuItemData>(item, parent, QString());
        rows.append(row);
        if (row->expands()) {
            for (const AXMenuItemPtr &child : item->submenu()->items())
                walk(child, row.get(), rows);
        }
    }

    QPointer<QEventLoop> m_loop;
    mutable Mutex m_mutex;
    std::vector<QList<MenuItemDataPtr>> m_groups GUARDED_BY(m_mutex); // one per top-level menu
    bool m_finished GUARDED_BY(m_mutex) = false;
};

// One segment as findRow compares it.
QString comparable(const QString &segment)
{
    QString text = segment.trimmed();
    text.replace(QLatin1String("..."), QStringLiteral("…"));
    return text.toCaseFolded();
}

QStringList comparableSegments(const QString &pathText)
{
    QStringList segments = pathText.split(QLatin1Char('>'));
    for (QString &segment : segments)
        segment = comparable(segment);
    return segments;
}

// The key part of a display text: a single character as it is, else a key name ("F5", "Space") or the
// words displayText() uses for glyph keys ("Page Down", "Return"). Empty when no key has that name.
QString keyNameForDisplay(const QString &key)
{
    if (key.size() == 1)
        return key.toUpper();
    if (SafeKeyCodeString::keyCodeForChar(key) >= 0)
        return key;
    for (int64_t code = 0; code < 128; ++code) {
        const QString name = SafeKeyCodeString::stringForKeyCode(code);
        // Only main keys: a keypad twin shares the display word but not the name's key code.
        if (!name.isEmpty() && SafeKeyCodeString::keyCodeForChar(name) == code &&
            SafeKeyCodeString::displayNameForKeyCode(code).compare(key, Qt::CaseInsensitive) == 0)
            return name;
    }
    return QString();
}

} // namespace

QString flatText(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

QString terminalText(QString text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7F && u < 0xA0))
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

// Example: "Ctrl+Shift+Page Down" → Command and Shift (Ctrl is Command, see KeyData), key "⇟".
std::optional<KeyData> keyDataFromDisplayText(const QString &text)
{
    static const std::pair<const char *, int64_t> kWords[] = {
        {"ctrl+", 0}, {"super+", keymask::kControl}, {"alt+", keymask::kOption}, {"shift+", keymask::kShift}};
    static const QRegularExpression kBlanksAroundPlus(QStringLiteral("\\s*\\+\\s*"));
    QString rest = text.trimmed();
    rest.replace(kBlanksAroundPlus, QStringLiteral("+"));
    int64_t mask = keymask::kNoCommand;
    for (bool found = true; found;) {
        found = false;
        for (const auto &[word, bit] : kWords) {
            const QString w = QString::fromLatin1(word);
            // "Ctrl++" is Ctrl with the plus key: a word is a modifier only while a key follows it.
            if (rest.size() > w.size() && rest.startsWith(w, Qt::CaseInsensitive)) {
                mask = bit == 0 ? (mask & ~keymask::kNoCommand) : (mask | bit);
                rest = rest.mid(w.size()).trimmed();
                found = true;
            }
        }
    }
    const QString key = keyNameForDisplay(rest);
    if (key.isEmpty())
        return std::nullopt;
    return KeyData(key, 0, mask);
}

AXAppHooks LanguageLoad::hooks() const
{
    AXAppHooks hooks;
    hooks.buildTransMap = [state = m_state](const std::optional<LocaleBundle> &bundle, const std::optional<QString> &locale) {
        LocaleUtils::buildTransMap(bundle, locale);
        state->withLocale.store(locale.has_value());
        state->built.store(true);
    };
    return hooks;
}

bool LanguageLoad::isLoaded(const AXApp &app) const
{
    // AXApp builds a map only for an application with a bundle identifier, and records the language (its
    // locale context) just after.
    if (!app.bundleIdentifier())
        return true;
    return m_state->built.load() && (!m_state->withLocale.load() || app.locale());
}

MenuRead readApplicationRows(const AXAppPtr &app, std::chrono::milliseconds bound,
                             const std::optional<LanguageLoad> &language)
{
    MenuRead read;
    if (!app)
        return read;
    QEventLoop loop;
    auto collector = std::make_shared<Collector>(&loop);
    app->setWatcher(collector);
    app->loadMenus(language ? MenuLoad::WithLanguage : MenuLoad::MenusOnly);
    // The menu bar is read on the background pool: until the last menu is in (and the language loaded), or
    // until the reader knows it will read none (no menu bar: the application is then not served).
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        const bool languageLoaded = !language || language->isLoaded(*app);
        if ((collector->finished() && languageLoaded) || (app->shouldTrigger() == false && !app->menu()))
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    if (!collector->finished() || (language && !language->isLoaded(*app)))
        loop.exec();
    // An application that did not answer gets an empty bar from the reader (or the part it read).
    read.hasMenuBar = app->menu() && (app->isAnswering() || !app->menu()->items().empty());
    read.topLevelMenus = read.hasMenuBar ? qsizetype(app->menu()->items().size()) : 0;
    app->setWatcher({}); // waits for deliveries still running, so the rows below are final
    read.complete = !read.hasMenuBar || (collector->finished() && app->isAnswering());
    read.rows = collector->rows();
    return read;
}

QString rowPathText(const MenuItemData &row)
{
    return row.path().isEmpty() ? row.title() : row.path().join(QLatin1String(kSeparator)) + QLatin1String(kSeparator) + row.title();
}

QLatin1String rowStateText(bool checked, bool submenu, bool disabled)
{
    // Every combination spelt out: lines are written by the hundred thousand, and a literal costs nothing.
    static constexpr const char *kStates[] = {"", "checked", "submenu", "checked,submenu", "disabled",
                                              "checked,disabled", "submenu,disabled", "checked,submenu,disabled"};
    return QLatin1String(kStates[(checked ? 1 : 0) | (submenu ? 2 : 0) | (disabled ? 4 : 0)]);
}

QString rowLine(const MenuItemData &row)
{
    const QLatin1String state = rowStateText(row.isChecked(), row.expands(), !row.isEnabled());
    QString line = flatText(rowPathText(row));
    const QString shortcut = row.shortcut() ? row.shortcut()->displayText() : QString();
    if (!shortcut.isEmpty() || !state.isEmpty())
        line += QLatin1Char('\t') + shortcut;
    if (!state.isEmpty()) {
        line += QLatin1Char('\t');
        line += state;
    }
    return line;
}

size_t RowLineWriter::KeyHash::operator()(const KeyData &key) const noexcept
{
    return qHashMulti(0, key.cmdChar.value_or(QString()), key.virtualKey, key.modifierFlags);
}

void RowLineWriter::append(const MenuItemData &row, QString &out)
{
    if (!m_lastPath || m_lastPath->first != row.rowPath()) {
        auto path = m_paths.find(row.rowPath());
        if (path == m_paths.end()) {
            const QStringList &menus = row.path();
            path = m_paths.emplace(row.rowPath(), menus.isEmpty() ? QString() : flatText(menus.join(QLatin1String(kSeparator)) + QLatin1String(kSeparator))).first;
        }
        m_lastPath = &*path;
    }
    out += m_lastPath->second;
    const qsizetype titleAt = out.size();
    out += row.title();
    for (auto it = out.begin() + titleAt; it != out.end(); ++it) {
        if (*it == QLatin1Char('\t') || *it == QLatin1Char('\n') || *it == QLatin1Char('\r'))
            *it = QLatin1Char(' ');
    }
    const QString *shortcut = nullptr;
    if (row.shortcut()) {
        auto key = m_keys.find(*row.shortcut());
        if (key == m_keys.end())
            key = m_keys.emplace(*row.shortcut(), row.shortcut()->displayText()).first;
        shortcut = &key->second;
    }
    appendShortcutAndState(shortcut, rowStateText(row.isChecked(), row.expands(), !row.isEnabled()), out);
}

void RowLineWriter::append(const PlainRow &row, QString &out)
{
    if (row.path)
        out += *row.path;
    if (row.wideTitle)
        out += QStringView(row.wideTitle, qsizetype(row.titleSize));
    else
        out += QLatin1String(row.latinTitle, qsizetype(row.titleSize));
    appendShortcutAndState(row.shortcut, rowStateText(row.checked, row.submenu, row.disabled), out);
}

void RowLineWriter::appendShortcutAndState(const QString *shortcut, QLatin1String state, QString &out)
{
    if ((shortcut && !shortcut->isEmpty()) || !state.isEmpty()) {
        out += QLatin1Char('\t');
        if (shortcut)
            out += *shortcut;
    }
    if (!state.isEmpty()) {
        out += QLatin1Char('\t');
        out += state;
    }
}

QJsonObject rowJson(const MenuItemData &row)
{
    const QString shortcut = row.shortcut() ? row.shortcut()->displayText() : QString();
    return QJsonObject{
        {QStringLiteral("path"), QJsonArray::fromStringList(row.path())},
        {QStringLiteral("title"), row.title()},
        {QStringLiteral("shortcut"), shortcut.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(shortcut)},
        {QStringLiteral("checked"), row.isChecked()},
        {QStringLiteral("submenu"), row.expands()},
        {QStringLiteral("enabled"), row.isEnabled()},
    };
}

namespace {

// The entries scoring above the threshold, best first; equal scores keep row order.
std::vector<RankedRow> listed(const QList<MenuItemDataPtr> &rows, std::vector<SearchUtils::ScoredEntry> scores,
                              double threshold)
{
    std::erase_if(scores, [threshold](const SearchUtils::ScoredEntry &entry) { return !(entry.score > threshold); });
    std::stable_sort(scores.begin(), scores.end(),
                     [](const SearchUtils::ScoredEntry &a, const SearchUtils::ScoredEntry &b) { return a.score > b.score; });
    std::vector<RankedRow> ranked;
    ranked.reserve(scores.size());
    for (const SearchUtils::ScoredEntry &entry : scores)
        ranked.push_back({rows.at(entry.index), entry.score});
    return ranked;
}

} // namespace

std::vector<RankedRow> rankRows(SearchUtils &search, const QString &query, const QList<MenuItemDataPtr> &rows)
{
    // A one-shot run pays for every row's search forms, built on first use: split the rows between threads.
    // Each row is touched by one thread only, and the joins publish its caches, so its unguarded lazy fields
    // are safe; folding and transliteration keep their shared state thread-safe.
    const FoldedText keyword(query, search.foldMode());
    std::vector<SearchUtils::ScoredEntry> scores(size_t(rows.size()));
    const qsizetype threads = rows.size() < kRowsPerThread ? 1 : std::max(1, QThread::idealThreadCount());
    const auto scoreRange = [&](qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i)
            scores[size_t(i)] = {i, rows.at(i) ? search.rowScore(keyword, *rows.at(i)) : 0.0};
    };
    std::vector<std::thread> workers;
    for (qsizetype t = 1; t < threads; ++t)
        workers.emplace_back(scoreRange, rows.size() * t / threads, rows.size() * (t + 1) / threads);
    scoreRange(0, rows.size() / threads);
    for (std::thread &worker : workers)
        worker.join();
    return listed(rows, std::move(scores), search.threshold);
}

std::vector<RankedRow> rankScoredRows(const QList<MenuItemDataPtr> &rows, const std::vector<double> &scores,
                                      double threshold)
{
    std::vector<SearchUtils::ScoredEntry> entries;
    entries.reserve(size_t(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i)
        entries.push_back({i, size_t(i) < scores.size() ? scores[size_t(i)] : 0.0});
    return listed(rows, std::move(entries), threshold);
}

std::vector<const ScoredLine *> rankLines(const RowsFile &file, double threshold)
{
    std::vector<const ScoredLine *> ranked;
    for (const ScoredLine &line : file.lines) {
        if (line.score > threshold)
            ranked.push_back(&line);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const ScoredLine *a, const ScoredLine *b) { return a->score > b->score; });
    return ranked;
}

MenuItemDataPtr findRow(const QList<MenuItemDataPtr> &rows, const QString &pathText)
{
    const QStringList wanted = comparableSegments(pathText);
    for (const MenuItemDataPtr &row : rows) {
        QStringList segments;
        for (const QString &menu : row->path())
            segments += comparableSegments(menu);
        segments += comparableSegments(row->title());
        if (segments == wanted)
            return row;
    }
    return nullptr;
}

} // namespace tavolin::menutool
