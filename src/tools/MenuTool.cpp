#include "tools/MenuTool.h"

#include "accessibility/AXApp.h"
#include "accessibility/AXMenuItem.h"
#include "palette/SearchUtils.h"
#include "tools/MenuRows.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <chrono>
#include <future>
#include <memory>

#ifndef TAVOLIN_VERSION
#define TAVOLIN_VERSION "0"
#endif

namespace tavolin::menutool {
namespace {

constexpr auto kDescription = R"(List, search and perform the menu-bar commands of an application.

Commands:
  list                 every command and submenu, disabled ones marked: PATH > TITLE, shortcut, state
  search QUERY         the rows the palette would list for QUERY, best first, with scores
  perform "PATH"       performs one command, e.g. "File > Save As…" (case and "..." for "…" are forgiven)

Without --pid the application of the focused window is used.

Rows file (--rows; "-" reads standard input): UTF-8, one row per line,
  PATH > TITLE<TAB>SHORTCUT<TAB>STATE
shortcut and state optional; STATE: any of "checked", "submenu", "disabled", comma-separated;
blank lines and lines starting with # are skipped, and so are lines that are not UTF-8 (the first ten
lines skipped or with fields ignored are named on standard error). The output of list is such a file.

Exit codes:
  0  success
  1  search ranked nothing, or perform found no such command
  2  bad arguments, or the rows file cannot be read
  3  applications cannot be read: no accessibility bus in this session, or tavolin-menu-live is missing
  4  no such process, no focused application, or it is not on the accessibility bus
  5  the application has no menu bar
  6  the command was found but the press did not reach it: the menu item is gone, the application
     refused it or did not answer
  7  the application's menus are empty until they are opened (some applications, Firefox
     among them, build their menus on demand): open one of its menus once and try again
  8  the application did not answer within the time-out (0.9 s a request) before its menu bar was read,
     or answered too slowly for any command to be read within the reading's 3 s
  9  the application or its menu bar went away while it was read
  10 the command is disabled: the application does not offer it now (nothing was pressed)

Menus read only in part are still listed, with a warning on standard error saying why: the
application stopped answering, an item vanished while it was read, or a limit was reached (each
element is read once, menus at most 32 deep, at most 50,000 items, 3 s in all).

JSON output (--json) is one object whose "format" member is its version (now 1):
  list, search: {"format", "application": {"name", "pid"}, "rows": [{"path", "title",
                 "shortcut", "checked", "submenu", "enabled"[, "score"]}]}
  perform:      {"format", "application", "command": PATH, "performed": true or false,
                 "row": the row performed or null, "error": why not, or null}
  "enabled" is false for a command the application has disabled now.
  A failure before the application's commands are read (codes 2 to 5, 7 to 9) prints no JSON.)";

// How long perform waits for the application's answer to a press; the source answers within about one
// messaging time-out.
constexpr std::chrono::seconds kOutcomeBound{3};

struct Options
{
    QString command;
    QString argument; // the query or the path
    std::optional<int32_t> pid;
    std::optional<QString> rowsFile;
    std::optional<qsizetype> limit;
    bool json = false;
};

struct Failure
{
    ExitCode code;
    QString message;
};

// The rows and, when they came from an application, its name and pid.
struct Rows
{
    QList<MenuItemDataPtr> rows;
    std::optional<std::vector<double>> scores; // for the query, when the rows were scored as they were read
    std::optional<RowsFile> plain;             // a rows file read in the plain form, scored as it was read
    std::optional<QString> appName;
    int32_t pid = 0;
    std::shared_ptr<ElementSource> source; // keeps the application's elements valid while pressing
};

std::optional<Failure> validate(const QCommandLineParser &parser, Options &options)
{
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return Failure{ExitCode::Usage, QStringLiteral("a command is needed: list, search or perform (see --help)")};
    options.command = positional.takeFirst();
    options.argument = positional.join(QLatin1Char(' '));
    options.json = parser.isSet(QStringLiteral("json"));
    if (options.command == QLatin1String("list")) {
        if (!positional.isEmpty())
            return Failure{ExitCode::Usage, QStringLiteral("list takes no argument")};
    } else if (options.command == QLatin1String("search") || options.command == QLatin1String("perform")) {
        if (options.argument.trimmed().isEmpty())
            return Failure{ExitCode::Usage, options.command == QLatin1String("search")
                                                ? QStringLiteral("search needs a QUERY")
                                                : QStringLiteral("perform needs a command's path, e.g. \"File > Save\"")};
    } else {
        return Failure{ExitCode::Usage, QStringLiteral("unknown command \"%1\" (list, search or perform)").arg(options.command)};
    }
    if (parser.isSet(QStringLiteral("pid"))) {
        bool ok = false;
        const int pid = parser.value(QStringLiteral("pid")).toInt(&ok);
        if (!ok || pid <= 0)
            return Failure{ExitCode::Usage, QStringLiteral("--pid needs a process id, not \"%1\"").arg(parser.value(QStringLiteral("pid")))};
        options.pid = pid;
    }
    if (parser.isSet(QStringLiteral("rows"))) {
        if (options.pid)
            return Failure{ExitCode::Usage, QStringLiteral("--rows and --pid exclude each other")};
        if (options.command == QLatin1String("perform"))
            return Failure{ExitCode::Usage, QStringLiteral("rows read from a file cannot be performed")};
        options.rowsFile = parser.value(QStringLiteral("rows"));
    }
    if (parser.isSet(QStringLiteral("limit"))) {
        bool ok = false;
        const qlonglong limit = parser.value(QStringLiteral("limit")).toLongLong(&ok);
        if (!ok || limit < 0)
            return Failure{ExitCode::Usage, QStringLiteral("--limit needs a count, not \"%1\"").arg(parser.value(QStringLiteral("limit")))};
        options.limit = qsizetype(limit);
    }
    return std::nullopt;
}

// With a filter (a search), only the rows it cannot rule out are kept, and they are scored as they are; in the
// plain form only those it cannot score alone are built.
std::optional<Failure> readRowsFile(const QString &path, const RowPrefilter *filter, RowsForm form, Rows &rows,
                                    QTextStream &err)
{
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                    : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened)
        return Failure{ExitCode::Usage, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    RowsFile parsed = parseRows(file.readAll(), filter, form);
    for (const QString &warning : parsed.warnings)
        err << terminalText(QStringLiteral("tavolin-menu: %1, %2\n").arg(path, warning));
    if (parsed.warningCount > parsed.warnings.size()) {
        err << terminalText(QStringLiteral("tavolin-menu: %1, %2 more warnings not shown\n")
                                .arg(path)
                                .arg(parsed.warningCount - parsed.warnings.size()));
    }
    if (filter && form == RowsForm::Plain) {
        rows.plain = std::move(parsed);
        return std::nullopt;
    }
    rows.rows = std::move(parsed.rows);
    if (filter)
        rows.scores = std::move(parsed.scores);
    return std::nullopt;
}

std::optional<Failure> readApplication(ToolPlatform &platform, Dispatcher &dispatcher, const Options &options,
                                       std::chrono::milliseconds bound, SearchUtils &searchUtils, Rows &rows,
                                       QTextStream &err)
{
    ToolPlatform::Target target = platform.application(options.pid);
    if (!target.application || !target.source)
        return Failure{target.code == ExitCode::Ok ? ExitCode::NoApplication : target.code, target.message};
    // A search ranks with the English titles of a translated application, as the palette does.
    std::optional<LanguageLoad> language;
    if (options.command == QLatin1String("search"))
        language.emplace();
    AXAppHooks hooks = language ? language->hooks() : AXAppHooks{};
    // The tool shows the menus as they are, disabled items marked; perform refuses those by name.
    hooks.keepDisabledItems = true;
    AXAppPtr app = AXApp::create(target.source, dispatcher, std::move(hooks), target.application);
    rows.appName = app->name();
    rows.pid = app->pid();
    rows.source = target.source;
    const QString who = QStringLiteral("%1 (pid %2)").arg(app->name().value_or(QStringLiteral("the application"))).arg(app->pid());
    const MenuRead read = readApplicationRows(app, bound, language);
    const MenuReadCuts cuts = app->readCuts();
    if (!read.hasMenuBar) {
        if (!app->isAnswering())
            return Failure{ExitCode::NotAnswering, QStringLiteral("%1 did not answer within the time-out; try again").arg(who)};
        if (cuts.vanished)
            return Failure{ExitCode::Vanished, QStringLiteral("%1 went away while its menus were read").arg(who)};
        return Failure{ExitCode::NoMenuBar, QStringLiteral("%1 has no menu bar").arg(who)};
    }
    if (read.rows.isEmpty() && cuts.vanished)
        return Failure{ExitCode::Vanished, QStringLiteral("%1 went away while its menus were read").arg(who)};
    if (read.rows.isEmpty() && cuts.budget)
        return Failure{ExitCode::NotAnswering, QStringLiteral("%1 answered too slowly: no command was read within %2 s")
                                                   .arg(who).arg(double(menulimits::kReadBudget.count()) / 1000)};
    // Firefox, for one, lists its top-level menus but fills them only when they open: an empty list with
    // success would read as "no commands at all".
    if (read.complete && read.rows.isEmpty())
        return Failure{ExitCode::EmptyMenus,
                       QStringLiteral("%1 shows %2 menus but no commands in them: it fills its menus only when they "
                                      "are opened; open one of its menus once and try again")
                           .arg(who)
                           .arg(read.topLevelMenus)};
    if (!app->isAnswering())
        err << terminalText(QStringLiteral("tavolin-menu: %1 stopped answering; its menus are partial\n").arg(who));
    else if (!read.complete)
        err << terminalText(QStringLiteral("tavolin-menu: %1 took too long to answer; its menus are partial\n").arg(who));
    for (const QString &clause : cuts.describe())
        err << terminalText(QStringLiteral("tavolin-menu: warning: %1: %2\n").arg(who, clause));
    rows.rows = read.rows;
    // Folded for the application's language (Turkish i), as the palette folds.
    if (language)
        searchUtils.setLocaleContext(app->localeContext());
    return std::nullopt;
}

// {"format", "application" (when the rows came from one)} and the command's own members.
void printJson(QTextStream &out, const Rows &rows, QJsonObject document)
{
    document.insert(QStringLiteral("format"), kJsonFormat);
    if (rows.appName || rows.pid > 0) {
        document.insert(QStringLiteral("application"),
                        QJsonObject{{QStringLiteral("name"), rows.appName ? QJsonValue(*rows.appName) : QJsonValue()},
                                    {QStringLiteral("pid"), rows.pid}});
    }
    out << QJsonDocument(document).toJson(QJsonDocument::Indented);
}

void printRowsJson(QTextStream &out, const Rows &rows, const QJsonArray &array)
{
    printJson(out, rows, QJsonObject{{QStringLiteral("rows"), array}});
}

ExitCode list(const Options &options, const Rows &rows, QTextStream &out)
{
    if (options.json) {
        QJsonArray array;
        for (const MenuItemDataPtr &row : rows.rows)
            array.append(rowJson(*row));
        printRowsJson(out, rows, array);
    } else {
        QString text;
        RowLineWriter writer;
        for (const MenuItemDataPtr &row : rows.rows) {
            writer.append(*row, text);
            text += QLatin1Char('\n');
        }
        out << terminalText(std::move(text));
    }
    return ExitCode::Ok;
}

// Ranked rows come in runs of equal scores: a score is formatted once a run.
class ScoreText
{
public:
    const QString &operator()(double score)
    {
        if (m_last != score) {
            m_last = score;
            m_text = QString::number(score, 'f', 3);
        }
        return m_text;
    }

private:
    std::optional<double> m_last;
    QString m_text;
};

// Text output of a rows file read in the plain form, written as the built rows' would be, a part at a time.
ExitCode searchPlain(const Options &options, const RowsFile &file, double threshold, QTextStream &out)
{
    constexpr qsizetype kPartSize = 64 * 1024;
    std::vector<const ScoredLine *> ranked = rankLines(file, threshold);
    if (options.limit && qsizetype(ranked.size()) > *options.limit)
        ranked.resize(size_t(*options.limit));
    QString text;
    text.reserve(kPartSize + 1024);
    RowLineWriter writer;
    ScoreText scoreText;
    for (const ScoredLine *line : ranked) {
        text += scoreText(line->score);
        text += QLatin1Char('\t');
        writer.append(line->plain, text);
        text += QLatin1Char('\n');
        if (text.size() >= kPartSize) {
            out << terminalText(std::move(text));
            text = QString();
            text.reserve(kPartSize + 1024);
        }
    }
    out << terminalText(std::move(text));
    return ranked.empty() ? ExitCode::NoMatch : ExitCode::Ok;
}

ExitCode search(const Options &options, const Rows &rows, SearchUtils &searchUtils, QTextStream &out)
{
    if (rows.plain)
        return searchPlain(options, *rows.plain, searchUtils.threshold, out);
    std::vector<RankedRow> ranked = rows.scores ? rankScoredRows(rows.rows, *rows.scores, searchUtils.threshold)
                                                : rankRows(searchUtils, options.argument, rows.rows);
    if (options.limit && qsizetype(ranked.size()) > *options.limit)
        ranked.resize(size_t(*options.limit));
    if (options.json) {
        QJsonArray array;
        for (const RankedRow &entry : ranked) {
            QJsonObject object = rowJson(*entry.row);
            object.insert(QStringLiteral("score"), entry.score);
            array.append(object);
        }
        printRowsJson(out, rows, array);
    } else {
        // One text written at once.
        QString text;
        text.reserve(qsizetype(ranked.size()) * 64);
        RowLineWriter writer;
        ScoreText scoreText;
        for (const RankedRow &entry : ranked) {
            text += scoreText(entry.score);
            text += QLatin1Char('\t');
            writer.append(*entry.row, text);
            text += QLatin1Char('\n');
        }
        out << terminalText(std::move(text));
    }
    return ranked.empty() ? ExitCode::NoMatch : ExitCode::Ok;
}

std::optional<Failure> perform(const Options &options, const Rows &rows, ToolPlatform &platform, MenuItemDataPtr &row)
{
    row = findRow(rows.rows, options.argument);
    const QString in = QStringLiteral("%1 (pid %2)").arg(rows.appName.value_or(QStringLiteral("the application"))).arg(rows.pid);
    if (!row)
        return Failure{ExitCode::NoMatch, QStringLiteral("no command \"%1\" in %2").arg(options.argument, in)};
    if (row->expands())
        return Failure{ExitCode::NoMatch, QStringLiteral("\"%1\" is a submenu, not a command").arg(rowPathText(*row))};
    if (!row->isEnabled())
        return Failure{ExitCode::Disabled, QStringLiteral("\"%1\" is disabled in %2: the application does not offer it now")
                                               .arg(rowPathText(*row), in)};
    // The outcome may come on another thread, after this function gave up on it.
    auto outcome = std::make_shared<std::promise<AXError>>();
    std::future<AXError> answered = outcome->get_future();
    AXError result = row->ref() ? row->ref()->press([outcome](AXError value) { outcome->set_value(value); })
                                : AXError::NotImplemented;
    if (result == AXError::Success) {
        platform.flushPresses();
        result = answered.wait_for(kOutcomeBound) == std::future_status::ready ? answered.get()
                                                                               : AXError::CannotComplete;
    }
    if (result != AXError::Success) {
        return Failure{ExitCode::PressFailed, QStringLiteral("cannot perform \"%1\": %2")
                                                  .arg(rowPathText(*row), AXMenuItem::failureText(result))};
    }
    return std::nullopt;
}

// What perform did, for scripts: the row it found (null when none) and whether it was performed.
void printPerformJson(QTextStream &out, const Options &options, const Rows &rows, const MenuItemDataPtr &row,
                      const std::optional<Failure> &failure)
{
    const bool found = row && !row->expands();
    printJson(out, rows,
              QJsonObject{{QStringLiteral("command"), options.argument},
                          {QStringLiteral("performed"), !failure.has_value()},
                          {QStringLiteral("row"), found ? QJsonValue(rowJson(*row)) : QJsonValue()},
                          {QStringLiteral("error"), failure ? QJsonValue(failure->message) : QJsonValue()}});
}

} // namespace

int MenuTool::run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list, search QUERY or perform PATH"));
    parser.addOptions({
        {QStringLiteral("pid"), QStringLiteral("The application of process <N> instead of the focused one."), QStringLiteral("N")},
        {QStringLiteral("rows"), QStringLiteral("Rank rows read from <FILE> instead of an application."), QStringLiteral("FILE")},
        {QStringLiteral("json"), QStringLiteral("Print JSON (its members are listed above).")},
        {QStringLiteral("limit"), QStringLiteral("Print at most <N> search results."), QStringLiteral("N")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")},
        {{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version.")},
    });
    const auto fail = [&err](const Failure &failure) {
        err << terminalText(QStringLiteral("tavolin-menu: %1\n").arg(failure.message));
        return int(failure.code);
    };
    if (!parser.parse(arguments))
        return fail({ExitCode::Usage, parser.errorText()});
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return int(ExitCode::Ok);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "tavolin-menu " << TAVOLIN_VERSION << '\n';
        return int(ExitCode::Ok);
    }
    Options options;
    if (const std::optional<Failure> failure = validate(parser, options))
        return fail(*failure);

    // Rows are the application's own: no menu rules of the palette's settings.
    MenuItemData::setIgnorableOptionLookup([](const QString &, const QString &) { return std::optional<int64_t>(); });
    auto kept = std::make_shared<Rows>();
    m_lastRows = kept;
    Rows &rows = *kept;
    SearchUtils searchUtils;
    std::optional<RowPrefilter> filter;
    if (options.command == QLatin1String("search"))
        filter.emplace(searchUtils, options.argument);
    const std::optional<Failure> failure =
        options.rowsFile ? readRowsFile(*options.rowsFile, filter ? &*filter : nullptr,
                                        options.json ? RowsForm::Built : RowsForm::Plain, rows, err)
                         : readApplication(m_platform, m_dispatcher, options, m_readBound, searchUtils, rows, err);
    if (failure)
        return fail(*failure);
    if (options.command == QLatin1String("list"))
        return int(list(options, rows, out));
    if (options.command == QLatin1String("search"))
        return int(search(options, rows, searchUtils, out));
    MenuItemDataPtr row;
    const std::optional<Failure> performFailure = perform(options, rows, m_platform, row);
    if (options.json)
        printPerformJson(out, options, rows, row, performFailure);
    if (performFailure)
        return fail(*performFailure);
    return int(ExitCode::Ok);
}

} // namespace tavolin::menutool
