// Reading rows files (parseRows): see MenuRows.h.
#include "tools/MenuRows.h"

#include "common/ViewMap.h"

#include <QStringDecoder>

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

// Titles copied into large blocks: a row's title is a few dozen characters, too small for an allocation each.
template <typename Char>
class TitleChunks
{
public:
    // Room for `size` characters that stays where it is.
    Char *take(size_t size)
    {
        if (m_chunks.empty() || m_used + size > kChunk) {
            m_chunks.push_back(std::make_unique<Char[]>(std::max(kChunk, size)));
            m_used = 0;
        }
        Char *const at = m_chunks.back().get() + m_used;
        m_used += size;
        return at;
    }

private:
    static constexpr size_t kChunk = 32 * 1024;
    std::vector<std::unique_ptr<Char[]>> m_chunks;
    size_t m_used = kChunk; // in m_chunks.back()
};

// Tabs and line breaks as spaces, as rowLine() writes them.
constexpr char16_t flatUnit(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' ? u' ' : c;
}

// The texts plain rows point into: made by one parser, kept by the file. Addresses never move.
struct PlainTexts
{
    std::deque<QString> paths;
    std::deque<QString> keys;
    TitleChunks<char> latin;
    TitleChunks<char16_t> wide;

    // A flattened copy of `title` into `row`: Latin-1 when every character fits, else UTF-16.
    void addTitle(QStringView title, PlainRow &row)
    {
        const size_t size = size_t(title.size());
        row.titleSize = uint32_t(size);
        if (std::all_of(title.begin(), title.end(), [](QChar c) { return c.unicode() < 0x100; })) {
            char *const at = latin.take(size);
            for (size_t i = 0; i < size; ++i)
                at[i] = char(flatUnit(title[qsizetype(i)].unicode()));
            row.latinTitle = at;
            return;
        }
        char16_t *const at = wide.take(size);
        for (size_t i = 0; i < size; ++i)
            at[i] = flatUnit(title[qsizetype(i)].unicode());
        row.wideTitle = at;
    }
};

// A field quoted in a warning: its start, and what a terminal would not show as a character (controls,
// format characters such as direction overrides, unpaired surrogates) as U+FFFD. The field can be a whole
// line of a file of another kind.
QString excerpt(QStringView field)
{
    constexpr qsizetype kShown = 40;
    field = field.trimmed();
    QString text;
    qsizetype count = 0;
    for (const char32_t c : field.first(std::min(field.size(), 2 * kShown)).toUcs4()) {
        if (count++ == kShown)
            break;
        if (QChar::isPrint(c))
            text += QString::fromUcs4(&c, 1);
        else
            text += QChar(QChar::ReplacementCharacter);
    }
    if (count > kShown || field.size() > 2 * kShown)
        text += QChar(u'\u2026');
    return text;
}

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

    // A line that is not UTF-8: a file of another kind or another encoding, whose rows would be garbled.
    void skipNotUtf8(int number)
    {
        m_number = number;
        warn([] { return QStringLiteral("not UTF-8 text; skipped"); });
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
            warn([] { return QStringLiteral("an empty menu or title; skipped"); });
            return;
        }
        KeyText *shortcut = nullptr;
        if (count >= 1 && !trimmedView(fields[1]).isEmpty()) {
            shortcut = &shortcutOf(fields[1]);
            if (!shortcut->key)
                warn([&] { return QStringLiteral("\"%1\" is not a key combination; ignored").arg(excerpt(fields[1])); });
        }
        const ParsedState &state = count >= 2 ? stateOf(fields[2]) : kNoState;
        if (!state.unknown.isEmpty())
            warn([&] { return QStringLiteral("unknown state \"%1\"; ignored").arg(excerpt(state.unknown.join(QLatin1Char(',')))); });
        if (count > 2)
            warn([] { return QStringLiteral("fields after the third ignored"); });
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
                    m_file.lines.push_back({*plain.score, plainRow(title, menus, shortcut, state)});
                return;
            }
        }
        if (m_filter && !m_filter->mayList(title, m_segments))
            return;
        const RowPathPtr path = m_segments.empty() ? RowPathPtr() : pathOf(menus);
        auto row = std::make_shared<MenuItemData>(title.toString(), path, state.checked,
                                                  shortcut ? shortcut->key : std::nullopt, QString());
        row->setExpands(state.submenu);
        row->setIsEnabled(!state.disabled);
        if (!m_filter) {
            m_file.rows.append(std::move(row));
            return;
        }
        const double score = m_filter->score(*row);
        if (!m_plain) {
            m_file.scores.push_back(score);
            m_file.rows.append(std::move(row));
        } else if (m_filter->lists(score)) {
            // The row with its search forms is many times the size of its texts: only those are kept.
            m_file.lines.push_back({score, plainRow(title, menus, shortcut, state)});
        }
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
        m_texts->addTitle(title, row);
        row.checked = state.checked;
        row.submenu = state.submenu;
        row.disabled = state.disabled;
        return row;
    }

    // Counts a warning about the current line; its text is made only while warnings are kept.
    template <typename MakeText>
    void warn(const MakeText &makeText)
    {
        if (m_file.warningCount++ < kKeptWarnings)
            m_file.warnings.append(QStringLiteral("line %1: %2").arg(m_number).arg(makeText()));
    }

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

// Whether `bytes` are UTF-8 throughout.
bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(decoder.decode(bytes));
    return !decoder.hasError();
}

// Reads the lines of decoded text one after another, numbering them.
class LineReader
{
public:
    LineReader(LineParser &parser, int firstLine) : m_parser(parser), m_number(firstLine - 1) {}

    // Each line of `text` (whole lines; the carriage returns inside them flattened). An empty last line
    // would be skipped anyway.
    void readText(QStringView text)
    {
        for (qsizetype from = 0; from < text.size();) {
            const qsizetype lineEnd = text.indexOf(u'\n', from);
            read(lineEnd < 0 ? text.sliced(from) : text.sliced(from, lineEnd - from), true);
            from = lineEnd < 0 ? text.size() : lineEnd + 1;
        }
    }

    // Each line of `bytes` (whole lines), decoded alone: for a block that holds bytes that are not UTF-8,
    // which only their own lines are skipped for.
    void readEachLine(QByteArrayView bytes)
    {
        for (qsizetype from = 0; from < bytes.size();) {
            const qsizetype lineEnd = bytes.indexOf('\n', from);
            const QByteArrayView line = lineEnd < 0 ? bytes.sliced(from) : bytes.sliced(from, lineEnd - from);
            from = lineEnd < 0 ? bytes.size() : lineEnd + 1;
            QString text = QString::fromUtf8(line);
            flattenLoneCarriageReturns(text);
            read(text, !text.contains(QChar::ReplacementCharacter) || isUtf8(line));
        }
    }

private:
    void read(QStringView view, bool utf8)
    {
        ++m_number;
        if (view.endsWith(QLatin1Char('\r')))
            view.chop(1);
        // Most lines start with a letter: only the others can be blank, or a comment after blanks (read
        // as a row, " #x" would be listed as "#x", a line that reads back as a comment).
        if (view.isEmpty() || view.front().isSpace()) {
            const QStringView trimmed = view.trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
                return;
        }
        if (view.startsWith(QLatin1Char('#')))
            return;
        if (utf8)
            m_parser.parse(view, m_number);
        else
            m_parser.skipNotUtf8(m_number);
    }

    LineParser &m_parser;
    int m_number;
};

// The rows of whole lines `bytes`, the first of them numbered `firstLine`. The text is decoded a block at a
// time into one reused buffer, which stays in the cache, instead of all at once (twice its size in UTF-16).
RowsFile parseLines(QByteArrayView bytes, int firstLine, const RowPrefilter *filter, RowsForm form)
{
    RowsFile file;
    LineParser parser(file, filter, form);
    LineReader reader(parser, firstLine);
    QString block;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype end = blockEnd(bytes, at);
        const QByteArrayView blockBytes = bytes.sliced(at, end - at);
        at = end;
        block = QString::fromUtf8(blockBytes);
        // Decoding puts U+FFFD for bytes that are not UTF-8: only a block holding one is looked at closer.
        if (block.contains(QChar::ReplacementCharacter)) {
            reader.readEachLine(blockBytes);
            continue;
        }
        flattenLoneCarriageReturns(block);
        reader.readText(block);
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
    for (; !tail.lines.empty(); tail.lines.pop_front()) // each block of the tail's freed as it is emptied
        file.lines.push_back(tail.lines.front());
    file.plainTexts.insert(file.plainTexts.end(), tail.plainTexts.begin(), tail.plainTexts.end());
    file.rows += tail.rows;
    file.warnings += tail.warnings.first(std::min(tail.warnings.size(), kKeptWarnings - file.warnings.size()));
    file.warningCount += tail.warningCount;
    file.scores.insert(file.scores.end(), tail.scores.begin(), tail.scores.end());
    return file;
}

} // namespace tavolin::menutool
