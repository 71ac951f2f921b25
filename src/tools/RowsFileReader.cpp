// Reading rows files (parseRows): see MenuRows.h.
#include "tools/MenuRows.h"

#include "common/ViewMap.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <thread>
#include <unordered_map>

namespace tavolin::menutool {
namespace {

constexpr auto kSeparator = " > ";
// Below this many bytes (some 4,000 rows) a file is read on one thread.
constexpr qsizetype kParallelBytes = 160 * 1024;
// Bytes of a rows file decoded at a time.
constexpr qsizetype kBlockBytes = 64 * 1024;

struct ParsedState
{
    bool checked = false;
    bool submenu = false;
    bool disabled = false;
    QStringList unknown;
};

ParsedState parseState(const QString &field)
{
    ParsedState state;
    for (const QString &word : field.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString w = word.trimmed();
        if (w == QLatin1String("checked"))
            state.checked = true;
        else if (w == QLatin1String("submenu"))
            state.submenu = true;
        else if (w == QLatin1String("disabled"))
            state.disabled = true;
        else if (!w.isEmpty())
            state.unknown.append(w);
    }
    return state;
}

// The first " > " in `text` at or after `from`, or -1. Looks for the ">" and checks its neighbours: cheaper
// than a substring search, and it finds what one would.
qsizetype separatorAt(QStringView text, qsizetype from)
{
    const qsizetype size = text.size();
    for (qsizetype at = from + 1; at + 1 < size; ++at) {
        if (text[at] == u'>' && text[at - 1] == u' ' && text[at + 1] == u' ')
            return at - 1;
    }
    return -1;
}

// QStringView::trimmed() inline: most texts have nothing to trim, and the call costs more than the look.
QStringView trimmedView(QStringView text)
{
    while (!text.isEmpty() && text.front().isSpace())
        text = text.sliced(1);
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

// The texts plain rows point into: made by one parser, kept by the file. Addresses never move.
struct PlainTexts
{
    static constexpr size_t kChunk = 64 * 1024;

    std::deque<QString> paths;
    std::deque<QString> keys;
    std::vector<std::unique_ptr<char[]>> chunks;
    size_t used = kChunk; // in chunks.back()

    // A copy of an ASCII title with tabs and line breaks flattened, as rowLine() writes it.
    const char *addTitle(QStringView title)
    {
        const size_t size = size_t(title.size());
        if (chunks.empty() || used + size > kChunk) {
            chunks.push_back(std::make_unique<char[]>(std::max(kChunk, size)));
            used = 0;
        }
        char *const at = chunks.back().get() + used;
        for (size_t i = 0; i < size; ++i) {
            const char c = char(title[qsizetype(i)].unicode());
            at[i] = c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
        }
        used += size;
        return at;
    }
};

// Parses whole lines of a rows file. Shortcut texts and paths repeat from row to row: each is read once per
// parser, and rows with the same path share it (RowPath). One parser per thread.
class LineParser
{
public:
    LineParser(RowsFile &file, const RowPrefilter *filter, RowsForm form)
        : m_file(file), m_filter(filter), m_plain(filter && form == RowsForm::Plain)
    {
        if (m_plain) {
            m_texts = std::make_shared<PlainTexts>();
            m_file.plainTexts.push_back(m_texts);
        }
    }

    // One non-blank, non-comment line: adds its row to the file unless it holds no title (with a warning) or
    // the filter rules it out.
    void parse(QStringView line, int number)
    {
        m_number = number;
        QStringView fields[3];
        qsizetype count = 0;
        for (qsizetype from = 0;; ++count) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
            if (count < 3)
                fields[count] = tab < 0 ? line.sliced(from) : line.sliced(from, tab - from);
            if (tab < 0)
                break;
            from = tab + 1;
        }
        // Separators are found left to right, as splitting finds them ("A > > B" is "A" and "> B").
        m_segments.clear();
        qsizetype from = 0;
        for (qsizetype at = separatorAt(fields[0], 0); at >= 0; at = separatorAt(fields[0], at + 3)) {
            m_segments.push_back(trimmedView(fields[0].sliced(from, at - from)));
            from = at + 3;
        }
        const QStringView title = trimmedView(fields[0].sliced(from));
        if (title.isEmpty() || std::any_of(m_segments.cbegin(), m_segments.cend(), [](QStringView s) { return s.isEmpty(); })) {
            warn(QStringLiteral("an empty menu or title; skipped"));
            return;
        }
        KeyText *shortcut = nullptr;
        if (count >= 1 && !trimmedView(fields[1]).isEmpty()) {
            shortcut = &shortcutOf(fields[1]);
            if (!shortcut->key)
                warn(QStringLiteral("\"%1\" is not a key combination; ignored").arg(fields[1].trimmed()));
        }
        const ParsedState &state = count >= 2 ? stateOf(fields[2]) : kNoState;
        if (!state.unknown.isEmpty())
            warn(QStringLiteral("unknown state \"%1\"; ignored").arg(state.unknown.join(QLatin1Char(','))));
        if (count > 2)
            warn(QStringLiteral("fields after the third ignored"));
        // After the checks, so a line gives the same warnings whether its row is built or not.
        add(title, m_segments.empty() ? QStringView() : fields[0].first(from - 3), shortcut && shortcut->key ? shortcut : nullptr, state);
    }

private:
    struct KeyText
    {
        std::optional<KeyData> key;
        const QString *display = nullptr; // key->displayText(), made for the first plain row with it
    };
    struct PathEntry
    {
        RowPathPtr path;                  // made for the first built row under it
        const QString *text = nullptr;    // "A > B > " flattened, made for the first plain row under it
    };

    // The row of a line that passed its checks; `menus` is the text before the title's separator.
    void add(QStringView title, QStringView menus, KeyText *shortcut, const ParsedState &state)
    {
        if (m_plain) {
            const RowPrefilter::PlainScore plain = m_filter->plainScore(title, m_segments, state.submenu);
            if (plain.decided) {
                if (plain.score)
                    m_file.lines.push_back({*plain.score, -1, plainRow(title, menus, shortcut, state)});
                return;
            }
        }
        if (m_filter && !m_filter->mayList(title, m_segments))
            return;
        const RowPathPtr path = m_segments.empty() ? RowPathPtr() : pathOf(menus);
        auto row = std::make_shared<MenuItemData>(title.toString(), path, state.checked,
                                                  shortcut ? shortcut->key : std::nullopt, QString());
        row->setHasSubmenu(state.submenu);
        row->setIsEnabled(!state.disabled);
        if (m_filter) {
            const double score = m_filter->score(*row);
            m_file.scores.push_back(score);
            if (m_plain)
                m_file.lines.push_back({score, m_file.rows.size(), {}});
        }
        m_file.rows.append(std::move(row));
    }

    PlainRow plainRow(QStringView title, QStringView menus, KeyText *shortcut, const ParsedState &state)
    {
        PlainRow row;
        if (!m_segments.empty()) {
            PathEntry &entry = pathEntry(menus);
            if (!entry.text) {
                QString text;
                for (QStringView segment : m_segments) {
                    text += segment;
                    text += QLatin1String(kSeparator);
                }
                entry.text = &m_texts->paths.emplace_back(flatText(std::move(text)));
            }
            row.path = entry.text;
        }
        if (shortcut) {
            if (!shortcut->display)
                shortcut->display = &m_texts->keys.emplace_back(shortcut->key->displayText());
            row.shortcut = shortcut->display;
        }
        row.title = m_texts->addTitle(title);
        row.titleSize = uint32_t(title.size());
        row.checked = state.checked;
        row.submenu = state.submenu;
        row.disabled = state.disabled;
        return row;
    }

    void warn(const QString &text) { m_file.warnings.append(QStringLiteral("line %1: %2").arg(m_number).arg(text)); }

    // Rows of one menu mostly follow each other: compare with the last path before hashing.
    PathEntry &pathEntry(QStringView menus)
    {
        if (m_lastPath && menus == m_lastPath->first)
            return m_lastPath->second;
        auto known = m_paths.find(menus);
        if (known == m_paths.end())
            known = m_paths.emplace(menus.toString(), PathEntry{}).first;
        m_lastPath = &*known;
        return known->second;
    }

    // The shared path of the menus before the title ("Edit > Find"), whose trimmed segments are m_segments.
    const RowPathPtr &pathOf(QStringView menus)
    {
        PathEntry &entry = pathEntry(menus);
        if (!entry.path) {
            QStringList segments;
            segments.reserve(qsizetype(m_segments.size()));
            for (QStringView segment : m_segments)
                segments.append(segment.toString());
            entry.path = RowPath::make(segments);
        }
        return entry.path;
    }

    // Rows of one menu often repeat a shortcut or a state: each is compared with the last before hashing.
    KeyText &shortcutOf(QStringView text)
    {
        if (m_lastKey && text == m_lastKey->first)
            return m_lastKey->second;
        auto known = m_keyTexts.find(text);
        if (known == m_keyTexts.end())
            known = m_keyTexts.emplace(text.toString(), KeyText{keyDataFromDisplayText(text.toString())}).first;
        m_lastKey = &*known;
        return known->second;
    }

    const ParsedState &stateOf(QStringView text)
    {
        if (!m_lastState || text != m_lastState->first)
            m_lastState.emplace(text.toString(), parseState(text.toString()));
        return m_lastState->second;
    }

    static inline const ParsedState kNoState{};

    RowsFile &m_file;
    const RowPrefilter *m_filter;
    const bool m_plain;
    std::shared_ptr<PlainTexts> m_texts; // in the plain form
    int m_number = 0;
    std::vector<QStringView> m_segments; // of the line being parsed: its menus, trimmed
    ViewMap<KeyText> m_keyTexts;
    ViewMap<PathEntry> m_paths;
    std::pair<const QString, PathEntry> *m_lastPath = nullptr;  // in m_paths
    std::pair<const QString, KeyText> *m_lastKey = nullptr;     // in m_keyTexts
    std::optional<std::pair<QString, ParsedState>> m_lastState;
};

// The end of the block of whole lines starting at `from`: some kBlockBytes long, cut after a line break (UTF-8
// never holds one inside a character, so a block decodes alone to what the whole would give).
qsizetype blockEnd(QByteArrayView bytes, qsizetype from)
{
    if (bytes.size() - from <= kBlockBytes)
        return bytes.size();
    const QByteArrayView head = bytes.sliced(from, kBlockBytes);
    const qsizetype lastBreak = head.lastIndexOf('\n');
    if (lastBreak >= 0)
        return from + lastBreak + 1;
    const qsizetype nextBreak = bytes.indexOf('\n', from + kBlockBytes);
    return nextBreak < 0 ? bytes.size() : nextBreak + 1;
}

// A carriage return inside a line is read as the space `list` writes for it, so a line reads back as the row
// it was written from; one before a line break ends the line, as in files written on other systems.
void flattenLoneCarriageReturns(QString &block)
{
    if (!block.contains(QLatin1Char('\r')))
        return;
    for (qsizetype i = 0; i < block.size(); ++i) {
        if (block.at(i) == QLatin1Char('\r') && i + 1 < block.size() && block.at(i + 1) != QLatin1Char('\n'))
            block[i] = QLatin1Char(' ');
    }
}

// The rows of whole lines `bytes`, the first of them numbered `firstLine`. The text is decoded a block at a
// time into one reused buffer, which stays in the cache, instead of all at once (twice its size in UTF-16).
RowsFile parseLines(QByteArrayView bytes, int firstLine, const RowPrefilter *filter, RowsForm form)
{
    RowsFile file;
    LineParser parser(file, filter, form);
    int number = firstLine - 1;
    QString block;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype end = blockEnd(bytes, at);
        block = QString::fromUtf8(bytes.sliced(at, end - at));
        at = end;
        flattenLoneCarriageReturns(block);
        const QStringView text(block);
        for (qsizetype from = 0; from < text.size();) { // an empty last line would be skipped anyway
            const qsizetype lineEnd = text.indexOf(u'\n', from);
            QStringView view = lineEnd < 0 ? text.sliced(from) : text.sliced(from, lineEnd - from);
            from = lineEnd < 0 ? text.size() : lineEnd + 1;
            ++number;
            if (view.endsWith(QLatin1Char('\r')))
                view.chop(1);
            // Most lines start with a letter: only the others can be blank, or a comment after blanks (read
            // as a row, " #x" would be listed as "#x", a line that reads back as a comment).
            if (view.isEmpty() || view.front().isSpace()) {
                const QStringView trimmed = view.trimmed();
                if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
                    continue;
            }
            if (view.startsWith(QLatin1Char('#')))
                continue;
            parser.parse(view, number);
        }
    }
    return file;
}

} // namespace

RowsFile parseRows(const QByteArray &text, const RowPrefilter *filter, RowsForm form)
{
    // A large file is read in two halves on two threads, cut after a line break: UTF-8 never holds a line
    // break inside a character, so each half decodes alone to what the whole would give.
    const qsizetype cut = text.size() < kParallelBytes ? -1 : text.indexOf('\n', text.size() / 2);
    if (cut < 0)
        return parseLines(text, 1, filter, form);
    const QByteArrayView first(text.constData(), cut + 1);
    const QByteArrayView second(text.constData() + cut + 1, text.size() - cut - 1);
    const int secondLine = 1 + int(std::count(first.begin(), first.end(), '\n'));
    RowsFile tail;
    std::thread worker([&] { tail = parseLines(second, secondLine, filter, form); });
    RowsFile file = parseLines(first, 1, filter, form);
    worker.join();
    const qsizetype builtBefore = file.rows.size();
    file.lines.reserve(file.lines.size() + tail.lines.size());
    for (ScoredLine &line : tail.lines) {
        if (line.row >= 0)
            line.row += builtBefore;
        file.lines.push_back(line);
    }
    file.plainTexts.insert(file.plainTexts.end(), tail.plainTexts.begin(), tail.plainTexts.end());
    file.rows += tail.rows;
    file.warnings += tail.warnings;
    file.scores.insert(file.scores.end(), tail.scores.begin(), tail.scores.end());
    return file;
}

} // namespace tavolin::menutool
